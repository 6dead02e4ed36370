/* The command interpreter program: "cmd /C command line". The words after
** /C (or /K, run the same way: there is no interactive session) are joined
** again into the line, quoting those that hold blanks; a single word is the
** line as it stands. */
#include <windows.h>

#include <cstring>
#include <string>

#include "host/sim/base/base.h"
#include "host/win/programs/cmd/interpreter.h"
#include "host/win/win.h"

int main(int argc, char** argv) {
    int i = 1;
    for (; i < argc; ++i) {
        std::string a = sim::upper(argv[i]);
        if (a == "/C" || a == "/K") break;
        if (a.size() < 2 || a[0] != '/') {
            i = argc;
            break;
        }
    }
    if (i >= argc) ExitProcess(0); /* no command: nothing to run without a console */
    /* One word after /C is the line itself, as system() hands it over. */
    std::string line = i + 2 == argc ? argv[i + 1] : "";
    for (int k = i + 1; i + 2 != argc && k < argc; ++k) {
        std::string word = argv[k];
        line += (line.empty() ? "" : " ") + (word.find_first_of(" \t") != std::string::npos ? "\"" + word + "\"" : word);
    }
    ExitProcess(static_cast<UINT>(cmd::runLine(line)));
}
