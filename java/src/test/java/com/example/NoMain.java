package com.example;

/** Has a main that the java command would not accept either (not static). */
public class NoMain {
    public void main(String[] args) {
        System.out.println("must not run");
    }
}
