package com.vantle.runtime.util;

/** Deferred deletion through the launcher executable, whose path the launcher sets before main. */
public final class WinDel {
    /** Full path of the launcher executable; null when not started by the launcher. */
    public static volatile String externalExecutable;

    private WinDel() {
    }
}
