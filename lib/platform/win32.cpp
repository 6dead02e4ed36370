/* Programs and services reached through Windows directly. State: the one
** DDE conversation of the process (instance, string handles of service and
** topic, conversation). */
#include "lib/platform/win32.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <windows.h>

#include <ddeml.h>

#include "host/mdlplot.h"
#include "host/mdlresource.h"
#include "host/mdlsystem.h"
#include "lib/core/main.h"
#include "lib/output/printsetup_int.h"
#include "lib/platform/win32_int.h"

namespace {

using zmlib::win32::COMMAND_LINE_SIZE;
using zmlib::win32::DDE_COMMAND_SIZE;

enum : int {
    DDE_TIMEOUT_MS = 5000,
    UNIVERSAL_NAME_BUFFER = 260,
    PRINTER_INFO_FIELDS = 2,
    ADVISE_DATA_MAX = 199,     /* bytes of advise data the callback reads */
};

struct DdeState {
    DWORD instance;
    HSZ service;
    HSZ topic;
    HCONV conversation;
};
DdeState dde{};

/* COMMAND and ARGUMENTS joined by one blank; false when longer than LIMIT - 1. */
bool joinLine(const char* command, const char* arguments, size_t limit, std::string& line) {
    line = command ? command : "";
    if (arguments && *arguments) line += std::string(" ") + arguments;
    return line.size() < limit;
}

/* The bytes of VALUENAME under SUBKEY of HIVE, 0 when missing or not read. */
int readValue(HKEY hive, const char* subKey, const char* valueName, uint32_t* type, void* data, int size) {
    HKEY key = nullptr;
    if (size < 0 || RegOpenKeyExA(hive, subKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return 0;
    DWORD bytes = static_cast<DWORD>(size);
    LONG r = RegQueryValueExA(key, valueName, nullptr, reinterpret_cast<LPDWORD>(type), static_cast<LPBYTE>(data), &bytes);
    RegCloseKey(key);
    return r == ERROR_SUCCESS ? static_cast<int>(bytes) : 0;
}

/* The answers the library's client gives the transactions it is offered. */
HDDEDATA CALLBACK ddeCallback(UINT type, UINT, HCONV, HSZ, HSZ, HDDEDATA data, ULONG_PTR, ULONG_PTR) {
    const HDDEDATA refuse = reinterpret_cast<HDDEDATA>(static_cast<uintptr_t>(ZMLIB_ERROR));
    switch (type) {
    case XTYP_ADVSTART: case XTYP_CONNECT: case XTYP_ADVREQ: case XTYP_REQUEST:
    case XTYP_WILDCONNECT: case XTYP_EXECUTE: case XTYP_POKE:
        return nullptr;
    case XTYP_ADVDATA: {
        BYTE buffer[ADVISE_DATA_MAX + 1];
        DdeGetData(data, buffer, ADVISE_DATA_MAX, 0);
        return refuse;
    }
    case XTYP_ADVSTOP: case XTYP_ERROR: case XTYP_CONNECT_CONFIRM: case XTYP_REGISTER:
    case XTYP_DISCONNECT: case XTYP_UNREGISTER: case XTYP_MONITOR:
        return refuse;
    case XTYP_XACT_COMPLETE: {
        BYTE buffer[ADVISE_DATA_MAX + 1];
        if (data) DdeGetData(data, buffer, ADVISE_DATA_MAX, 0);
        return reinterpret_cast<HDDEDATA>(static_cast<uintptr_t>(1));
    }
    default:
        return nullptr;
    }
}

/* Close the conversation and give back the instance and its handles. */
int endDde() {
    int status = 0;
    if (dde.conversation) status = DdeDisconnect(dde.conversation);
    if (dde.instance) {
        if (dde.service) DdeFreeStringHandle(dde.instance, dde.service);
        if (dde.topic) DdeFreeStringHandle(dde.instance, dde.topic);
        DdeUninitialize(dde.instance);
    }
    dde = DdeState{};
    return status;
}

char decimalSeparator() {
    ZmGlobalData* gd = zmlibMain_getGlobalDataP();
    if (!gd || !gd->dialogBlock || !gd->dialogBlock[ZMGD_DIALOG_SEPARATOR_OFFSET]) return ',';
    return gd->dialogBlock[ZMGD_DIALOG_SEPARATOR_OFFSET];
}

}  // namespace

namespace zmlib::win32 {

std::string spreadsheetText(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '"') out += '"';
        out += c;
    }
    return out + "\"";
}

bool ddeConnected() { return dde.conversation != nullptr; }

void resetForTests() { endDde(); }

}  // namespace zmlib::win32

