package com.quilder.runtime.installer.platform.win32;

/** Natives of the installer runtime; bound by the launcher or found in qdrinst.dll. */
public class Registry {
    public static native boolean keyExists0(int p0, String p1, int p2);
    public static native boolean createKey0(int p0, String p1, int p2);
    public static native Object getValue0(int p0, String p1, String p2, int p3);
    public static native boolean setValue0(int p0, String p1, String p2, Object p3, int p4, int p5);
    public static native void deleteValue0(int p0, String p1, String p2, int p3);
    public static native void deleteKey0(int p0, String p1, boolean p2, int p3);
    public static native boolean saveKey0(int p0, String p1, String p2, int p3);
    public static native boolean restoreKey0(int p0, String p1, String p2, int p3);
    public static native String[] enumSubKeys0(int p0, String p1, int p2);
    public static native String[] enumValues0(int p0, String p1, int p2);
    public static native void changeNotifyAssociations0();
}
