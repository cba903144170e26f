package com.example.hello;

import java.io.File;
import java.io.FileOutputStream;
import java.io.IOException;
import java.io.OutputStreamWriter;
import java.io.PrintWriter;
import java.nio.charset.StandardCharsets;
import java.text.SimpleDateFormat;
import java.util.Date;
import java.util.concurrent.CountDownLatch;
import java.util.concurrent.TimeUnit;

/**
 * A tiny service: writes a heartbeat line to a log file every second until the process
 * is asked to end, then writes a last line from its shutdown hook.
 *
 * The log file is the first argument of the application's own; without one it is
 * "hello-service.log" beside the launcher executable (or in the working directory when
 * run without the launcher). The launcher passes one argument of its own first: the
 * service name in a service, the executable's path under "/run".
 */
public final class HelloService {
    private static final long INTERVAL_MILLIS = 1000;
    private static final long SHUTDOWN_WAIT_MILLIS = 5000;

    private HelloService() {
    }

    public static void main(String[] args) throws IOException {
        // Started by the launcher (which sets vorbix.moduleName), the first argument is
        // the launcher's: the service name, or the executable itself under "/run".
        int first = System.getProperty("vorbix.moduleName") != null && args.length > 0 ? 1 : 0;
        File logFile = args.length > first ? new File(args[first]) : defaultLogFile();
        final PrintWriter log = new PrintWriter(new OutputStreamWriter(
                new FileOutputStream(logFile, true), StandardCharsets.UTF_8), true);
        final CountDownLatch stopRequested = new CountDownLatch(1);
        final CountDownLatch finished = new CountDownLatch(1);

        Thread worker = new Thread(new Runnable() {
            @Override
            public void run() {
                long beats = 0;
                try {
                    do {
                        beats++;
                        log.println(timestamp() + " heartbeat " + beats);
                    } while (!stopRequested.await(INTERVAL_MILLIS, TimeUnit.MILLISECONDS));
                } catch (InterruptedException e) {
                    Thread.currentThread().interrupt();
                }
                log.println(timestamp() + " stopped cleanly after " + beats + " heartbeats");
                log.close();
                finished.countDown();
            }
        }, "heartbeat");

        // The usual way a Java service ends: System.exit (or a stop request from the
        // launcher, which calls it) runs this hook; the log is closed before the VM goes.
        Runtime.getRuntime().addShutdownHook(new Thread(new Runnable() {
            @Override
            public void run() {
                stopRequested.countDown();
                try {
                    finished.await(SHUTDOWN_WAIT_MILLIS, TimeUnit.MILLISECONDS);
                } catch (InterruptedException e) {
                    Thread.currentThread().interrupt();
                }
            }
        }, "hello-service-shutdown"));

        log.println(timestamp() + " hello-service started, java " + System.getProperty("java.version")
                + (Boolean.getBoolean("vorbix.isService") ? ", as a service" : ""));
        worker.start();
    }

    private static File defaultLogFile() {
        String executable = System.getProperty("vorbix.moduleName");
        File dir = executable != null ? new File(executable).getAbsoluteFile().getParentFile() : null;
        return new File(dir != null ? dir : new File("."), "hello-service.log");
    }

    private static String timestamp() {
        return new SimpleDateFormat("yyyy-MM-dd HH:mm:ss.SSS").format(new Date());
    }
}
