package com.quilder.runtime.installer.platform.win32;

/** Natives of the installer runtime; bound by the launcher or found in qdrinst.dll. */
public class VistaTaskDialog {
    public static native int show0(long p0, String p1, String p2, String p3, int p4, int p5, int p6, String p7, String[] p8, int p9);
}
