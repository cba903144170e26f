package com.vorbix.runtime;

/**
 * The splash values the launcher hands over before the application starts. The launcher
 * only forwards them from its configuration: four texts, each with two numbers, and two
 * flags. Their meaning is up to the application.
 */
public final class SplashConfig {
    /** Number of texts (each with its two numbers). */
    public static final int TEXT_COUNT = 4;

    private final boolean enabled;
    private final boolean flag;
    private final String[] texts;
    private final int[] firstNumbers;
    private final int[] secondNumbers;

    SplashConfig(boolean enabled, boolean flag, String[] texts, int[] firstNumbers, int[] secondNumbers) {
        this.enabled = enabled;
        this.flag = flag;
        this.texts = texts.clone();
        this.firstNumbers = firstNumbers.clone();
        this.secondNumbers = secondNumbers.clone();
    }

    /** The first flag; the launcher always passes true. */
    public boolean isEnabled() {
        return enabled;
    }

    /** The second flag, as configured. */
    public boolean getFlag() {
        return flag;
    }

    /** Text {@code index} (0 to 3); never null. */
    public String getText(int index) {
        return texts[index];
    }

    /** The first number that belongs to text {@code index}. */
    public int getFirstNumber(int index) {
        return firstNumbers[index];
    }

    /** The second number that belongs to text {@code index}. */
    public int getSecondNumber(int index) {
        return secondNumbers[index];
    }
}
