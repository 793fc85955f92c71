package com.quilder.runtime.launcher;

import java.util.ServiceLoader;

/**
 * The first-run hook. The launcher calls {@link #firstRun()} before main when its first-run file
 * exists; every {@link Hook} registered as a service runs in turn, and the first that returns
 * false stops the launch.
 */
public final class FirstRun {
    private FirstRun() {
    }

    /** Work to do on the first start; false stops the launch. */
    public interface Hook {
        boolean run() throws Exception;
    }

    public static boolean firstRun() throws Exception {
        for (Hook hook : ServiceLoader.load(Hook.class, loader())) {
            if (!hook.run()) return false;
        }
        return true;
    }

    private static ClassLoader loader() {
        ClassLoader loader = Thread.currentThread().getContextClassLoader();
        return loader != null ? loader : FirstRun.class.getClassLoader();
    }
}
