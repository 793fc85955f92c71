package com.vantle;

import java.util.List;
import java.util.concurrent.CopyOnWriteArrayList;

/** Receives the command lines of later instances that the launcher's guard turned away. */
public final class Controller {
    /** Told the command line of a later instance, or null when it had none. */
    public interface StartupListener {
        void startupPerformed(String commandLine);
    }

    private static final List<StartupListener> LISTENERS = new CopyOnWriteArrayList<StartupListener>();
    private static final List<String> RECEIVED = new CopyOnWriteArrayList<String>();

    private Controller() {
    }

    public static void addStartupListener(StartupListener listener) {
        LISTENERS.add(listener);
    }

    public static void removeStartupListener(StartupListener listener) {
        LISTENERS.remove(listener);
    }

    /** The command lines received so far, in order (null for an empty one). */
    public static List<String> receivedCommandLines() {
        return new java.util.ArrayList<String>(RECEIVED);
    }

    public static void startupPerformed(String commandLine) {
        RECEIVED.add(commandLine);
        for (StartupListener listener : LISTENERS) listener.startupPerformed(commandLine);
    }
}
