package com.vorbix.runtime;

/** A reason why the application could not be started, with the text shown to the user. */
final class LaunchFailure extends Exception {
    private static final long serialVersionUID = 1L;

    LaunchFailure(String message) {
        super(message);
    }

    LaunchFailure(String message, Throwable cause) {
        super(message, cause);
    }
}
