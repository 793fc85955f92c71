package com.quilder.runtime.installer.platform.win32;

/** Natives of the installer runtime; bound by the launcher or found in qdrinst.dll. */
public class Misc {
    public static native void reboot0();
    public static native String[] getRunningModules0(boolean p0);
    public static native String[] getEnvVarPairs0();
    public static native void broadcastSettingChange0();
    public static native long getPhysicalMemory0();
    public static native long getFreeDiskSpace0(String p0);
    public static native boolean moveWithDelayUntilReboot0(String p0, String p1);
    public static native void toFront0();
    public static native int terminateProcesses0(int[] p0, boolean p1, int p2);
    public static native String getWindowTitle0(int p0);
    public static native int launch0(String p0, String p1);
}
