package qdrtest;

import com.quilder.runtime.launcher.FirstRun;

/**
 * A first-run hook for the tests: notes its call in QDR_REPORT + ".firstrun" and returns what
 * QDR_FIRSTRUN_RESULT says ("true" lets the launch go on).
 */
public final class FirstRunProbe implements FirstRun.Hook {
    public boolean run() throws Exception {
        Report.write(System.getenv("QDR_REPORT") + ".firstrun", "called\n", true);
        return Boolean.parseBoolean(System.getenv("QDR_FIRSTRUN_RESULT"));
    }
}
