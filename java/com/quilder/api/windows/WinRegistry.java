package com.quilder.api.windows;

/** Values of the Windows registry as the natives return them. */
public final class WinRegistry {
    private WinRegistry() {
    }

    /** A REG_EXPAND_SZ value: the text with its environment references not expanded. */
    public static final class ExpandString {
        private final String value;

        public ExpandString(String value) {
            this.value = value;
        }

        public String getValue() {
            return value;
        }

        @Override
        public boolean equals(Object other) {
            return other instanceof ExpandString && String.valueOf(value).equals(String.valueOf(((ExpandString) other).value));
        }

        @Override
        public int hashCode() {
            return String.valueOf(value).hashCode();
        }

        @Override
        public String toString() {
            return value;
        }
    }
}
