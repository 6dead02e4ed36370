/* winspool: the printers of the workspace's printer table (_HOST_PRINTERS),
** listed by EnumPrintersA, and the sending of a file to one: into its spool
** folder or through its print command. The table is read at every use, so
** that it is always the workspace's current one. */
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "host/sim/base/base.h"
#include "host/sim/system/system.h"
#include "host/win/win.h"

namespace {

const char* const TABLE_VARIABLE = "_HOST_PRINTERS";
const char* const DEFAULT_DRIVER = "Generic / Text Only";

bool yes(const std::string& v) {
    std::string u = sim::upper(v);
    return u == "YES" || u == "1" || u == "TRUE" || u == "ON";
}

/* "\\server" however the table writes it; "" for none. */
std::string serverName(const std::string& s) {
    std::string t = sim::trim(s, " \t\\/");
    return t.empty() ? t : "\\\\" + t;
}

/* Bytes that EnumPrintersA needs for STRINGS, each zero-ended. */
size_t stringBytes(const std::vector<std::string>& strings) {
    size_t n = 0;
    for (const auto& s : strings) n += s.size() + 1;
    return n;
}

}  // namespace

namespace win {

bool parsePrinterTable(const std::string& text, std::vector<Printer>& out, std::string& error) {
    bool ok = true;
    Printer* current = nullptr;
    std::istringstream in(text);
    int lineNo = 0;
    for (std::string raw; std::getline(in, raw);) {
        ++lineNo;
        std::string line = sim::trim(raw);
        if (line.empty() || line[0] == ';' || line[0] == '#') continue;
        auto bad = [&](const std::string& why) {
            error += "line " + std::to_string(lineNo) + ": " + why + "\n";
            ok = false;
        };
        if (line[0] == '[') {
            std::string name = line.back() == ']' ? sim::trim(line.substr(1, line.size() - 2)) : std::string();
            if (name.empty()) {
                bad("a printer starts with [NAME]");
                current = nullptr;
                continue;
            }
            out.push_back(Printer{});
            current = &out.back();
            current->name = name;
            continue;
        }
        size_t eq = line.find('=');
        if (eq == std::string::npos) {
            bad("NAME = VALUE expected");
            continue;
        }
        if (!current) {
            bad("a setting outside a printer");
            continue;
        }
        std::string key = sim::lower(sim::trim(line.substr(0, eq)));
        std::string value = sim::trim(line.substr(eq + 1));
        if (key == "server") current->server = serverName(value);
        else if (key == "share") current->share = value;
        else if (key == "port") current->port = value;
        else if (key == "driver") current->driver = value;
        else if (key == "comment") current->comment = value;
        else if (key == "location") current->location = value;
        else if (key == "spool") current->spool = value;
        else if (key == "command") current->command = value;
        else if (key == "default") current->isDefault = yes(value);
        else bad("unknown setting " + key);
    }
    return ok;
}

std::vector<Printer> printers() {
    std::vector<Printer> out;
    std::optional<std::string> file = sim::variableValue(TABLE_VARIABLE);
    if (!file || file->empty()) return out;
    std::ifstream in(sim::hostPath(*file), std::ios::binary);
    if (!in) return out;
    std::ostringstream text;
    text << in.rdbuf();
    std::string error;
    parsePrinterTable(text.str(), out, error);
    return out;
}

std::optional<Printer> findPrinter(const std::string& name) {
    std::vector<Printer> all = printers();
    if (all.empty()) return std::nullopt;
    std::string wanted = sim::upper(sim::trim(name));
    if (wanted.empty() || wanted == "PRN") {
        for (const auto& p : all)
            if (p.isDefault) return p;
        return all.front();
    }
    for (const auto& p : all) {
        std::string sharePath = p.server.empty() || p.share.empty() ? std::string() : p.server + "\\" + p.share;
        if (sim::upper(p.name) == wanted || (!sharePath.empty() && sim::upper(sharePath) == wanted) ||
            (!p.port.empty() && sim::upper(p.port) == wanted))
            return p;
    }
    return std::nullopt;
}

bool sendToPrinter(const Printer& printer, const std::string& file, std::string& error) {
    namespace fs = std::filesystem;
    std::string folder = printer.spool;
    if (folder.empty() && printer.command.empty() && printer.port.rfind("\\\\", 0) == 0) folder = printer.port;
    if (!folder.empty()) {
        std::string local = sim::hostPath(folder);
        std::error_code ec;
        fs::create_directories(local, ec);
        fs::copy_file(file, fs::path(local) / fs::path(file).filename(), fs::copy_options::overwrite_existing, ec);
        if (ec) error = "Unable to print to " + printer.name + ": " + ec.message();
        return !ec;
    }
    if (!printer.command.empty()) {
        std::string target = quoteArgument(platformPath(file));
        std::string line = printer.command;
        size_t at = line.find("%s");
        if (at != std::string::npos) line.replace(at, 2, target);
        else line += " " + target;
        STARTUPINFOA startup;
        GetStartupInfoA(&startup);
        PROCESS_INFORMATION info;
        std::vector<char> writable(line.begin(), line.end());
        writable.push_back('\0');
        if (!CreateProcessA(nullptr, writable.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
            error = "Unable to start the print command of " + printer.name;
            return false;
        }
        WaitForSingleObject(info.hProcess, INFINITE);
        DWORD code = 1;
        GetExitCodeProcess(info.hProcess, &code);
        CloseHandle(info.hThread);
        CloseHandle(info.hProcess);
        if (code != 0) error = "The print command of " + printer.name + " failed (" + std::to_string(code) + ")";
        return code == 0;
    }
    error = "The printer " + printer.name + " has no spool folder and no print command";
    return false;
}

}  // namespace win

/* Fills PRINTERENUM with the array of records first and their strings
** after it, as Windows does; with too small a buffer answers FALSE,
** ERROR_INSUFFICIENT_BUFFER and the bytes needed. */
WINSPOOLAPI BOOL WINAPI EnumPrintersA(DWORD flags, LPSTR name, DWORD level, LPBYTE printerEnum, DWORD size,
                                      LPDWORD needed, LPDWORD returned) {
    if (!needed || !returned) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    *needed = 0;
    *returned = 0;
    if (level != 1 && level != 2) {
        SetLastError(ERROR_INVALID_LEVEL);
        return FALSE;
    }
    if ((flags & PRINTER_ENUM_NAME) && (!name || !*name)) flags |= PRINTER_ENUM_LOCAL;
    std::vector<win::Printer> chosen;
    for (const auto& p : win::printers()) {
        bool connection = !p.server.empty();
        if ((flags & PRINTER_ENUM_DEFAULT) ? p.isDefault
                                           : ((connection && (flags & PRINTER_ENUM_CONNECTIONS)) ||
                                              (!connection && (flags & PRINTER_ENUM_LOCAL))))
            chosen.push_back(p);
    }
    size_t recordSize = level == 2 ? sizeof(PRINTER_INFO_2A) : sizeof(PRINTER_INFO_1A);
    std::vector<std::vector<std::string>> strings;
    size_t total = chosen.size() * recordSize;
    for (const auto& p : chosen) {
        if (level == 2)
            strings.push_back({p.server, p.name, p.share, p.port, p.driver.empty() ? DEFAULT_DRIVER : p.driver,
                               p.comment, p.location, "winprint", "RAW", ""});
        else
            strings.push_back({p.name + "," + (p.driver.empty() ? DEFAULT_DRIVER : p.driver) + "," + p.location,
                               p.name, p.comment});
        total += stringBytes(strings.back());
    }
    if (total > 0xFFFFFFFFu) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return FALSE;
    }
    *needed = static_cast<DWORD>(total);
    if (!printerEnum || size < total) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    std::memset(printerEnum, 0, total);
    char* text = reinterpret_cast<char*>(printerEnum + chosen.size() * recordSize);
    auto put = [&](const std::string& s, bool nullWhenEmpty) -> LPSTR {
        if (s.empty() && nullWhenEmpty) return nullptr;
        char* at = text;
        std::memcpy(at, s.c_str(), s.size() + 1);
        text += s.size() + 1;
        return at;
    };
    for (size_t i = 0; i < chosen.size(); ++i) {
        const auto& p = chosen[i];
        const auto& s = strings[i];
        if (level == 2) {
            auto* r = reinterpret_cast<PRINTER_INFO_2A*>(printerEnum + i * recordSize);
            r->pServerName = put(s[0], true);
            r->pPrinterName = put(s[1], false);
            r->pShareName = put(s[2], false);
            r->pPortName = put(s[3], false);
            r->pDriverName = put(s[4], false);
            r->pComment = put(s[5], false);
            r->pLocation = put(s[6], false);
            r->pPrintProcessor = put(s[7], false);
            r->pDatatype = put(s[8], false);
            r->pParameters = put(s[9], false);
            r->Attributes = (p.server.empty() ? PRINTER_ATTRIBUTE_LOCAL : PRINTER_ATTRIBUTE_NETWORK) |
                            (p.isDefault ? PRINTER_ATTRIBUTE_DEFAULT : 0) | (p.share.empty() ? 0 : PRINTER_ATTRIBUTE_SHARED);
            r->Priority = 1;
            r->DefaultPriority = 1;
        } else {
            auto* r = reinterpret_cast<PRINTER_INFO_1A*>(printerEnum + i * recordSize);
            r->Flags = 0x00800000; /* PRINTER_ENUM_ICON8: a printer */
            r->pDescription = put(s[0], false);
            r->pName = put(s[1], false);
            r->pComment = put(s[2], false);
        }
    }
    *returned = static_cast<DWORD>(chosen.size());
    return TRUE;
}
