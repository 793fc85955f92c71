package com.quilder.runtime.installer.platform.win32;

import java.util.ArrayList;
import java.util.List;

/**
 * Where the natives come from. The launcher tells {@link #initFromLauncher(boolean)} whether it
 * registered its own copies; otherwise {@link #ensureNatives()} loads qdrinst.dll, whose exports
 * the virtual machine binds by name.
 */
public final class Common {
    private static final List<Boolean> LAUNCHER_CALLS = new ArrayList<Boolean>();
    private static boolean nativesFromLauncher;
    private static boolean libraryLoaded;

    private Common() {
    }

    public static synchronized void initFromLauncher(boolean registered) {
        LAUNCHER_CALLS.add(Boolean.valueOf(registered));
        nativesFromLauncher = registered;
    }

    /** The flags the launcher passed, in order; empty when not started by the launcher. */
    public static synchronized List<Boolean> launcherCalls() {
        return new ArrayList<Boolean>(LAUNCHER_CALLS);
    }

    public static synchronized boolean nativesFromLauncher() {
        return nativesFromLauncher;
    }

    /** Makes the natives callable: those of the launcher, else those of qdrinst.dll. */
    public static synchronized void ensureNatives() {
        if (nativesFromLauncher || libraryLoaded) return;
        System.loadLibrary("qdrinst");
        libraryLoaded = true;
    }
}
