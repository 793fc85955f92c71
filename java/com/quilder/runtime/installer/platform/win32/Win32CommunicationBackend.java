package com.quilder.runtime.installer.platform.win32;

/** Natives of the installer runtime; bound by the launcher or found in qdrinst.dll. */
public class Win32CommunicationBackend {
    public static native long getInvalidHandle0();
    public static native long createListener0(String p0);
    public static native byte[] readDataBlock0(long p0);
    public static native boolean writeDataBlock0(long p0, byte[] p1);
    public static native long connectClient0(String p0);
    public static native boolean connectNamedPipe0(long p0);
    public static native void disconnectNamedPipe0(long p0);
    public static native void closeHandle0(long p0);
    public static native boolean isProcessAlive0(int p0);
    public static native int getCurrentProcessId0();
}
