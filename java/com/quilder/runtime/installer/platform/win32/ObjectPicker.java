package com.quilder.runtime.installer.platform.win32;

/** Natives of the installer runtime; bound by the launcher or found in qdrinst.dll. */
public class ObjectPicker {
    public static native ObjectPicker.Result[] show0(boolean p0, boolean p1, boolean p2, boolean p3, boolean p4);

    /** One picked object. */
    public static class Result {
        public final String name;
        public final String adsPath;
        public final String objectClass;
        public final String upn;
        public final String sid;

        public Result(String name, String adsPath, String objectClass, String upn, String sid) {
            this.name = name;
            this.adsPath = adsPath;
            this.objectClass = objectClass;
            this.upn = upn;
            this.sid = sid;
        }
    }
}
