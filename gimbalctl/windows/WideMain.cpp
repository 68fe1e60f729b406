// gimbalctl's entry on Windows. Windows holds the command line in UTF-16;
// main(int, char**) would see it through the ANSI code page, which turns
// 固件.1plov into ??.1plov. Taken as UTF-16 here (linked with -municode)
// and handed to the shared entry in UTF-8, as Linux hands it over.

#include <string>
#include <vector>

#include "gimbalctl/Commands.h"
#include "unitupgrade/windows/Utf8.h"

int wmain(int argc, wchar_t** argv) {
    std::vector<std::string> args;
    for (int k = 0; k < argc; ++k) args.push_back(gimbalctl::windows::utf8(argv[k]));
    std::vector<char*> pointers;
    for (std::string& arg : args) pointers.push_back(arg.data());
    pointers.push_back(nullptr);
    return gimbalctl::runProgram(argc, pointers.data());
}
