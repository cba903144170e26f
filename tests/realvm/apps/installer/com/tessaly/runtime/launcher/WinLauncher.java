package com.tessaly.runtime.launcher;

/**
 * Stands in for the installer flavour's launcher class, which this project does
 * not have: its main throws when realvm.mainThrows is "true".
 */
public final class WinLauncher {
    private WinLauncher() {
    }

    public static void main(String[] args) {
        System.out.println("installer main with " + args.length + " parameters");
        if (Boolean.getBoolean("realvm.mainThrows")) {
            throw new IllegalStateException("installer main fails");
        }
    }
}
