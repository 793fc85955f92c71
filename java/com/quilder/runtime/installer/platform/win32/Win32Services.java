package com.quilder.runtime.installer.platform.win32;

/** Natives of the installer runtime; bound by the launcher or found in qdrinst.dll. */
public class Win32Services {
    public static native int installService0(String p0, String p1, String p2);
    public static native int changeServiceConfig0(String p0, String p1, String p2, int p3, int p4, String p5, String p6, String p7, String p8);
    public static native int setRestartServiceConfig0(String p0, boolean p1, int p2);
    public static native int setDelayedAutoStart0(String p0, boolean p1);
    public static native int stopService0(String p0);
    public static native int startService0(String p0, String[] p1);
    public static native int uninstallService0(String p0);
    public static native int queryStatus0(String p0);
    public static native int getStartType0(String p0);
    public static native String getServiceBinary0(String p0);
}
