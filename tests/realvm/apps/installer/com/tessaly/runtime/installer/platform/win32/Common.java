package com.tessaly.runtime.installer.platform.win32;

/**
 * Stands in for the installer runtime's initialisation: it throws when
 * realvm.initThrows is "true".
 */
public final class Common {
    private Common() {
    }

    public static void initFromLauncher(boolean full) {
        System.out.println("initFromLauncher " + full);
        if (Boolean.getBoolean("realvm.initThrows")) {
            throw new IllegalStateException("initFromLauncher fails");
        }
    }
}
