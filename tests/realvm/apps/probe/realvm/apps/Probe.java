package realvm.apps;

import com.vorbix.runtime.SplashConfig;
import com.vorbix.runtime.WinLauncher;

/**
 * What the application's main was given, printed with every character outside
 * printable ASCII as a Java escape, so that the driver compares UTF-16 units.
 * The system property realvm.probe picks what else it does: "throw", "exit"
 * (System.exit(42)), "splash" (the splash values WinLauncher received).
 */
public final class Probe {
    private Probe() {
    }

    static String escaped(String text) {
        StringBuilder out = new StringBuilder();
        for (char c : text.toCharArray()) {
            if (c >= 0x20 && c < 0x7f && c != '\\') {
                out.append(c);
            } else {
                out.append(String.format("\\u%04x", (int) c));
            }
        }
        return out.toString();
    }

    public static void main(String[] args) {
        System.out.println("args " + args.length);
        for (int i = 0; i < args.length; i++) {
            System.out.println("arg " + i + " " + escaped(args[i]));
        }
        System.out.println("moduleName " + escaped(System.getProperty("vorbix.moduleName", "<none>")));
        String what = System.getProperty("realvm.probe", "");
        if (what.equals("splash")) {
            SplashConfig splash = WinLauncher.getSplashConfig();
            StringBuilder line = new StringBuilder("splash " + splash.isEnabled() + " " + splash.getFlag());
            for (int i = 0; i < SplashConfig.TEXT_COUNT; i++) {
                line.append(" [").append(escaped(splash.getText(i))).append("] ")
                        .append(splash.getFirstNumber(i)).append(' ').append(splash.getSecondNumber(i));
            }
            System.out.println(line);
        } else if (what.equals("exit")) {
            System.out.println("exiting");
            System.exit(42);
        } else if (what.equals("throw")) {
            throw new IllegalStateException("probe fails");
        }
        System.out.println("main ends");
    }
}
