package com.quilder.runtime.launcher;

/** An installer entry class without main, for the launcher's missing-method path. */
public final class WinLauncher {
    private WinLauncher() {
    }

    public static void start(String[] args) {
    }
}
