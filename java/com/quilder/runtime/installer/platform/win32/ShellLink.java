package com.quilder.runtime.installer.platform.win32;

/** Natives of the installer runtime; bound by the launcher or found in qdrinst.dll. */
public class ShellLink {
    public static native boolean createWide0(String p0, String p1, String p2, String p3, String p4, boolean p5, String p6, int p7);
    public static native boolean changeNotify0(byte[] p0, byte[] p1);
    public static native boolean initialize0();
    public static native boolean uninitialize();
    public static native boolean create0(String p0, byte[] p1, byte[] p2, byte[] p3, byte[] p4, boolean p5, byte[] p6);
}
