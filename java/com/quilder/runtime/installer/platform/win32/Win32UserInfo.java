package com.quilder.runtime.installer.platform.win32;

/** Natives of the installer runtime; bound by the launcher or found in qdrinst.dll. */
public class Win32UserInfo {
    public static native boolean isMemberOfGroup0(int p0);
    public static native boolean executeElevated0(String p0, String p1, String p2, int p3);
    public static native int getElevationType0();
    public static native String addUser0(String p0, String p1, String p2, String p3, String p4, boolean p5, boolean p6);
    public static native int deleteUser0(String p0, String p1);
    public static native int deleteLocalGroup0(String p0, String p1);
    public static native String getAccountName0(String p0, boolean p1);
    public static native String getUserProfileDirectory0(String p0, String p1);
    public static native String getUserSid0();
    public static native boolean setLsaAccountRight0(String p0, String p1, boolean p2);
}
