package com.example;

/** Prints its arguments on both streams. */
public class App {
    public static void main(String[] args) {
        System.out.println("out:" + String.join("|", args));
        System.err.println("err:" + String.join("|", args));
    }
}
