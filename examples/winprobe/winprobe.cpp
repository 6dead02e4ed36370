/* An add-in built on the library that reaches its external programs and
** Windows services by key-in, one library call each, printing what it
** answers:
**     winprobe start PROGRAM [ARGUMENTS]   start without waiting ($(VAR) expanded)
**     winprobe run COMMAND LINE            run and wait, through the shell where it belongs
**     winprobe connect SERVICE TOPIC       open the DDE conversation
**     winprobe send COMMAND                send a command over it
**     winprobe replace NAME VALUE          replace a placeholder by a value
**     winprobe disconnect                  close it
**     winprobe registry SUBKEY VALUE       read a registry value
**     winprobe printers                    list the network printers
**     winprobe unc PATH                    the universal name of a path */
#include <cstdint>
#include <cstring>
#include <string>

#include "host/mdlcommand.h"
#include "host/mdlresource.h"
#include "host/mdlsystem.h"
#include "lib/core/main.h"
#include "lib/platform/external.h"
#include "lib/platform/win32.h"

#define WINPROBE_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

enum : CommandNumber {
    CMD_WINPROBE_START = 0x03000001,
    CMD_WINPROBE_RUN = 0x03000002,
    CMD_WINPROBE_CONNECT = 0x03000003,
    CMD_WINPROBE_SEND = 0x03000004,
    CMD_WINPROBE_REPLACE = 0x03000005,
    CMD_WINPROBE_DISCONNECT = 0x03000006,
    CMD_WINPROBE_REGISTRY = 0x03000007,
    CMD_WINPROBE_PRINTERS = 0x03000008,
    CMD_WINPROBE_UNC = 0x03000009,
};

std::string text(const char* unparsed) { return unparsed ? unparsed : ""; }

/* The first word of TEXT, REST the others. */
std::string split(const std::string& line, std::string& rest) {
    size_t blank = line.find(' ');
    rest = blank == std::string::npos ? std::string() : line.substr(line.find_first_not_of(' ', blank));
    if (rest.find_first_not_of(' ') == std::string::npos) rest.clear();
    return line.substr(0, blank);
}

std::string expanded(const std::string& s) {
    char* e = mdlSystem_expandCfgVar(s.c_str());
    std::string out = e ? e : s;
    if (e) dlmSystem_mdlFree(e);
    return out;
}

void cmdStart(char* unparsed) {
    std::string rest;
    std::string program = expanded(split(text(unparsed), rest));
    int wait = -1;
    int status = zmlibExternal_executeProgram(program.c_str(), rest.empty() ? nullptr : rest.c_str(), &wait);
    toolSubsystem_printf("winprobe: start answers %d\n", status);
}

void cmdRun(char* unparsed) {
    int wait = 0;
    int status = zmlibExternal_executeCommandLine(expanded(text(unparsed)).c_str(), &wait);
    toolSubsystem_printf("winprobe: run answers %d, exit status %d\n", status, wait);
}

void cmdConnect(char* unparsed) {
    std::string topic;
    std::string service = split(text(unparsed), topic);
    toolSubsystem_printf("winprobe: connect answers %d\n", zmlibWin32_DdeInitialize(service.c_str(), topic.c_str()));
}

void cmdSend(char* unparsed) { zmlibWin32_DdeSendMessage(text(unparsed).c_str()); }

void cmdReplace(char* unparsed) {
    std::string value;
    std::string name = split(text(unparsed), value);
    zmlibWin32_DdeReplaceText(name.c_str(), value.data());
    toolSubsystem_printf("winprobe: replaced %s by %s\n", name.c_str(), value.c_str());
}

void cmdDisconnect(char*) { toolSubsystem_printf("winprobe: disconnect answers %d\n", zmlibWin32_DdeDisconnect()); }

void cmdRegistry(char* unparsed) {
    std::string value;
    std::string key = split(text(unparsed), value);
    char data[256] = "";
    uint32_t type = 0;
    int bytes = zmlibWin32_getRegistryValue(key.c_str(), value.c_str(), &type, data, sizeof data - 1);
    if (type == 1 && bytes > 0) toolSubsystem_printf("winprobe: %d bytes, text \"%s\"\n", bytes, data);
    else toolSubsystem_printf("winprobe: %d bytes, type %u\n", bytes, static_cast<unsigned>(type));
}

void cmdPrinters(char*) {
    StringList* list = zmlibWin32_findWindowsPrinterNames();
    if (!list) {
        toolSubsystem_printf("winprobe: no network printers\n");
        return;
    }
    for (int i = 0; i + 1 < mdlStringList_size(list); i += 2) {
        const char* name = nullptr;
        const char* path = nullptr;
        mdlStringList_getMember(&name, nullptr, list, i);
        mdlStringList_getMember(&path, nullptr, list, i + 1);
        toolSubsystem_printf("winprobe: printer %s at %s\n", name, path);
    }
    mdlStringList_destroy(list);
}

void cmdUnc(char* unparsed) {
    char unc[260] = "";
    int found = zmlibWin32_getGetUniversalFileName(text(unparsed).c_str(), unc);
    toolSubsystem_printf("winprobe: universal name answers %d %s\n", found, unc);
}

const MdlCommandNumber commandNumbers[] = {
    {cmdStart,      CMD_WINPROBE_START},
    {cmdRun,        CMD_WINPROBE_RUN},
    {cmdConnect,    CMD_WINPROBE_CONNECT},
    {cmdSend,       CMD_WINPROBE_SEND},
    {cmdReplace,    CMD_WINPROBE_REPLACE},
    {cmdDisconnect, CMD_WINPROBE_DISCONNECT},
    {cmdRegistry,   CMD_WINPROBE_REGISTRY},
    {cmdPrinters,   CMD_WINPROBE_PRINTERS},
    {cmdUnc,        CMD_WINPROBE_UNC},
    {nullptr,       0},
};

}  // namespace

WINPROBE_EXPORT int MdlMain(int argc, char* argv[]) {
    zmlibMain_initZmLib("WinProbe", argc, argv);
    mdlSystem_registerCommandNumbers(commandNumbers);
    if (!mdlParse_loadCommandTable(0)) toolSubsystem_printf("winprobe: no command table\n");
    return 0;
}
