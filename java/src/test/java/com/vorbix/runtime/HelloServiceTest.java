package com.vorbix.runtime;

import static org.junit.Assert.assertEquals;
import static org.junit.Assert.assertTrue;
import static org.junit.Assert.fail;

import java.io.File;
import java.util.concurrent.TimeUnit;
import java.util.regex.Matcher;
import java.util.regex.Pattern;

import org.junit.After;
import org.junit.Rule;
import org.junit.Test;
import org.junit.rules.TemporaryFolder;

/** The example service, run through the runtime in service mode as the worker runs it. */
public class HelloServiceTest {
    @Rule
    public TemporaryFolder temp = new TemporaryFolder();

    private LauncherRun launcher;

    @After
    public void tearDown() {
        if (launcher != null) {
            launcher.destroy();
        }
    }

    private static int heartbeats(String log) {
        Matcher m = Pattern.compile("(?m) heartbeat \\d+$").matcher(log);
        int n = 0;
        while (m.find()) {
            n++;
        }
        return n;
    }

    @Test
    public void writesHeartbeatsBesideTheExecutableAndStopsCleanlyOnTheStopLine() throws Exception {
        File out = new File(temp.getRoot(), "out.log");
        launcher = new LauncherRun(temp.getRoot()).service()
                .classPath(LauncherRun.jar("VBX_RUNTIME_JAR") + File.pathSeparator + LauncherRun.jar("VBX_HELLO_JAR"));
        File log = new File(launcher.executable().getParentFile(), "hello-service.log");
        // As the service's worker: the service name is the first program argument.
        launcher.start("false", "com.example.hello.HelloService", "", out.getPath(), "true", "HelloService");

        long deadline = System.nanoTime() + TimeUnit.SECONDS.toNanos(LauncherRun.TIMEOUT_SECONDS);
        while (heartbeats(LauncherRun.read(log)) < 2) {
            if (System.nanoTime() > deadline) {
                fail("fewer than two heartbeats in " + LauncherRun.read(log) + "; stderr: " + launcher.stderr());
            }
            Thread.sleep(100);
        }
        launcher.write("0\n");
        assertEquals(launcher.stderr(), 0, launcher.waitForExit());

        String text = LauncherRun.read(log);
        int beats = heartbeats(text);
        assertTrue(text, text.contains(" hello-service started, java "));
        assertTrue(text, text.contains("as a service"));
        for (int i = 1; i <= beats; i++) {
            assertTrue(text, text.contains(" heartbeat " + i + "\n"));
        }
        assertTrue(text, text.endsWith(" stopped cleanly after " + beats + " heartbeats\n"));
        // (The work directory is the executable's directory.)
        assertTrue("the service name is no log file",
                !new File(launcher.executable().getParentFile(), "HelloService").exists());
    }
}
