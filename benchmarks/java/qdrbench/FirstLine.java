package qdrbench;

import java.io.FileOutputStream;
import java.io.IOException;
import java.nio.charset.StandardCharsets;

/** Notes the wall-clock time of its first line and its work directory in QDR_FIRST_LINE. */
public final class FirstLine {
    private FirstLine() {
    }

    public static void main(String[] args) throws IOException {
        long now = System.currentTimeMillis();
        String text = now + "\n" + System.getProperty("vantle.tempDir", "") + "\n";
        try (FileOutputStream out = new FileOutputStream(System.getenv("QDR_FIRST_LINE"))) {
            out.write(text.getBytes(StandardCharsets.UTF_8));
        }
    }
}
