package com.quilder.runtime.installer.platform.win32;

/** Natives of the installer runtime; bound by the launcher or found in qdrinst.dll. */
public class VistaFileChooser {
    public static native void initialize0();
    public static native String[] displayDialog0(long p0, String p1, String p2, String p3, String p4, int p5, int p6, boolean p7, String p8, String[] p9, String[] p10, int p11, String[] p12, boolean[] p13);
}
