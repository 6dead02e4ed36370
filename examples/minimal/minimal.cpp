/* The smallest add-in: greets from a configuration variable, tells how it
** was loaded, shows messages from its own resource file and, when
** MINIMAL_REFUSE_UNLOAD is set (defined, not empty and not "0"), refuses an
** ordinary unload (a forced one always goes). */
#include <cstring>

#include "host/mdlresource.h"
#include "host/mdlsystem.h"

#define MINIMAL_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

enum { MSGLIST_MINIMAL = 1, MSG_FROM_RESOURCES = 1, MSG_READY = 2 };

RscFileHandle ownResources = 0;  /* open from MdlMain until unloaded */

bool refuseUnload() {
    char value[16];
    if (mdlSystem_getenv(value, "MINIMAL_REFUSE_UNLOAD", sizeof value) != 0) return false;
    return value[0] && std::strcmp(value, "0") != 0;
}

/* Answer the host's unload request: 1 keeps the add-in loaded. */
int minimal_unload(int unloadType) {
    if (unloadType >= 0 && refuseUnload()) {
        toolSubsystem_printf("minimal: unload refused\n");
        return 1;
    }
    toolSubsystem_printf("minimal: unloading (type %d)\n", unloadType);
    if (ownResources) mdlResource_closeFile(ownResources);
    ownResources = 0;
    return 0;
}

void minimal_newDesignFile(const char* fileName, int state) {
    toolSubsystem_printf("minimal: design file %s, state %d\n", fileName ? fileName : "", state);
}

/* The last path component of PATH, either separator. */
const char* baseName(const char* path) {
    const char* b = path;
    for (const char* p = path; *p; ++p)
        if (*p == '/' || *p == '\\') b = p + 1;
    return b;
}

}  // namespace

/* Called by other applications through dlmSystem_callMdlFunction("ID", ...). */
MINIMAL_EXPORT int minimal_scale(int value, double factor) { return static_cast<int>(value * factor); }

MINIMAL_EXPORT int MdlMain(int argc, char* argv[]) {
    char greeting[256];
    if (mdlSystem_getenv(greeting, "MINIMAL_GREETING", sizeof greeting) != 0)
        std::strcpy(greeting, "MINIMAL_GREETING is not defined");
    toolSubsystem_printf("minimal: %s\n", greeting);
    toolSubsystem_printf("minimal: loaded from %s as task %s", argc > 0 ? baseName(argv[0]) : "?",
                         mdlSystem_getCurrTaskID());
    if (argc > 1 && argv[1][0]) toolSubsystem_printf(" through %s", argv[1]);
    for (int i = 2; i < argc; ++i) toolSubsystem_printf(i == 2 ? " with %s" : " %s", argv[i]);
    toolSubsystem_printf("\n");
    mdlSystem_setFunction(SYSTEM_UNLOAD_PROGRAM, reinterpret_cast<void*>(minimal_unload));
    mdlSystem_setFunction(SYSTEM_NEW_DESIGN_FILE, reinterpret_cast<void*>(minimal_newDesignFile));
    mdlSystem_setMdlAppVersionNumber(mdlSystem_getCurrMdlDesc(), 0x00010203);
    if (mdlResource_openFile(&ownResources, nullptr, 0) == RSC_SUCCESS) {
        char text[1024];
        if (mdlOutput_rscsPrintf(text, ownResources, MSGLIST_MINIMAL, MSG_FROM_RESOURCES, MSG_FROM_RESOURCES,
                                 MSGLIST_MINIMAL) == RSC_SUCCESS)
            toolSubsystem_printf("%s\n", text);
        mdlOutput_rscPrintf(MSG_STATUS, ownResources, MSGLIST_MINIMAL, MSG_READY);
    } else {
        toolSubsystem_printf("minimal: my resource file cannot be opened\n");
    }
    return 0;
}
