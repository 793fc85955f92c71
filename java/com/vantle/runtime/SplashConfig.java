package com.vantle.runtime;

/** The splash screen settings the launcher passes before main: two text lines on the image. */
public final class SplashConfig {
    public final boolean enabled;
    public final boolean hideOnFirstWindow;
    public final TextLine firstLine;
    public final TextLine secondLine;

    SplashConfig(boolean enabled, boolean hideOnFirstWindow, TextLine firstLine, TextLine secondLine) {
        this.enabled = enabled;
        this.hideOnFirstWindow = hideOnFirstWindow;
        this.firstLine = firstLine;
        this.secondLine = secondLine;
    }

    /** One text line: its text, position, colour "r,g,b", font size and maximum width. */
    public static final class TextLine {
        public final String text;
        public final int x;
        public final int y;
        public final String colour;
        public final int fontSize;
        public final int width;

        TextLine(String text, int x, int y, String colour, int fontSize, int width) {
            this.text = text;
            this.x = x;
            this.y = y;
            this.colour = colour;
            this.fontSize = fontSize;
            this.width = width;
        }

        @Override
        public String toString() {
            return text + "|" + x + "|" + y + "|" + colour + "|" + fontSize + "|" + width;
        }
    }
}