extern "C" ZMLIB_API int zmlibWin32_execCommand(const char* command, const char* arguments) {
    std::string line;
    if (!joinLine(command, arguments, COMMAND_LINE_SIZE, line)) return ZMLIB_ERROR;
    return std::system(line.c_str());
}

extern "C" ZMLIB_API int zmlibWin32_execCommandAndWait(const char* command, const char* arguments, int show) {
    std::string line;
    if (!joinLine(command, arguments, COMMAND_LINE_SIZE, line)) return 0;
    std::vector<char> writable(line.begin(), line.end());
    writable.push_back('\0');
    STARTUPINFOA startup;
    GetStartupInfoA(&startup);
    startup.dwFlags |= STARTF_USESHOWWINDOW;
    startup.wShowWindow = show ? SW_SHOWNORMAL : SW_HIDE;
    PROCESS_INFORMATION process;
    if (!CreateProcessA(nullptr, writable.data(), nullptr, nullptr, FALSE, IDLE_PRIORITY_CLASS, nullptr, nullptr,
                        &startup, &process))
        return 0;
    WaitForSingleObject(process.hProcess, INFINITE);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    return 1;
}

extern "C" ZMLIB_API int zmlibWin32_getRegistryValue(const char* subKey, const char* valueName, uint32_t* type,
                                                     void* data, int size) {
    int bytes = readValue(HKEY_CURRENT_USER, subKey, valueName, type, data, size);
    if (bytes == 0) bytes = readValue(HKEY_LOCAL_MACHINE, subKey, valueName, type, data, size);
    return bytes;
}

namespace {

/* The host's default printer: the system printer named by the print set-up's
** plot driver file; "" when there is none. */
std::string hostDefaultPrinter() {
    const ZmPrinterSetup* setup = zmlib::printsetup::record();
    std::string name;
    PlotDesc* plot = nullptr;
    if (!setup || !setup->plotDriver[0] || mdlPlotDesc_createFromTCBAndPltFile(&plot, setup->plotDriver) != 0 || !plot)
        return name;
    char printer[256] = "";
    if (mdlPlotDesc_getSysPrinter(printer, sizeof printer, plot) == 0) name = printer;
    mdlPlotDesc_destroy(&plot);
    return name;
}

}  // namespace

extern "C" ZMLIB_API StringList* zmlibWin32_findWindowsPrinterNames(void) {
    const DWORD flags = PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS;
    DWORD needed = 0, count = 0;
    EnumPrintersA(flags, nullptr, 2, nullptr, 0, &needed, &count);
    if (needed == 0) return nullptr;
    std::vector<BYTE> buffer(needed);
    if (!EnumPrintersA(flags, nullptr, 2, buffer.data(), needed, &needed, &count) || count == 0) return nullptr;
    std::string defaultPrinter = hostDefaultPrinter();
    StringList* list = mdlStringList_create(0, PRINTER_INFO_FIELDS);
    if (!list) return nullptr;
    const auto* printers = reinterpret_cast<const PRINTER_INFO_2A*>(buffer.data());
    for (DWORD i = 0; i < count; ++i) {
        const PRINTER_INFO_2A& p = printers[i];
        if (!p.pServerName || !*p.pServerName) continue;
        char path[512];
        std::snprintf(path, sizeof path, "%s\\%s", p.pServerName,
                      p.pShareName && *p.pShareName ? p.pShareName : (p.pPortName ? p.pPortName : ""));
        int index = -1;
        if (mdlStringList_insertMember(&index, list, -1, 2) != 0 || index < 0) break;
        mdlStringList_setMember(list, index, p.pPrinterName ? p.pPrinterName : "", nullptr);
        mdlStringList_setMember(list, index + 1, path, nullptr);
        if (p.pPrinterName && !defaultPrinter.empty() && defaultPrinter == p.pPrinterName)
            mdlStringList_setInfoField(list, index + 1, 1, 1);
    }
    return list;
}

