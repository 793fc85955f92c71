package com.quilder.runtime.installer.platform.win32;

/** Natives of the installer runtime; bound by the launcher or found in qdrinst.dll. */
public class ACLHandling {
    public static native boolean addACE(String p0, boolean p1, boolean p2, boolean p3, boolean p4, boolean p5, int p6, String p7);
}
