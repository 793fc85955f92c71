package com.quilder.runtime.launcher;

/** Entry class of installers; the same argument array as the application launcher's. */
public final class WinLauncher {
    private WinLauncher() {
    }

    public static void main(String[] args) throws Throwable {
        com.vantle.runtime.WinLauncher.runApplication(args);
    }
}
