package com.example;

public class BadInit {
    static final int VALUE = compute();

    private static int compute() {
        throw new IllegalArgumentException("boom from static init");
    }

    public static void main(String[] args) {
        System.out.println("must not run " + VALUE);
    }
}
