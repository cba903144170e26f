package com.vorbix.runtime;

import static org.junit.Assert.assertEquals;
import static org.junit.Assert.assertFalse;
import static org.junit.Assert.assertNotEquals;
import static org.junit.Assert.assertNull;
import static org.junit.Assert.assertTrue;

import java.io.File;
import java.io.IOException;
import java.lang.reflect.Method;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;

import org.junit.After;
import org.junit.Rule;
import org.junit.Test;
import org.junit.rules.TemporaryFolder;

/** WinLauncher started as the native launcher starts it: parameters, redirection, failures. */
public class WinLauncherTest {
    @Rule
    public TemporaryFolder temp = new TemporaryFolder();

    private LauncherRun launcher;

    private LauncherRun launcher() {
        launcher = new LauncherRun(temp.getRoot());
        return launcher;
    }

    @After
    public void tearDown() {
        if (launcher != null) {
            launcher.destroy();
        }
    }

    private File fileWith(String name, String content) throws IOException {
        File file = new File(temp.getRoot(), name);
        Files.write(file.toPath(), content.getBytes(StandardCharsets.UTF_8));
        return file;
    }

    @Test
    public void argumentsAfterTheFiveReachMainInOrder() throws Exception {
        LauncherRun run = launcher().run("false", "com.example.App", "", "", "false", "a", "", "b c", "-Jx");
        assertEquals(run.stderr(), 0, run.exitCode());
        assertEquals("out:a||b c|-Jx\n", run.stdout());
        assertEquals("err:a||b c|-Jx\n", run.stderr());
    }

    @Test
    public void noApplicationArgumentsGiveAnEmptyArray() throws Exception {
        LauncherRun run = launcher().run("true", "com.example.App", "", "", "true");
        assertEquals(0, run.exitCode());
        assertEquals("out:\n", run.stdout());
    }

    @Test
    public void redirectionStartsFilesAfreshUnlessAppending() throws Exception {
        File err = fileWith("err.log", "old err\n");
        File out = fileWith("out.log", "old out\n");
        LauncherRun run = launcher().run("false", "com.example.App", err.getPath(), out.getPath(), "false", "x");
        assertEquals(0, run.exitCode());
        assertEquals("err:x\n", LauncherRun.read(err));
        assertEquals("out:x\n", LauncherRun.read(out));
        assertEquals("", run.stdout());
        assertEquals("", run.stderr());

        run = launcher().run("false", "com.example.App", err.getPath(), out.getPath(), "true", "y");
        assertEquals(0, run.exitCode());
        assertEquals("err:x\nerr:y\n", LauncherRun.read(err));
        assertEquals("out:x\nout:y\n", LauncherRun.read(out));
    }

    @Test
    public void onlyTheStreamsWithAFileAreRedirected() throws Exception {
        File out = new File(temp.getRoot(), "logs/new/out.log");
        LauncherRun run = launcher().run("false", "com.example.App", "", out.getPath(), "false", "x");
        assertEquals(0, run.exitCode());
        assertEquals("out:x\n", LauncherRun.read(out));
        assertEquals("", run.stdout());
        assertEquals("err:x\n", run.stderr());
    }

    @Test
    public void bothStreamsIntoOneFileKeepBothLines() throws Exception {
        File log = fileWith("both.log", "old\n");
        LauncherRun run = launcher().run("false", "com.example.App", log.getPath(), log.getPath(), "false", "z");
        assertEquals(0, run.exitCode());
        assertEquals("out:z\nerr:z\n", LauncherRun.read(log));
    }

    @Test
    public void noRedirPropertyLeavesTheStreamsAlone() throws Exception {
        File err = new File(temp.getRoot(), "err.log");
        File out = new File(temp.getRoot(), "out.log");
        LauncherRun run = launcher().vm("-Dtessaly.noRedir=true")
                .run("false", "com.example.App", err.getPath(), out.getPath(), "false", "q");
        assertEquals(0, run.exitCode());
        assertEquals("out:q\n", run.stdout());
        assertEquals("err:q\n", run.stderr());
        assertFalse(err.exists());
        assertFalse(out.exists());
    }

    @Test
    public void aFileThatCannotBeOpenedIsReportedAndTheApplicationStillRuns() throws Exception {
        File dir = temp.newFolder("a-directory");
        LauncherRun run = launcher().run("false", "com.example.App", "", dir.getPath(), "false", "w");
        assertEquals(0, run.exitCode());
        assertEquals("out:w\n", run.stdout());
        assertTrue(run.stderr(), run.stderr().contains("cannot redirect standard output to " + dir.getPath()));
    }

