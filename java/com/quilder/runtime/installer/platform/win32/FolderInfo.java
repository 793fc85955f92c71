package com.quilder.runtime.installer.platform.win32;

/** Natives of the installer runtime; bound by the launcher or found in qdrinst.dll. */
public class FolderInfo {
    public static native String getSpecialFolder0(int p0, boolean p1);
    public static native String getPathFromRegistry0(String p0);
    public static native String getWindowsDirectory0();
    public static native String getSystemDirectory0();
    public static native int getDriveType0(String p0);
    public static native String getShortPathName0(String p0);
    public static native String getDownloadsDirectory0();
    public static native String getUniversalPathName0(String p0);
}
