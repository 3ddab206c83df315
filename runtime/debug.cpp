// Printing, fatal errors and the debugger stop protocol.

#include "runtime/debug.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
// <unistd.h>: one write() per printed line, and isatty() to tell a person from a debugger.
#include <unistd.h>

// ---------------------------------------------------------------------------------------------
// Globals

String dbg_exstack;
int dbg_stepmode;

namespace {

void write_all(int fd, const char *p, std::size_t n) {
    while (n > 0) {
        ssize_t w = ::write(fd, p, n);
        if (w <= 0) return;
        p += w;
        n -= static_cast<std::size_t>(w);
    }
}

// The debugger speaks through a pipe or a file on standard input. A terminal is a person who
// cannot answer the protocol, so the game must not sit frozen waiting for a command line.
bool debugger_attached() {
    return !::isatty(0);
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Output

void ktPrint(const String &text) {
    const Char *units = text.Data();
    const Char *end = std::find(units, units + text.Length(), Char(0));
    int n = static_cast<int>(end - units);
    std::string line;
    line.reserve(static_cast<std::size_t>(n) + 1);
    kt_utf8_encode(text.Data(), n, line);
    line += '\n';
    std::fflush(stdout);
    write_all(1, line.data(), line.size());
}

void ktDebugLog(const String &text) {
    ktPrint(text);
}

void dbg_print(const String &text) {
    std::string line = text.ToNarrow() + "\n";
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
}

String dbg_stacktrace() {
    return String();
}

// ---------------------------------------------------------------------------------------------
// Errors

void ktError(const String &message) {
    if (message.Length() == 0) {
        std::fflush(stdout);
        std::exit(0);
    }
    dbg_error(message.ToNarrow().c_str());
}

void dbg_error(const char *message) {
    for (;;) {
        ktPrint(String("Vantor Runtime Error : ") + String(message));
        ktPrint(dbg_stacktrace());
        dbg_stop();
    }
}

void dbg_stop() {
    std::fputs("{{~~~~}}\n\n", stderr);
    std::fflush(stderr);
    if (!debugger_attached()) std::exit(-1);
    for (;;) {
        char buf[257];
        if (!std::fgets(buf, sizeof buf, stdin)) std::exit(-1);
        std::size_t len = std::strlen(buf);
        if (len == 0 || buf[len - 1] != '\n') std::exit(-1);
        switch (buf[0]) {
            case '?':
                continue;
            case '@': {
                // Only a live language object is asked for its text: any other address (stale,
                // mistyped, an array) would crash the program being debugged.
                auto *g = reinterpret_cast<gc_object *>(std::strtoull(buf + 1, nullptr, 0));
                Object *o = gc_is_live(g) ? dynamic_cast<Object *>(g) : nullptr;
                dbg_print(o ? o->debug() : String());
                continue;
            }
            case 'r':
                dbg_stepmode = 0;
                return;
            case 's':
            case 'e':
            case 'l':
                dbg_stepmode = buf[0];
                return;
            case 'q':
                std::exit(0);
            default:
                buf[len - 1] = 0;
                ktPrint(String("????? ") + String(buf) + String(" ?????"));
                std::exit(-1);
        }
    }
}

void ktDebugStop() {
    dbg_stop();
}

void dbg_throw(ThrowableObject *object) {
    dbg_exstack = dbg_stacktrace();
    throw object;
}
