/* msvcrt: the run-time library's system(), which on Windows hands the line
** to the command interpreter COMSPEC names ("/c line") and answers its exit
** status. Defined here it takes the place of the C library's for every
** module of a process that loads the layer; without COMSPEC the C
** library's own runs, so that tools of this machine keep their shell. */
#include <windows.h>

#include <dlfcn.h>

#include <string>

#include "host/sim/system/system.h"
#include "host/win/win.h"

extern "C" __attribute__((visibility("default"))) int system(const char* command) {
    std::optional<std::string> shell = sim::variableValue("COMSPEC");
    if (!shell || shell->empty()) {
        using SystemFunction = int (*)(const char*);
        static SystemFunction own = reinterpret_cast<SystemFunction>(::dlsym(RTLD_NEXT, "system"));
        return own ? own(command) : -1;
    }
    std::string program = win::findProgram(*shell, {});
    if (!command) return program.empty() ? 0 : 1;
    if (program.empty()) return -1;
    int pid = sim::startProcess(program, {"/c", command});
    uint32_t code = 0;
    if (pid < 0 || !sim::waitProcess(pid, -1, &code)) return -1;
    return static_cast<int>(code);
}
