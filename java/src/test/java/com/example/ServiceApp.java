package com.example;

/** A service that runs until the process is ended, and reports its shutdown hook. */
public class ServiceApp {
    public static void main(String[] args) throws InterruptedException {
        Runtime.getRuntime().addShutdownHook(new Thread(() -> {
            System.out.println("hook ran");
            System.out.flush();
        }));
        Thread keeper = new Thread(() -> {
            try {
                Thread.sleep(Long.MAX_VALUE);
            } catch (InterruptedException e) {
                Thread.currentThread().interrupt();
            }
        });
        keeper.start();
        System.out.println("ready");
        System.out.flush();
    }
}
