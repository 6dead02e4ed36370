/* Test add-in of the selection dialogs: "filepick search" asks for drawings
** and text files with the batch file selector, starting in the folder ZM_DATA
** names, and prints the chosen files and the folder and patterns it ends in. */
#include "host/mdlcommand.h"
#include "host/mdlresource.h"
#include "host/mdlsystem.h"
#include "lib/core/main.h"
#include "lib/dialogs/select.h"

namespace {

enum : CommandNumber { CMD_FILEPICK_SEARCH = 0x01000001 };

ZmFileSelection selection{};

void cmdSearch(char*) {
    StringList* files = zmlibDialog_searchFiles(&selection, "Drawings to plot", "*.dgn;*.txt", "ZM_DATA");
    if (!files) {
        toolSubsystem_printf("filepick: nothing chosen\n");
        return;
    }
    int count = mdlStringList_size(files);
    toolSubsystem_printf("filepick: %d files from %s (%s), status %d\n", count, selection.directory,
                         selection.pattern, selection.status);
    for (int i = 0; i < count; ++i) {
        const char* name = nullptr;
        if (mdlStringList_getMember(&name, nullptr, files, i) == 0 && name) toolSubsystem_printf("  %s\n", name);
    }
    mdlStringList_destroy(files);
}

const MdlCommandNumber commandNumbers[] = {
    {cmdSearch, CMD_FILEPICK_SEARCH},
    {nullptr, 0},
};

}  // namespace

extern "C" __attribute__((visibility("default"))) int MdlMain(int argc, char* argv[]) {
    zmlibMain_initZmLib("filepick", argc, argv);
    mdlSystem_registerCommandNumbers(commandNumbers);
    if (!mdlParse_loadCommandTable(0)) toolSubsystem_printf("filepick: no command table\n");
    return 0;
}
