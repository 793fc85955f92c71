package com.quilder.runtime.installer.platform.win32;

/** Natives of the installer runtime; bound by the launcher or found in qdrinst.dll. */
public class FileVersion {
    public static native int compare0(String p0, String p1);
}
