/* advapi32: the registry. The hives are read from the export files that
** _HOST_REGISTRY lists, on first use and again when the list changes; they
** are read-only. State: the hives, the list they came from, open keys. */
#include <windows.h>

#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "host/sim/base/base.h"
#include "host/sim/system/system.h"
#include "host/win/win.h"

namespace {

struct RegistryState {
    bool loaded = false;
    std::string source;                              /* the _HOST_REGISTRY value read */
    std::map<std::string, win::RegistryKey> roots;   /* by full hive name */
    std::string errors;
    std::map<HKEY, std::string> open;                /* handle -> path "HIVE\a\b" */
    uintptr_t next = 0x1000;
};
RegistryState state;

const char* const LIST_VARIABLE = "_HOST_REGISTRY";

void load() {
    std::string list = sim::variableValue(LIST_VARIABLE).value_or("");
    if (state.loaded && list == state.source) return;
    state.roots.clear();
    state.errors.clear();
    for (const std::string& file : sim::splitList(list)) {
        std::ifstream in(sim::hostPath(file), std::ios::binary);
        if (!in) {
            state.errors += file + ": cannot be read\n";
            continue;
        }
        std::ostringstream bytes;
        bytes << in.rdbuf();
        std::string error;
        if (!win::parseRegistryFile(bytes.str(), state.roots, error)) {
            std::istringstream lines(error);
            for (std::string l; std::getline(lines, l);) state.errors += file + ": " + l + "\n";
        }
    }
    state.source = list;
    state.loaded = true;
}

const char* predefinedName(HKEY key) {
    if (key == HKEY_CLASSES_ROOT) return "HKEY_CLASSES_ROOT";
    if (key == HKEY_CURRENT_USER) return "HKEY_CURRENT_USER";
    if (key == HKEY_LOCAL_MACHINE) return "HKEY_LOCAL_MACHINE";
    if (key == HKEY_USERS) return "HKEY_USERS";
    if (key == HKEY_CURRENT_CONFIG) return "HKEY_CURRENT_CONFIG";
    return nullptr;
}

/* The path of an open or predefined key, or "" for a handle of nothing. */
std::string pathOf(HKEY key) {
    if (const char* p = predefinedName(key)) return p;
    auto it = state.open.find(key);
    return it == state.open.end() ? std::string() : it->second;
}

}  // namespace

namespace win {

const RegistryKey* findRegistryKey(const std::string& path) {
    load();
    return registryKeyAt(state.roots, path, false);
}

std::string registryLoadErrors() {
    load();
    return state.errors;
}

void resetRegistry() { state = RegistryState{}; }

}  // namespace win

WINADVAPI LONG WINAPI RegOpenKeyExA(HKEY parent, LPCSTR subKey, DWORD options, REGSAM access, PHKEY result) {
    if (!result) return ERROR_INVALID_PARAMETER;
    *result = nullptr;
    std::string base = pathOf(parent);
    if (base.empty()) return ERROR_INVALID_HANDLE;
    if (access & (KEY_SET_VALUE | KEY_CREATE_SUB_KEY | KEY_CREATE_LINK)) return ERROR_ACCESS_DENIED;
    std::string path = base;
    if (subKey && *subKey) {
        if (subKey[0] == '\\') return ERROR_BAD_PATHNAME;
        path += std::string("\\") + subKey;
    }
    if (!win::findRegistryKey(path)) return ERROR_FILE_NOT_FOUND;
    HKEY h = reinterpret_cast<HKEY>(state.next);
    state.next += 4;
    state.open[h] = path;
    *result = h;
    return ERROR_SUCCESS;
}

WINADVAPI LONG WINAPI RegQueryValueExA(HKEY key, LPCSTR valueName, LPDWORD reserved, LPDWORD type, LPBYTE data,
                                       LPDWORD dataSize) {
    if (reserved || (data && !dataSize)) return ERROR_INVALID_PARAMETER;
    std::string path = pathOf(key);
    if (path.empty()) return ERROR_INVALID_HANDLE;
    const win::RegistryKey* k = win::findRegistryKey(path);
    if (!k) return ERROR_FILE_NOT_FOUND; /* the hives were read again without it */
    auto it = k->values.find(sim::upper(valueName ? valueName : ""));
    if (it == k->values.end()) return ERROR_FILE_NOT_FOUND;
    const win::RegistryValue& v = it->second;
    if (type) *type = v.type;
    DWORD needed = static_cast<DWORD>(v.data.size());
    if (!data) {
        if (dataSize) *dataSize = needed;
        return ERROR_SUCCESS;
    }
    if (*dataSize < needed) {
        *dataSize = needed;
        return ERROR_MORE_DATA;
    }
    if (needed) std::memcpy(data, v.data.data(), needed);
    *dataSize = needed;
    return ERROR_SUCCESS;
}

WINADVAPI LONG WINAPI RegCloseKey(HKEY key) {
    if (predefinedName(key)) return ERROR_SUCCESS;
    return state.open.erase(key) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}
