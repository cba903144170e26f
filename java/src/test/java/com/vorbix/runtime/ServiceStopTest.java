package com.vorbix.runtime;

import static org.junit.Assert.assertEquals;
import static org.junit.Assert.assertFalse;
import static org.junit.Assert.assertTrue;

import org.junit.After;
import org.junit.Rule;
import org.junit.Test;
import org.junit.rules.TemporaryFolder;

/** In a service, the stop line or the end of standard input ends the application cleanly. */
public class ServiceStopTest {
    @Rule
    public TemporaryFolder temp = new TemporaryFolder();

    private LauncherRun launcher;

    @After
    public void tearDown() {
        if (launcher != null) {
            launcher.destroy();
        }
    }

    private LauncherRun startService(String mainClass) throws Exception {
        launcher = new LauncherRun(temp.getRoot()).service();
        launcher.start("false", mainClass, "", "", "false");
        launcher.awaitStdout("ready");
        return launcher;
    }

    @Test
    public void theStopLineRunsTheShutdownHooksAndExitsWithZero() throws Exception {
        for (String line : new String[] {"0\n", "0\r\n", "other\n0\n"}) {
            LauncherRun run = startService("com.example.ServiceApp");
            run.write(line);
            assertEquals(run.stderr(), 0, run.waitForExit());
            assertEquals("ready\nhook ran\n", run.stdout());
        }
    }

    @Test
    public void theEndOfInputAlsoStopsTheApplication() throws Exception {
        LauncherRun run = startService("com.example.ServiceApp");
        run.closeInput();
        assertEquals(run.stderr(), 0, run.waitForExit());
        assertEquals("ready\nhook ran\n", run.stdout());
    }

    @Test
    public void anotherLineAloneDoesNotStop() throws Exception {
        LauncherRun run = startService("com.example.ServiceApp");
        run.write("1\n");
        Thread.sleep(500);
        assertFalse(run.stdout().contains("hook ran"));
        run.write("0\n");
        assertEquals(0, run.waitForExit());
    }

    @Test
    public void stopIsCalledBeforeTheShutdownHooks() throws Exception {
        LauncherRun run = startService("com.example.StoppableApp");
        run.write("0\n");
        assertEquals(run.stderr(), 0, run.waitForExit());
        assertEquals("ready\nstop called\nhook ran\n", run.stdout());
    }

    @Test
    public void aStopThatHangsIsAbandonedAndTheProcessStillExits() throws Exception {
        LauncherRun run = startService("com.example.HangingStopApp");
        run.closeInput();
        assertEquals(run.stderr(), 0, run.waitForExit());
        assertEquals("ready\nstop entered\nhook ran\n", run.stdout());
        assertTrue(run.stderr(), run.stderr().contains("stop() of the application did not return within 10 s"));
    }

    @Test
    public void aMainThatFailsInAServiceStillExitsWithOne() throws Exception {
        launcher = new LauncherRun(temp.getRoot()).service();
        launcher.start("false", "com.example.Throwing", "", "", "false");
        assertEquals(1, launcher.waitForExit());
        assertTrue(launcher.stderr().contains("boom from main"));
    }
}
