package com.vantle.runtime;

import java.io.FileOutputStream;
import java.io.IOException;
import java.io.PrintStream;
import java.lang.reflect.InvocationTargetException;
import java.lang.reflect.Method;
import java.lang.reflect.Modifier;
import java.util.Arrays;

/**
 * Entry class that the native launcher calls. The launcher passes, in front of the application's
 * own arguments: the GUI flag, the application class, the error and output log files (empty when
 * not redirected; a name that begins with "$" names no file), the append flag and the program as
 * written on the command line.
 */
public final class WinLauncher {
    private static final int LEADING_ELEMENTS = 6;

    private static volatile SplashConfig splashConfig;
    private static volatile LaunchInfo launchInfo;

    private WinLauncher() {
    }

    public static void main(String[] args) throws Throwable {
        runApplication(args);
    }

    /** Reads the leading elements, redirects the streams and calls the application's main. */
    public static void runApplication(String[] args) throws Throwable {
        LaunchInfo info = LaunchInfo.parse(args);
        launchInfo = info;
        if (info.errorLog != null) System.setErr(openLog(info.errorLog, info.appendLogs));
        if (info.outputLog != null) System.setOut(openLog(info.outputLog, info.appendLogs));
        Method main = findMain(info.applicationClass);
        try {
            main.invoke(null, (Object) info.applicationArguments.clone());
        } catch (InvocationTargetException e) {
            throw e.getCause();
        }
    }

    /** The splash text lines handed over by the launcher before main; null when none were given. */
    public static SplashConfig splashConfig() {
        return splashConfig;
    }

    /** What the launcher passed to main; null before main was called. */
    public static LaunchInfo launchInfo() {
        return launchInfo;
    }

    public static void initAwtSplashConfig(boolean enabled, boolean hideOnFirstWindow,
            String text1, int x1, int y1, String colour1, int size1, int width1,
            String text2, int x2, int y2, String colour2, int size2, int width2) {
        splashConfig = new SplashConfig(enabled, hideOnFirstWindow,
                new SplashConfig.TextLine(text1, x1, y1, colour1, size1, width1),
                new SplashConfig.TextLine(text2, x2, y2, colour2, size2, width2));
    }

    private static Method findMain(String className) throws ClassNotFoundException, NoSuchMethodException {
        ClassLoader loader = Thread.currentThread().getContextClassLoader();
        if (loader == null) loader = WinLauncher.class.getClassLoader();
        Class<?> type = Class.forName(className, true, loader);
        Method main = type.getMethod("main", String[].class);
        if (!Modifier.isStatic(main.getModifiers())) {
            throw new NoSuchMethodException(className + ".main(String[]) is not static");
        }
        return main;
    }

    private static PrintStream openLog(String file, boolean append) throws IOException {
        return new PrintStream(new FileOutputStream(file, append), true);
    }

    /** The leading elements of the argument array and the application's own arguments. */
    public static final class LaunchInfo {
        public final boolean gui;
        public final String applicationClass;
        /** Null when the stream is not redirected. */
        public final String errorLog;
        public final String outputLog;
        public final boolean appendLogs;
        public final String program;
        private final String[] applicationArguments;

        private LaunchInfo(String[] args) {
            gui = Boolean.parseBoolean(args[0]);
            applicationClass = args[1];
            errorLog = logFile(args[2]);
            outputLog = logFile(args[3]);
            appendLogs = Boolean.parseBoolean(args[4]);
            program = args.length > 5 ? args[5] : "";
            applicationArguments = args.length > LEADING_ELEMENTS
                    ? Arrays.copyOfRange(args, LEADING_ELEMENTS, args.length) : new String[0];
        }

        static LaunchInfo parse(String[] args) {
            if (args == null || args.length < LEADING_ELEMENTS - 1) {
                throw new IllegalArgumentException("the launcher passed "
                        + (args == null ? 0 : args.length) + " arguments, expected at least "
                        + (LEADING_ELEMENTS - 1));
            }
            if (args[1] == null || args[1].isEmpty()) {
                throw new IllegalArgumentException("the launcher named no application class");
            }
            return new LaunchInfo(args);
        }

        private static String logFile(String name) {
            return name == null || name.isEmpty() || name.startsWith("$") ? null : name;
        }

        public String[] applicationArguments() {
            return applicationArguments.clone();
        }
    }
}
