package com.vorbix.runtime;

import java.lang.reflect.InvocationTargetException;
import java.lang.reflect.Method;
import java.lang.reflect.Modifier;
import java.util.Optional;

/**
 * The application's main class: found from the launcher's class parameter, with its
 * {@code main} and its optional {@code stop}.
 */
final class MainClass {
    private final Class<?> type;
    private final Method main;

    private MainClass(Class<?> type, Method main) {
        this.type = type;
        this.main = main;
    }

    String name() {
        return type.getName();
    }

    /**
     * Finds the class. {@code name} is a class name, or "/" followed by a module name,
     * "/" and a class name for a class in a named module of the boot layer.
     */
    static MainClass resolve(String name) throws LaunchFailure {
        if (name.isEmpty() || name.equals("/")) {
            throw new LaunchFailure("no main class is configured");
        }
        Class<?> type;
        if (name.startsWith("/")) {
            String rest = name.substring(1);
            int slash = rest.indexOf('/');
            if (slash > 0) {
                type = loadFromModule(rest.substring(0, slash), rest.substring(slash + 1));
            } else {
                // No module name given: the class path loader also sees the boot layer's modules.
                type = loadFromClassPath(slash == 0 ? rest.substring(1) : rest);
            }
        } else {
            type = loadFromClassPath(name);
        }
        return new MainClass(type, findMain(type));
    }

    private static Class<?> loadFromClassPath(String name) throws LaunchFailure {
        try {
            return Class.forName(name, false, ClassLoader.getSystemClassLoader());
        } catch (ClassNotFoundException e) {
            throw new LaunchFailure("main class " + name + " not found (class path: "
                    + System.getProperty("java.class.path", "") + ")");
        } catch (LinkageError e) {
            throw new LaunchFailure("main class " + name + " cannot be loaded: " + e, e);
        }
    }

    /** Java 9 API through reflection, so that this class still loads on a Java 8 VM. */
    private static Class<?> loadFromModule(String moduleName, String className) throws LaunchFailure {
        Class<?> layerType;
        Class<?> moduleType;
        try {
            layerType = Class.forName("java.lang.ModuleLayer");
            moduleType = Class.forName("java.lang.Module");
        } catch (ClassNotFoundException e) {
            throw new LaunchFailure("main class " + className + " lives in the module " + moduleName
                    + ", but Java " + System.getProperty("java.version")
                    + " has no module system; Java 9 or later is needed");
        }
        Object module;
        try {
            Object boot = layerType.getMethod("boot").invoke(null);
            Optional<?> found = (Optional<?>) layerType.getMethod("findModule", String.class).invoke(boot, moduleName);
            if (!found.isPresent()) {
                throw new LaunchFailure("module " + moduleName + " of main class " + className
                        + " is not in the boot layer (module path: "
                        + System.getProperty("jdk.module.path", "") + ")");
            }
            module = found.get();
        } catch (ReflectiveOperationException e) {
            throw new LaunchFailure("cannot look up module " + moduleName + ": " + unwrap(e), unwrap(e));
        }
        Object type;
        try {
            type = Class.class.getMethod("forName", moduleType, String.class).invoke(null, module, className);
        } catch (InvocationTargetException e) {
            throw new LaunchFailure("main class " + className + " cannot be loaded from module " + moduleName
                    + ": " + e.getCause(), e.getCause());
        } catch (ReflectiveOperationException e) {
            throw new LaunchFailure("cannot look up class " + className + " in module " + moduleName + ": " + e, e);
        }
        if (type == null) {
            throw new LaunchFailure("main class " + className + " not found in module " + moduleName);
        }
        return (Class<?>) type;
    }

    private static Method findMain(Class<?> type) throws LaunchFailure {
        Method main;
        try {
            main = type.getMethod("main", String[].class);
        } catch (NoSuchMethodException e) {
            main = null;
        } catch (LinkageError e) {
            throw new LaunchFailure("main class " + type.getName() + " cannot be linked: " + e, e);
        }
        if (main == null || !Modifier.isStatic(main.getModifiers()) || main.getReturnType() != void.class) {
            throw new LaunchFailure("main class " + type.getName()
                    + " has no method public static void main(String[])");
        }
        makeAccessible(main);
        return main;
    }

    /** The class's {@code public static void stop()}, or null when it has none. */
    Method findStop() {
        try {
            Method stop = type.getMethod("stop");
            if (Modifier.isStatic(stop.getModifiers()) && stop.getParameterTypes().length == 0) {
                makeAccessible(stop);
                return stop;
            }
        } catch (NoSuchMethodException | LinkageError e) {
            // No stop method: shutdown hooks alone end the application.
        }
        return null;
    }

    /**
     * Calls main. The application's own exceptions come back as the cause of an
     * InvocationTargetException; a failed static initialisation as ExceptionInInitializerError.
     */
    void runMain(String[] args) throws LaunchFailure, InvocationTargetException {
        try {
            main.invoke(null, (Object) args);
        } catch (IllegalAccessException e) {
            throw new LaunchFailure("main of " + type.getName() + " is not accessible: " + e.getMessage()
                    + " (a class in a named module must open its package to com.vorbix.runtime)", e);
        }
    }

    /**
     * Classes that are not public, or whose package is only opened to this runtime,
     * are still started, as the java command would start them.
     */
    private static void makeAccessible(Method method) {
        try {
            method.setAccessible(true);
        } catch (RuntimeException e) {
            // Not opened to us: invoke reports it if access is really missing.
        }
    }

    private static Throwable unwrap(ReflectiveOperationException e) {
        return e instanceof InvocationTargetException && e.getCause() != null ? e.getCause() : e;
    }
}
