package qdrtest;

import com.quilder.runtime.installer.platform.win32.Common;
import com.vantle.runtime.SplashConfig;
import com.vantle.runtime.WinLauncher;
import com.vantle.runtime.util.WinDel;

import java.io.FileOutputStream;
import java.io.IOException;
import java.io.OutputStreamWriter;
import java.io.Writer;
import java.nio.charset.StandardCharsets;

/**
 * An application for the launcher's tests: writes what it was given to the file named by
 * QDR_REPORT (UTF-8, one "key=value" per line), then acts as QDR_BEHAVIOUR asks: "throw" throws
 * from main, "thread" leaves a non-daemon thread running after main returns, "exit7" ends the
 * process with exit code 7.
 */
public final class Report {
    private static final String[] PROPERTIES = {
        "vantle.semaphoreName", "vantle.manualJre", "vantle.isQuilder", "vantle.moduleName",
        "sun.java.command", "vantle.tempDir", "vantle.unextractedPosition", "java.library.path",
        "vantle.consoleCodepage", "user.language", "user.country", "java.class.path",
        "qdrtest.fromOptionsFile", "qdrtest.fromInclude", "java.home",
    };

    private Report() {
    }

    public static void main(String[] args) throws Exception {
        String report = System.getenv("QDR_REPORT");
        StringBuilder text = new StringBuilder();
        WinLauncher.LaunchInfo info = WinLauncher.launchInfo();
        line(text, "launcher.gui", String.valueOf(info.gui));
        line(text, "launcher.class", info.applicationClass);
        line(text, "launcher.errorLog", String.valueOf(info.errorLog));
        line(text, "launcher.outputLog", String.valueOf(info.outputLog));
        line(text, "launcher.append", String.valueOf(info.appendLogs));
        line(text, "launcher.program", info.program);
        line(text, "args", String.valueOf(args.length));
        for (int i = 0; i < args.length; i++) line(text, "arg." + i, args[i]);
        for (String name : PROPERTIES) line(text, "prop." + name, System.getProperty(name, "<unset>"));
        line(text, "windel", String.valueOf(WinDel.externalExecutable));
        line(text, "init", Common.launcherCalls().toString());
        SplashConfig splash = WinLauncher.splashConfig();
        line(text, "splash", splash == null ? "<none>"
                : splash.enabled + "|" + splash.hideOnFirstWindow + "|" + splash.firstLine + "|" + splash.secondLine);
        write(report, text.toString(), false);
        System.out.println("report written");
        System.err.println("report written to the error stream");

        String behaviour = System.getenv("QDR_BEHAVIOUR");
        if ("throw".equals(behaviour)) {
            throw new IllegalStateException("boom from main");
        } else if ("thread".equals(behaviour)) {
            Thread worker = new Thread(new Runnable() {
                public void run() {
                    try {
                        Thread.sleep(2500);
                        write(report, "thread=done\n", true);
                    } catch (Exception e) {
                        throw new RuntimeException(e);
                    }
                }
            });
            worker.setDaemon(false);
            worker.start();
        } else if ("exit7".equals(behaviour)) {
            System.exit(7);
        }
    }

    private static void line(StringBuilder text, String key, String value) {
        text.append(key).append('=').append(value).append('\n');
    }

    static void write(String file, String text, boolean append) throws IOException {
        try (Writer out = new OutputStreamWriter(new FileOutputStream(file, append), StandardCharsets.UTF_8)) {
            out.write(text);
        }
    }
}