    @Test
    public void applicationsThatCannotStartEndWithAMessageAndExitCodeOne() throws Exception {
        String[][] cases = {
            {"com.example.Missing", "main class com.example.Missing not found"},
            {"com.example.NoMain", "com.example.NoMain has no method public static void main(String[])"},
            {"", "no main class is configured"},
        };
        for (String[] c : cases) {
            LauncherRun run = launcher().run("false", c[0], "", "", "false");
            assertEquals(c[0], 1, run.exitCode());
            assertTrue(run.stderr(), run.stderr().contains(c[1]));
            assertFalse(run.stdout().contains("must not run"));
        }
    }

    @Test
    public void failuresInTheApplicationEndWithTheirStackTraceAndExitCodeOne() throws Exception {
        LauncherRun run = launcher().run("false", "com.example.Throwing", "", "", "false");
        assertEquals(1, run.exitCode());
        assertTrue(run.stderr(), run.stderr().contains("main (com.example.Throwing) failed"));
        assertTrue(run.stderr(), run.stderr().contains("java.lang.IllegalStateException: boom from main"));
        assertTrue(run.stderr(), run.stderr().contains("at com.example.Throwing.main"));

        run = launcher().run("false", "com.example.BadInit", "", "", "false");
        assertEquals(1, run.exitCode());
        assertTrue(run.stderr(), run.stderr().contains("static initialisation of com.example.BadInit failed"));
        assertTrue(run.stderr(), run.stderr().contains("boom from static init"));
    }

    @Test
    public void aFailureWithRedirectionIsInTheFileAndOnTheOriginalStream() throws Exception {
        File err = new File(temp.getRoot(), "err.log");
        LauncherRun run = launcher().run("false", "com.example.Missing", err.getPath(), "", "false");
        assertEquals(1, run.exitCode());
        assertTrue(LauncherRun.read(err).contains("main class com.example.Missing not found"));
        assertTrue(run.stderr().contains("main class com.example.Missing not found"));
    }

    @Test
    public void fewerThanFiveParametersAreRefused() throws Exception {
        LauncherRun run = launcher().run("false", "com.example.App", "", "");
        assertEquals(1, run.exitCode());
        assertTrue(run.stderr(), run.stderr().contains("passed 4 parameters, at least 5 are needed"));
        assertEquals("", run.stdout());
    }

    @Test
    public void withoutServiceModeTheEndOfInputDoesNotStopTheApplication() throws Exception {
        // ServiceApp keeps running; if the end of input stopped it, "hook ran" would appear.
        LauncherRun run = launcher().start("false", "com.example.ServiceApp", "", "", "false");
        run.closeInput();
        run.awaitStdout("ready");
        Thread.sleep(500);
        assertFalse(run.stdout().contains("hook ran"));
    }

    @Test
    public void splashValuesAreKeptForTheApplication() throws Exception {
        Method init = null;
        for (Method m : WinLauncher.class.getMethods()) {
            if (m.getName().equals("initAwtSplashConfig")) {
                init = m;
            }
        }
        // The native launcher looks the method up by exactly this JNI descriptor.
        assertEquals("(ZZLjava/lang/String;IILjava/lang/String;IILjava/lang/String;IILjava/lang/String;II)V",
                descriptor(init));

        assertNull(WinLauncher.getSplashConfig());
        WinLauncher.initAwtSplashConfig(true, false, "one", 1, 2, "two", 3, 4, null, 5, 6, "four", -7, 8);
        SplashConfig config = WinLauncher.getSplashConfig();
        assertTrue(config.isEnabled());
        assertFalse(config.getFlag());
        String[] texts = {"one", "two", "", "four"};
        int[][] numbers = {{1, 2}, {3, 4}, {5, 6}, {-7, 8}};
        for (int i = 0; i < SplashConfig.TEXT_COUNT; i++) {
            assertEquals(texts[i], config.getText(i));
            assertEquals(numbers[i][0], config.getFirstNumber(i));
            assertEquals(numbers[i][1], config.getSecondNumber(i));
        }
        WinLauncher.initAwtSplashConfig(true, true, "", 0, 0, "", 0, 0, "", 0, 0, "", 0, 0);
        assertNotEquals(config, WinLauncher.getSplashConfig());
        assertTrue(WinLauncher.getSplashConfig().getFlag());
    }

    private static String descriptor(Method method) {
        StringBuilder sb = new StringBuilder("(");
        for (Class<?> type : method.getParameterTypes()) {
            sb.append(descriptor(type));
        }
        return sb.append(')').append(descriptor(method.getReturnType())).toString();
    }

    private static String descriptor(Class<?> type) {
        if (type == boolean.class) {
            return "Z";
        }
        if (type == int.class) {
            return "I";
        }
        if (type == void.class) {
            return "V";
        }
        return "L" + type.getName().replace('.', '/') + ";";
    }
}
