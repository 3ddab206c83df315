// Text output and the fatal-error path of the runtime.
//
// ktPrint writes one UTF-8 line with one write and flushes. A fatal error prints
// "Vantor Runtime Error : " and the message, then follows the debugger stop protocol on standard
// input; with no debugger (no input, or a terminal rather than a pipe) it ends with status -1.
#pragma once

#include "runtime/gc.h"
#include "runtime/ktstring.h"

// The language's exception object; only ever thrown as a fatal path.
struct ThrowableObject : Object {
    String debug() override { return String("+ThrowableObject"); }
};

void ktPrint(const String &text);
void ktDebugLog(const String &text);
// Empty message: ends the process with status 0, printing nothing. Otherwise a fatal error.
[[noreturn]] void ktError(const String &message);
[[noreturn]] void dbg_error(const char *message);
void dbg_print(const String &text);
String dbg_stacktrace();
// The stop protocol; returns when the debugger says to continue or step.
void dbg_stop();
void ktDebugStop();
// Records the stack text and throws `object` as a language exception.
[[noreturn]] void dbg_throw(ThrowableObject *object);
// The stack text recorded by the last dbg_throw.
extern String dbg_exstack;
// Set by the debugger's "s", "e" and "l" commands.
extern int dbg_stepmode;
