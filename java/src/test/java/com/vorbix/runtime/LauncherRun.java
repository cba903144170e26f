package com.vorbix.runtime;

import static org.junit.Assert.fail;

import java.io.File;
import java.io.IOException;
import java.io.OutputStream;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.util.ArrayList;
import java.util.Arrays;
import java.util.List;
import java.util.concurrent.TimeUnit;

/**
 * Runs WinLauncher in a fresh VM the way the native launcher does: the system
 * properties and VM options first, then the five launcher parameters and the
 * application's arguments. Standard output and error are captured in files.
 */
final class LauncherRun {
    static final long TIMEOUT_SECONDS = 60;

    private final File workDir;
    private final List<String> vmOptions = new ArrayList<>();
    private String classPath;
    private Process process;
    private File stdout;
    private File stderr;

    LauncherRun(File workDir) {
        this.workDir = workDir;
        classPath = jar("VBX_RUNTIME_JAR") + File.pathSeparator + jar("VBX_JAVA_TEST_JAR");
        // The properties every launch gets; the executable is imagined in the work directory.
        String executable = executable().getPath();
        vm("-Dvorbix.moduleName=" + executable, "-Dsun.java.command=" + executable,
                "-Dvorbix.tempDir=", "-Dvorbix.unextractedPosition=0");
    }

    /** Where the launcher executable of this run would be. */
    File executable() {
        return new File(workDir, "App.exe");
    }

    /** A jar built by the build, named by the environment ctest sets. */
    static String jar(String variable) {
        String path = System.getenv(variable);
        if (path == null || path.isEmpty()) {
            throw new IllegalStateException(variable + " is not set; run the test through ctest");
        }
        return path;
    }

    LauncherRun classPath(String value) {
        classPath = value;
        return this;
    }

    LauncherRun vm(String... options) {
        vmOptions.addAll(Arrays.asList(options));
        return this;
    }

    LauncherRun service() {
        return vm("-Dvorbix.isService=true", "-Xrs");
    }

    /** Starts the VM with WinLauncher's parameters (the five launcher ones and the application's). */
    LauncherRun start(String... parameters) throws IOException {
        List<String> command = new ArrayList<>();
        command.add(new File(System.getProperty("java.home"), "bin/java").getPath());
        command.addAll(vmOptions);
        command.add("-cp");
        command.add(classPath);
        command.add("com.vorbix.runtime.WinLauncher");
        command.addAll(Arrays.asList(parameters));
        stdout = File.createTempFile("stdout", ".txt", workDir);
        stderr = File.createTempFile("stderr", ".txt", workDir);
        process = new ProcessBuilder(command).directory(workDir)
                .redirectOutput(stdout).redirectError(stderr).start();
        return this;
    }

    /** Runs to the end with standard input closed at once. */
    LauncherRun run(String... parameters) throws IOException, InterruptedException {
        start(parameters);
        process.getOutputStream().close();
        waitForExit();
        return this;
    }

    void write(String text) throws IOException {
        OutputStream in = process.getOutputStream();
        in.write(text.getBytes(StandardCharsets.ISO_8859_1));
        in.flush();
    }

    void closeInput() throws IOException {
        process.getOutputStream().close();
    }

    int waitForExit() throws InterruptedException {
        if (!process.waitFor(TIMEOUT_SECONDS, TimeUnit.SECONDS)) {
            process.destroyForcibly();
            fail("launcher did not end; stdout: " + stdout() + " stderr: " + stderr());
        }
        return process.exitValue();
    }

    int exitCode() throws InterruptedException {
        return waitForExit();
    }

    /** Waits until standard output holds {@code text}, failing when the process ends first. */
    void awaitStdout(String text) throws InterruptedException {
        long deadline = System.nanoTime() + TimeUnit.SECONDS.toNanos(TIMEOUT_SECONDS);
        while (!stdout().contains(text)) {
            if (!process.isAlive() && !stdout().contains(text)) {
                fail("launcher ended (" + process.exitValue() + ") before printing '" + text
                        + "'; stdout: " + stdout() + " stderr: " + stderr());
            }
            if (System.nanoTime() > deadline) {
                process.destroyForcibly();
                fail("no '" + text + "' on stdout; stderr: " + stderr());
            }
            Thread.sleep(20);
        }
    }

    String stdout() {
        return read(stdout);
    }

    String stderr() {
        return read(stderr);
    }

    static String read(File file) {
        try {
            return new String(Files.readAllBytes(file.toPath()), StandardCharsets.UTF_8);
        } catch (IOException e) {
            return "";
        }
    }

    void destroy() {
        if (process != null && process.isAlive()) {
            process.destroyForcibly();
        }
    }
}
