package com.example;

/** A service with a stop method that the runtime calls before System.exit. */
public class StoppableApp {
    public static void main(String[] args) throws InterruptedException {
        ServiceApp.main(args);
    }

    public static void stop() {
        System.out.println("stop called");
        System.out.flush();
    }
}
