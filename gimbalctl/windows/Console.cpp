// The console gimbalctl writes to on Windows: the same bytes as on Linux
// (line feeds not turned into CR LF, so scripts and JSON readers see one
// output everywhere), UTF-8 text (the console's own code page put back at
// exit), and the terminal sequences the progress bars redraw with. Set
// before main, so that even a command line that cannot be parsed is answered
// that way.

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>

#include "gimbalctl/Commands.h"

namespace gimbalctl {
namespace {

UINT consoleCodePage = 0;  // the console's own, put back at exit for the shell

void restoreCodePage() { ::SetConsoleOutputCP(consoleCodePage); }

bool prepareConsole() {
    ::_setmode(::_fileno(stdout), _O_BINARY);
    ::_setmode(::_fileno(stderr), _O_BINARY);
    consoleCodePage = ::GetConsoleOutputCP();  // 0 without a console
    if (consoleCodePage != 0 && consoleCodePage != CP_UTF8 && ::SetConsoleOutputCP(CP_UTF8)) {
        std::atexit(restoreCodePage);
    }
    HANDLE out = ::GetStdHandle(STD_OUTPUT_HANDLE);
    DWORD mode = 0;
    if (::GetConsoleMode(out, &mode)) {
        ::SetConsoleMode(out, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING);
    }
    return true;
}

const bool consolePrepared = prepareConsole();

}  // namespace

void installMainLoop() {}  // no main loop: each line's pump waits on the line itself

}  // namespace gimbalctl
