/* Platform API of file dialogs: the scripted user chooses the file; the
** host joins it to the default folder (given, or the first of a
** configuration variable's list) and checks its length. */
#include "host/mdldialog.h"
#include "host/sim/base/base.h"
#include "host/sim/dialogs/dialog_int.h"
#include "host/sim/system/system.h"

using namespace sim::dialogs;

namespace {

bool isAbsolute(const std::string& p) {
    return !p.empty() && (p[0] == '/' || p[0] == '\\' || (p.size() > 1 && p[1] == ':'));
}

StatusInt fileDialog(bool create, char* fileName, const char* defaultName, const char* defaultDir, const char* title) {
    if (!fileName) return HOST_ERROR;
    std::string t = title ? title : "";
    std::string name = defaultName ? defaultName : "";
    if (!answerFileDialog(t, create, name)) return 1;
    std::string dir = defaultDir ? defaultDir : "";
    if (!isAbsolute(name) && !dir.empty()) {
        char last = dir.back();
        name = dir + (last == '/' || last == '\\' ? "" : "\\") + name;
    }
    if (name.size() >= MAXFILELENGTH) {
        sim::addOutput(sim::OutputKind::Host, 0, "File dialog \"" + t + "\": file name longer than " +
                                                     std::to_string(MAXFILELENGTH - 1) + " characters; cancelled");
        return 1;
    }
    sim::copyFixed(fileName, MAXFILELENGTH, name);
    return 0;
}

std::string directoryOfVariable(const char* var) {
    if (!var || !*var) return {};
    auto v = sim::variableValue(var);
    if (!v) return {};
    std::vector<std::string> dirs = sim::splitList(*v);
    return dirs.empty() ? std::string() : dirs.front();
}

}  // namespace

HOST_API StatusInt mdlDialog_fileOpen(char* fileName, RscFileHandle file, int32_t dialogId, const char* defaultName,
                                      const char* filter, const char* defaultDir, const char* title) {
    return fileDialog(false, fileName, defaultName, defaultDir, title);
}

HOST_API StatusInt mdlDialog_fileCreate(char* fileName, RscFileHandle file, int32_t dialogId,
                                        const char* defaultName, const char* filter, const char* defaultDir,
                                        const char* title) {
    return fileDialog(true, fileName, defaultName, defaultDir, title);
}

HOST_API StatusInt mdlDialog_defFileOpen(char* fileName, const char* defaultName, const char* filter,
                                         const char* defaultDirVar, const char* title, int32_t fileDialogId) {
    std::string dir = directoryOfVariable(defaultDirVar);
    return fileDialog(false, fileName, defaultName, dir.empty() ? nullptr : dir.c_str(), title);
}

HOST_API StatusInt mdlDialog_defFileCreate(char* fileName, const char* defaultName, const char* filter,
                                           const char* defaultDirVar, const char* title, int32_t fileDialogId) {
    std::string dir = directoryOfVariable(defaultDirVar);
    return fileDialog(true, fileName, defaultName, dir.empty() ? nullptr : dir.c_str(), title);
}
