package com.vorbix.runtime;

import java.io.File;
import java.io.FileOutputStream;
import java.io.IOException;
import java.io.PrintStream;

/**
 * Points System.err and System.out at files. The streams are not buffered beyond a
 * line so that a service's log is complete up to the moment the process ends.
 */
final class OutputRedirection {
    private final PrintStream originalErr;
    private boolean redirected;

    OutputRedirection() {
        originalErr = System.err;
    }

    /**
     * Redirects standard error to {@code errPath} and standard output to {@code outPath};
     * an empty path leaves that stream alone. A file that cannot be opened is reported on
     * the original standard error and its stream stays where it was.
     */
    void apply(String errPath, String outPath, boolean append) {
        PrintStream err = errPath.isEmpty() ? null : open(errPath, append, "error");
        PrintStream out;
        if (err != null && !outPath.isEmpty() && sameFile(errPath, outPath)) {
            // Opening one file twice would let the two streams overwrite each other.
            out = err;
        } else {
            out = outPath.isEmpty() ? null : open(outPath, append, "output");
        }
        if (err != null) {
            System.setErr(err);
            redirected = true;
        }
        if (out != null) {
            System.setOut(out);
        }
    }

    /**
     * Writes a line to standard error and, when standard error goes to a file, also to
     * the stream it had before, so that a console user sees failures as well.
     */
    void report(String text, Throwable detail) {
        PrintStream err = System.err;
        err.println(text);
        if (detail != null) {
            detail.printStackTrace(err);
        }
        err.flush();
        if (redirected && originalErr != err) {
            originalErr.println(text);
            if (detail != null) {
                detail.printStackTrace(originalErr);
            }
            originalErr.flush();
        }
    }

    private PrintStream open(String path, boolean append, String what) {
        try {
            File file = new File(path);
            File parent = file.getAbsoluteFile().getParentFile();
            if (parent != null && !parent.isDirectory() && !parent.mkdirs() && !parent.isDirectory()) {
                throw new IOException("cannot create directory " + parent);
            }
            return new PrintStream(new FileOutputStream(file, append), true);
        } catch (IOException | SecurityException e) {
            originalErr.println("vorbix: cannot redirect standard " + what + " to " + path + ": " + e.getMessage());
            originalErr.flush();
            return null;
        }
    }

    private static boolean sameFile(String a, String b) {
        try {
            return new File(a).getCanonicalFile().equals(new File(b).getCanonicalFile());
        } catch (IOException e) {
            return new File(a).getAbsoluteFile().equals(new File(b).getAbsoluteFile());
        }
    }
}
