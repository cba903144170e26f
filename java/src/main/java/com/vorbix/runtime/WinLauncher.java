package com.vorbix.runtime;

import java.lang.reflect.InvocationTargetException;
import java.util.Arrays;

/**
 * The class the native launcher starts. Its {@code main} takes five launcher parameters
 * followed by the application's arguments:
 * <ol>
 * <li>"true" when the launcher is a graphical executable;</li>
 * <li>the application's main class, or "/" + module + "/" + class for a class in a named
 * module of the boot layer;</li>
 * <li>the file standard error goes to, or "" to leave it alone;</li>
 * <li>the file standard output goes to, or "";</li>
 * <li>"true" to append to those files rather than start them afresh.</li>
 * </ol>
 * Redirection is skipped when the system property {@code tessaly.noRedir} is "true".
 * When {@code vorbix.isService} is "true" the application is stopped through standard
 * input (see {@link StopWatcher}).
 */
public final class WinLauncher {
    static final int LAUNCHER_PARAMETERS = 5;
    static final int EXIT_FAILURE = 1;

    private static volatile boolean graphical;
    private static volatile boolean service;
    private static volatile String mainClassName;
    private static volatile SplashConfig splashConfig;

    private WinLauncher() {
    }

    public static void main(String[] args) {
        OutputRedirection output = new OutputRedirection();
        if (args == null || args.length < LAUNCHER_PARAMETERS) {
            output.report("vorbix: the launcher passed " + (args == null ? 0 : args.length)
                    + " parameters, at least " + LAUNCHER_PARAMETERS + " are needed", null);
            System.exit(EXIT_FAILURE);
            return;
        }
        graphical = "true".equals(args[0]);
        service = "true".equals(System.getProperty("vorbix.isService"));
        if (!"true".equals(System.getProperty("tessaly.noRedir"))) {
            output.apply(args[2], args[3], "true".equals(args[4]));
        }
        String[] appArgs = Arrays.copyOfRange(args, LAUNCHER_PARAMETERS, args.length);

        MainClass mainClass;
        try {
            mainClass = MainClass.resolve(args[1]);
        } catch (LaunchFailure e) {
            fail(output, e);
            return;
        }
        mainClassName = mainClass.name();
        if (service) {
            new StopWatcher(System.in, mainClass.findStop(), output).start();
        }
        try {
            mainClass.runMain(appArgs);
        } catch (LaunchFailure e) {
            fail(output, e);
        } catch (InvocationTargetException e) {
            output.report("vorbix: the application's main (" + mainClass.name() + ") failed:", e.getCause());
            System.exit(EXIT_FAILURE);
        } catch (ExceptionInInitializerError e) {
            output.report("vorbix: the static initialisation of " + mainClass.name() + " failed:",
                    e.getCause() != null ? e.getCause() : e);
            System.exit(EXIT_FAILURE);
        } catch (LinkageError e) {
            output.report("vorbix: the main class " + mainClass.name() + " cannot be linked:", e);
            System.exit(EXIT_FAILURE);
        }
    }

    private static void fail(OutputRedirection output, LaunchFailure failure) {
        output.report("vorbix: " + failure.getMessage(), null);
        System.exit(EXIT_FAILURE);
    }

    /**
     * Called by the launcher before {@code main} when its configuration asks for it:
     * a flag that is always true, a configured flag, then four texts each followed by
     * two numbers. The values are kept for the application ({@link #getSplashConfig}).
     */
    public static void initAwtSplashConfig(boolean enabled, boolean flag,
            String text1, int first1, int second1,
            String text2, int first2, int second2,
            String text3, int first3, int second3,
            String text4, int first4, int second4) {
        splashConfig = new SplashConfig(enabled, flag,
                new String[] {orEmpty(text1), orEmpty(text2), orEmpty(text3), orEmpty(text4)},
                new int[] {first1, first2, first3, first4},
                new int[] {second1, second2, second3, second4});
    }

    private static String orEmpty(String text) {
        return text == null ? "" : text;
    }

    /** The splash values handed over by the launcher, or null when it passed none. */
    public static SplashConfig getSplashConfig() {
        return splashConfig;
    }

    /** True when the launcher is a graphical executable (first launcher parameter). */
    public static boolean isGraphical() {
        return graphical;
    }

    /** True when the application runs as a service and is stopped through standard input. */
    public static boolean isService() {
        return service;
    }

    /** The name of the application's main class once it has been found, otherwise null. */
    public static String getMainClassName() {
        return mainClassName;
    }
}
