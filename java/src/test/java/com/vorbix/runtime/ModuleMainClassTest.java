package com.vorbix.runtime;

import static org.junit.Assert.assertEquals;
import static org.junit.Assert.assertTrue;

import java.io.File;
import java.io.FileOutputStream;
import java.io.IOException;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.List;
import java.util.jar.JarEntry;
import java.util.jar.JarOutputStream;
import java.util.stream.Collectors;
import java.util.stream.Stream;

import javax.tools.JavaCompiler;
import javax.tools.ToolProvider;

import org.junit.Before;
import org.junit.Rule;
import org.junit.Test;
import org.junit.rules.TemporaryFolder;

/**
 * A main class given as "/module/class": found in the boot layer's named module. The
 * VM options are those the launcher builds for such a class: the runtime and the
 * application module on the module path, both added, the main package opened to the
 * runtime.
 */
public class ModuleMainClassTest {
    @Rule
    public TemporaryFolder temp = new TemporaryFolder();

    private File moduleJar;
    private File emptyDir;

    @Before
    public void buildModule() throws IOException {
        File src = temp.newFolder("src");
        write(new File(src, "module-info.java"), "module hello.mod { }\n");
        write(new File(src, "hello/pkg/Main.java"),
                "package hello.pkg;\n"
                + "public class Main {\n"
                + "  public static void main(String[] args) {\n"
                + "    System.out.println(\"in \" + Main.class.getModule().getName() + \":\" + String.join(\"|\", args));\n"
                + "  }\n"
                + "}\n");
        File classes = temp.newFolder("classes");
        JavaCompiler javac = ToolProvider.getSystemJavaCompiler();
        int rc = javac.run(null, null, null, "-d", classes.getPath(),
                new File(src, "module-info.java").getPath(), new File(src, "hello/pkg/Main.java").getPath());
        assertEquals("module compiles", 0, rc);
        moduleJar = new File(temp.getRoot(), "hello.mod.jar");
        jar(classes.toPath(), moduleJar);
        emptyDir = temp.newFolder("empty");
    }

    private static void write(File file, String text) throws IOException {
        file.getParentFile().mkdirs();
        Files.write(file.toPath(), text.getBytes(StandardCharsets.UTF_8));
    }

    private static void jar(Path root, File target) throws IOException {
        List<Path> files;
        try (Stream<Path> walk = Files.walk(root)) {
            files = walk.filter(Files::isRegularFile).collect(Collectors.toList());
        }
        try (JarOutputStream out = new JarOutputStream(new FileOutputStream(target))) {
            for (Path file : files) {
                out.putNextEntry(new JarEntry(root.relativize(file).toString().replace(File.separatorChar, '/')));
                out.write(Files.readAllBytes(file));
                out.closeEntry();
            }
        }
    }

    private LauncherRun asTheLauncherStartsIt() {
        return new LauncherRun(temp.getRoot()).classPath(emptyDir.getPath()).vm(
                "--module-path", LauncherRun.jar("VBX_RUNTIME_JAR") + File.pathSeparator + moduleJar.getPath(),
                "--add-modules", "hello.mod,com.vorbix.runtime",
                "--add-opens", "hello.mod/hello.pkg=com.vorbix.runtime");
    }

    @Test
    public void aClassInANamedModuleRunsWithItsArguments() throws Exception {
        LauncherRun run = asTheLauncherStartsIt().run("false", "/hello.mod/hello.pkg.Main", "", "", "false", "a", "b");
        assertEquals(run.stderr(), 0, run.exitCode());
        assertEquals("in hello.mod:a|b\n", run.stdout());
    }

    @Test
    public void aMissingModuleOrClassIsReported() throws Exception {
        LauncherRun run = asTheLauncherStartsIt().run("false", "/no.such.mod/x.Y", "", "", "false");
        assertEquals(1, run.exitCode());
        assertTrue(run.stderr(), run.stderr().contains("module no.such.mod of main class x.Y is not in the boot layer"));

        run = asTheLauncherStartsIt().run("false", "/hello.mod/hello.pkg.Nope", "", "", "false");
        assertEquals(1, run.exitCode());
        assertTrue(run.stderr(), run.stderr().contains("main class hello.pkg.Nope not found in module hello.mod"));
    }

    @Test
    public void aPackageNotOpenedToTheRuntimeIsReported() throws Exception {
        LauncherRun run = new LauncherRun(temp.getRoot()).classPath(LauncherRun.jar("VBX_RUNTIME_JAR"))
                .vm("--module-path", moduleJar.getPath(), "--add-modules", "hello.mod")
                .run("false", "/hello.mod/hello.pkg.Main", "", "", "false");
        assertEquals(1, run.exitCode());
        assertTrue(run.stderr(), run.stderr().contains("main of hello.pkg.Main is not accessible"));
    }
}
