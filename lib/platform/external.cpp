/* External programs started through the host: the program start with its
** optional wait, the shell that COMSPEC names, and the choice between the
** two for a whole command line. No state of its own. */
#include "lib/platform/external.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "host/mdlcommand.h"
#include "host/mdlexternal.h"
#include "host/mdlsystem.h"
#include "lib/core/util.h"

namespace {

enum : int {
    WAIT_NONE = -1,
    START_FAILED = -101,        /* the error code the console message gives */
    VARIABLE_SIZE = 256,
};

/* Words of the shell's own commands: a line starting with one runs through it. */
const char* const SHELL_COMMANDS[] = {
    "CD", "CHDIR", "CHDSK", "COPY", "DEL", "DIR", "MKDIR", "MD", "MOVE", "PATH", "PRINT", "RENAME", "REN", "XCOPY",
};

bool endsWith(const std::string& s, const char* tail) {
    size_t n = std::strlen(tail);
    return s.size() >= n && s.compare(s.size() - n, n, tail) == 0;
}

bool runsThroughShell(std::string word) {
    for (char& c : word) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    for (const char* s : SHELL_COMMANDS)
        if (word == s) return true;
    return word.size() > 4 && (endsWith(word, ".BAT") || endsWith(word, ".CMD"));
}

}  // namespace

extern "C" ZMLIB_API int zmlibExternal_executeProgram(const char* program, const char* arguments, int* wait) {
    if (zmlibUtil_runningPowerDraft()) return ZMLIB_SUCCESS;
    ExternalProgram* started = mdlExternal_startProgram(program, arguments);
    if (!started) {
        toolSubsystem_printf("Error executing external program\n<%s %s>\nErrorcode %d\n", program ? program : "",
                             arguments ? arguments : "", START_FAILED);
        return ZMLIB_ERROR;
    }
    /* Not waiting: the program runs on by itself, the host keeps its handle. */
    if (!wait || *wait == WAIT_NONE) return ZMLIB_SUCCESS;
    if (started->processId) mdlExternal_wait(started, wait);
    else mdlExternal_terminateProgram(started);
    return ZMLIB_SUCCESS;
}

extern "C" ZMLIB_API int zmlibExternal_executeShellCommand(const char* command, const char* arguments, int* wait) {
    char shell[VARIABLE_SIZE] = "";
    mdlSystem_getenv(shell, "COMSPEC", sizeof shell);
    std::string line = std::string("/C ") + (command ? command : "");
    if (arguments && *arguments) line += std::string(" ") + arguments;
    return zmlibExternal_executeProgram(shell, line.c_str(), wait);
}

extern "C" ZMLIB_API int zmlibExternal_executeSystemCommand(const char* command, const char* arguments, int* wait) {
    return zmlibExternal_executeShellCommand(command, arguments, wait);
}

extern "C" ZMLIB_API int zmlibExternal_executeCommandLine(const char* line, int* wait) {
    std::string text = line ? line : "";
    size_t blank = text.find(' ');
    std::string word = text.substr(0, blank);
    std::string rest = blank == std::string::npos ? std::string() : text.substr(blank + 1);
    const char* arguments = blank == std::string::npos ? nullptr : rest.c_str();
    if (runsThroughShell(word)) return zmlibExternal_executeShellCommand(word.c_str(), arguments, wait);
    return zmlibExternal_executeProgram(word.c_str(), arguments, wait);
}

extern "C" ZMLIB_API int zmlibExternal_openFile(const char* fileName) {
    std::string keyin = std::string("% ") + (fileName ? fileName : "");
    mdlInput_sendKeyin(keyin.c_str(), 0, 0, nullptr);
    return ZMLIB_SUCCESS;
}
