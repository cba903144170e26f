package com.example;

public class Throwing {
    public static void main(String[] args) {
        throw new IllegalStateException("boom from main");
    }
}
