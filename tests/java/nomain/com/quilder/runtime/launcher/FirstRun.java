package com.quilder.runtime.launcher;

/** A first-run class without its hook method, for the launcher's missing-method path. */
public final class FirstRun {
    private FirstRun() {
    }

    public static boolean start() {
        return true;
    }
}
