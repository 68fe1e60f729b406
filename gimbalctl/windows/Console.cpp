// The console gimbalctl writes to on Windows: UTF-8 text, and the terminal
// sequences the progress bars redraw with.

#include <windows.h>

#include "gimbalctl/Commands.h"

namespace gimbalctl {

void installMainLoop() {
    ::SetConsoleOutputCP(CP_UTF8);
    HANDLE out = ::GetStdHandle(STD_OUTPUT_HANDLE);
    DWORD mode = 0;
    if (::GetConsoleMode(out, &mode)) {
        ::SetConsoleMode(out, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING);
    }
}

}  // namespace gimbalctl
