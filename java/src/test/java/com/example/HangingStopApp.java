package com.example;

/** A service whose stop method never returns. */
public class HangingStopApp {
    public static void main(String[] args) throws InterruptedException {
        ServiceApp.main(args);
    }

    public static void stop() throws InterruptedException {
        System.out.println("stop entered");
        System.out.flush();
        Thread.sleep(Long.MAX_VALUE);
    }
}
