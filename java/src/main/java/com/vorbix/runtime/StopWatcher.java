package com.vorbix.runtime;

import java.io.BufferedReader;
import java.io.IOException;
import java.io.InputStream;
import java.io.InputStreamReader;
import java.lang.reflect.InvocationTargetException;
import java.lang.reflect.Method;
import java.nio.charset.StandardCharsets;

/**
 * In a service, the supervising process asks the application to end by writing the
 * line "0" to standard input and closing it. This watcher reacts to that line, or to
 * the end of the input, by calling the main class's stop() (if it has one, for at most
 * {@link #STOP_TIMEOUT_MILLIS}) and then System.exit(0), which runs the shutdown hooks.
 */
final class StopWatcher implements Runnable {
    /** How long stop() may take before the process is ended anyway. */
    static final long STOP_TIMEOUT_MILLIS = 10000;

    private final InputStream input;
    private final Method stop;
    private final OutputRedirection output;

    StopWatcher(InputStream input, Method stop, OutputRedirection output) {
        this.input = input;
        this.stop = stop;
        this.output = output;
    }

    /** Starts watching on a daemon thread, which never keeps the VM alive by itself. */
    void start() {
        Thread thread = new Thread(this, "vorbix-stop-watcher");
        thread.setDaemon(true);
        thread.start();
    }

    @Override
    public void run() {
        waitForStopRequest();
        stopApplication();
        System.exit(0);
    }

    private void waitForStopRequest() {
        BufferedReader reader = new BufferedReader(new InputStreamReader(input, StandardCharsets.ISO_8859_1));
        try {
            String line;
            while ((line = reader.readLine()) != null) {
                if (line.trim().equals("0")) {
                    return;
                }
            }
        } catch (IOException e) {
            // A broken input pipe means the supervisor is gone: stop as at the end of input.
        }
    }

    private void stopApplication() {
        if (stop == null) {
            return;
        }
        Thread thread = new Thread(new Runnable() {
            @Override
            public void run() {
                try {
                    stop.invoke(null);
                } catch (InvocationTargetException e) {
                    output.report("vorbix: stop() of the application failed:", e.getCause());
                } catch (IllegalAccessException | RuntimeException e) {
                    output.report("vorbix: stop() of the application cannot be called:", e);
                }
            }
        }, "vorbix-stop");
        thread.setDaemon(true);
        thread.start();
        try {
            thread.join(STOP_TIMEOUT_MILLIS);
        } catch (InterruptedException e) {
            Thread.currentThread().interrupt();
        }
        if (thread.isAlive()) {
            output.report("vorbix: stop() of the application did not return within "
                    + STOP_TIMEOUT_MILLIS / 1000 + " s; exiting anyway", null);
        }
    }
}
