/* The simulated Windows layer as hostsim, the tests and our own Windows
** programs reach it: command lines, the registry's hives, the printer
** table, network names and the DDE wire format. The public face is the
** Windows API subset in host/win/include/. The layer sits on the simulated
** host's system area (configuration variables and the mapping of platform
** paths onto this machine's files) and never the other way round. */
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace win {

/* ---- kernel32: command lines --------------------------------------------
** Split a command line into arguments as Windows programs do: blanks and
** tabs separate; double quotes group; 2n backslashes before a quote give n
** and the quote groups, 2n+1 give n and a literal quote; "" inside quotes
** is a literal quote; other backslashes are literal. The first argument
** (the program) ends at the first blank outside quotes, backslashes literal. */
std::vector<std::string> splitCommandLine(const std::string& line);
/* ARGUMENT quoted so that splitCommandLine gives it back. */
std::string quoteArgument(const std::string& argument);
/* The local program a command line's first word names: as written, with
** ".exe" added when it has no extension, or without ".exe" (our programs
** have none); a bare name is looked for in DIRECTORY (local, may be empty)
** and then along PATH. "" when nothing executable is found. */
std::string findProgram(const std::string& name, const std::string& directory);
/* The platform form of a local path: under a drive's folder it becomes
** that drive's path, otherwise the path itself. */
std::string platformPath(const std::string& localPath);
/* What CreateProcessA started, oldest first. */
struct CreatedProcess {
    std::string program;                /* local path */
    std::vector<std::string> arguments; /* as the command line gave them */
    int showWindow;                     /* STARTUPINFOA.wShowWindow, -1 when not given */
    bool lowPriority;                   /* idle or below-normal priority class */
};
const std::vector<CreatedProcess>& createdProcesses();
/* Wait for every process started through CreateProcessA and forget the
** handles (tests). */
void resetProcesses();

/* ---- advapi32: the registry ---------------------------------------------
** Keys are read from Windows registry export files ("Windows Registry Editor
** Version 5.00" or "REGEDIT4", UTF-16 with its byte order mark or 8-bit
** text): [HKEY_...\path] and [-HKEY_...\path], "name"="text", @=..., dword:,
** hex:, hex(N):, "name"=-, ';' comments, '\' continuation lines. The files
** are those _HOST_REGISTRY lists (';' between), read on first use and again
** when the list changes. Names compare without case. */
struct RegistryValue {
    uint32_t type;
    std::vector<uint8_t> data; /* as RegQueryValueExA answers it: texts in the ANSI code page, zero-ended */
};
struct RegistryKey {
    std::string name; /* as written first */
    std::map<std::string, RegistryValue> values;      /* by upper-case name; "" is the default value */
    std::map<std::string, std::string> valueNames;    /* upper-case -> as written */
    std::map<std::string, RegistryKey> subkeys;       /* by upper-case name */
};
/* Read export file TEXT (its bytes) into ROOTS (by upper-case hive name).
** False with ERROR ("line N: why", one per line) for each bad line; the
** good lines count. */
bool parseRegistryFile(const std::string& text, std::map<std::string, RegistryKey>& roots, std::string& error);
/* The key PATH below ROOTS (full or short hive names, any case), made with
** its parents when CREATE; null when missing or the hive is unknown. */
RegistryKey* registryKeyAt(std::map<std::string, RegistryKey>& roots, const std::string& path, bool create);
/* The key PATH ("HKEY_LOCAL_MACHINE\Software\x"; the short hive names
** HKLM, HKCU, HKCR, HKU, HKCC work too) in the loaded hives, or null. */
const RegistryKey* findRegistryKey(const std::string& path);
/* Key PATH and everything below it in export file form, for people. */
std::string showRegistryKey(const std::string& path);
/* Problems of the last load of the hives ("" when none). */
std::string registryLoadErrors();
void resetRegistry();

/* ---- winspool: the printer table -----------------------------------------
** _HOST_PRINTERS names a table of printers, one section a printer:
**     [Printer name]
**     server = \\printsrv        (empty or absent: a local printer)
**     share = A3-Plot
**     port = LPT1:               (or \\printsrv\A3-Plot, FILE:)
**     driver = ..., comment = ..., location = ...
**     spool = C:\spool\a3\       (a folder that receives what is printed)
**     command = lpr-like program %s   (or a print command; %s the file)
**     default = yes
** ';' and '#' start comment lines. */
struct Printer {
    std::string name, server, share, port, driver, comment, location, spool, command;
    bool isDefault = false;
};
/* Read the table TEXT into PRINTERS. False with ERROR for bad lines; the
** good ones count. */
bool parsePrinterTable(const std::string& text, std::vector<Printer>& printers, std::string& error);
/* The workspace's printers (read again when the table changes). */
std::vector<Printer> printers();
/* The printer whose name, share path (\\server\share) or port is NAME; with
** NAME empty the default printer (the first when none is marked). */
std::optional<Printer> findPrinter(const std::string& name);
/* Send local file FILE to PRINTER: copied into its spool folder, or given to
** its print command. False with ERROR when it cannot. */
bool sendToPrinter(const Printer& printer, const std::string& file, std::string& error);

/* ---- user32: DDE -----------------------------------------------------------
** A server registers a service by listening on the local socket
** ddeSocketName(service); a client connects there. Messages both ways are
** frames, little-endian:
**     OFFSET SIZE  FIELD
**        0     4   length of what follows (5 + payload), at most DDE_FRAME_MAX
**        4     1   kind
**        5     4   transaction number (the answer repeats it)
**        9     n   payload
** Client to server: 'C' connect (payload the topic), 'E' execute (the
** command bytes as sent), 'R' request (4-byte format, then the item name),
** 'P' poke (4-byte format, item name, zero, data), 'D' disconnect. Server to
** client: 'A' done (payload: the data of a request), 'N' refused (payload:
** why, for people), 'D' the server ends the conversation. */
constexpr uint32_t DDE_FRAME_MAX = 1u << 20;
struct DdeFrame {
    char kind;
    uint32_t transaction;
    std::string payload;
};
std::string encodeDdeFrame(const DdeFrame& frame);
/* Take one frame off the front of BUFFER. 1: FRAME filled and its bytes
** removed; 0: more bytes needed; -1: BUFFER can never start a valid frame. */
int decodeDdeFrame(std::string& buffer, DdeFrame& frame);
/* The abstract socket name of SERVICE on this desktop (this process tree). */
std::string ddeSocketName(const std::string& service);
/* Milliseconds a connect waits for a server while a program started that
** recently still runs (_HOST_DDE_START_WAIT, default 5000). */
int ddeStartWait();
void resetDde();

/* Everything back to the start (tests). */
void resetForTests();

}  // namespace win
