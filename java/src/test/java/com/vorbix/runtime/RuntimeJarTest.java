package com.vorbix.runtime;

import static org.junit.Assert.assertEquals;
import static org.junit.Assert.assertTrue;

import java.io.DataInputStream;
import java.io.IOException;
import java.util.Enumeration;
import java.util.jar.JarEntry;
import java.util.jar.JarFile;

import org.junit.Test;

/** The archives must run on a Java 8 VM, and the runtime must work on a module path. */
public class RuntimeJarTest {
    private static final int JAVA_8_MAJOR = 52;

    private static int classFilesAtJava8(String jarPath) throws IOException {
        int count = 0;
        try (JarFile jar = new JarFile(jarPath)) {
            for (Enumeration<JarEntry> e = jar.entries(); e.hasMoreElements();) {
                JarEntry entry = e.nextElement();
                if (!entry.getName().endsWith(".class")) {
                    continue;
                }
                try (DataInputStream in = new DataInputStream(jar.getInputStream(entry))) {
                    assertEquals(entry.getName(), 0xCAFEBABE, in.readInt());
                    in.readUnsignedShort();
                    assertEquals(entry.getName(), JAVA_8_MAJOR, in.readUnsignedShort());
                }
                count++;
            }
        }
        return count;
    }

    @Test
    public void theArchivesHoldJava8ClassFiles() throws IOException {
        assertTrue(classFilesAtJava8(LauncherRun.jar("VBX_RUNTIME_JAR")) >= 5);
        assertTrue(classFilesAtJava8(LauncherRun.jar("VBX_HELLO_JAR")) >= 1);
    }

    @Test
    public void theRuntimeHasAStableModuleName() throws IOException {
        try (JarFile jar = new JarFile(LauncherRun.jar("VBX_RUNTIME_JAR"))) {
            assertEquals("com.vorbix.runtime", jar.getManifest().getMainAttributes().getValue("Automatic-Module-Name"));
            assertTrue(jar.getEntry("com/vorbix/runtime/WinLauncher.class") != null);
        }
    }
}