extern "C" ZMLIB_API int zmlibWin32_getGetUniversalFileName(const char* path, char* destination) {
    alignas(UNIVERSAL_NAME_INFOA) char buffer[UNIVERSAL_NAME_BUFFER];
    DWORD size = sizeof buffer;
    if (!path || !destination ||
        WNetGetUniversalNameA(path, UNIVERSAL_NAME_INFO_LEVEL, buffer, &size) != NO_ERROR)
        return 0;
    std::strcpy(destination, reinterpret_cast<UNIVERSAL_NAME_INFOA*>(buffer)->lpUniversalName);
    return 1;
}

/* A second initialisation closes the first conversation and instance, so
** that none is left open that nothing can close. */
extern "C" ZMLIB_API int zmlibWin32_DdeInitialize(const char* service, const char* topic) {
    endDde();
    if (DdeInitializeA(&dde.instance, ddeCallback, APPCMD_CLIENTONLY, 0) != DMLERR_NO_ERROR) {
        dde = DdeState{};
        return ZMLIB_ERROR;
    }
    dde.service = DdeCreateStringHandleA(dde.instance, service ? service : "", CP_WINANSI);
    dde.topic = DdeCreateStringHandleA(dde.instance, topic ? topic : "", CP_WINANSI);
    if (dde.service && dde.topic) dde.conversation = DdeConnect(dde.instance, dde.service, dde.topic, nullptr);
    if (!dde.conversation) {
        endDde();
        return ZMLIB_ERROR;
    }
    return ZMLIB_SUCCESS;
}

extern "C" ZMLIB_API void zmlibWin32_DdeSendMessage(const char* text) {
    if (!dde.conversation || !text) return;
    HDDEDATA answer = DdeClientTransaction(reinterpret_cast<LPBYTE>(const_cast<char*>(text)),
                                           static_cast<DWORD>(std::strlen(text) + 1), dde.conversation, nullptr, 0,
                                           XTYP_EXECUTE, DDE_TIMEOUT_MS, nullptr);
    if (answer) DdeFreeDataHandle(answer);
}

/* The texts are quoted for the spreadsheet, so that a quote in them cannot
** end the text and start a command of its own; a command longer than its
** buffer is not sent. */
extern "C" ZMLIB_API void zmlibWin32_DdeReplaceText(const char* name, char* value) {
    if (!name || !value) return;
    if (!std::strstr(name, "file") && !std::strstr(name, "time") && !std::strstr(name, "date")) {
        char separator = decimalSeparator();
        for (char* p = value; *p; ++p)
            if (*p == '.') *p = separator;
    }
    std::string command = "[FORMULA.REPLACE(" + zmlib::win32::spreadsheetText(name) + "," +
                          zmlib::win32::spreadsheetText(value) + ")]";
    if (command.size() >= DDE_COMMAND_SIZE) {
        toolSubsystem_printf("DDE command too long (%d characters), not sent: %.40s...\n", static_cast<int>(command.size()),
                             command.c_str());
        return;
    }
    zmlibWin32_DdeSendMessage(command.c_str());
}

extern "C" ZMLIB_API int zmlibWin32_DdeDisconnect(void) {
    if (!dde.conversation) return 0;
    int status = DdeDisconnect(dde.conversation);
    dde.conversation = nullptr;
    return status;
}
