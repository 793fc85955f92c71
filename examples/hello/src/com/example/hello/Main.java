package com.example.hello;

import java.io.FileInputStream;
import java.io.IOException;
import java.io.InputStream;
import java.util.Properties;

/** The example application: greets, and shows what the launcher told it. */
public final class Main {
    private Main() {
    }

    public static void main(String[] args) throws IOException {
        String workDir = System.getProperty("vantle.tempDir", ".");
        Properties settings = new Properties();
        try (InputStream in = new FileInputStream(workDir + "\\conf\\hello.properties")) {
            settings.load(in);
        }
        System.out.println(settings.getProperty("greeting", "Hello") + " from the example application");
        System.out.println("Java " + System.getProperty("java.version") + " at " + System.getProperty("java.home"));
        System.out.println("launcher: " + com.vantle.runtime.util.WinDel.externalExecutable);
        System.out.println("work directory: " + workDir);
        System.out.println("arguments: " + String.join(" ", args));
    }
}
