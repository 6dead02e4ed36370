/* mpr: network names. A drive is a network drive when its mapping
** (_HOST_DRIVE_<X>) names a share (\\server\share); its files then lie in
** the network folder as the host maps them. */
#include <windows.h>

#include <cstring>
#include <string>

#include "host/sim/system/system.h"

namespace {

/* The share drive LETTER is connected to ("\\server\share", no trailing
** separator), or "" for a local or unmapped drive. */
std::string connectionOf(char letter) {
    std::optional<std::string> root =
        sim::variableValue(std::string("_HOST_DRIVE_") + static_cast<char>(std::toupper(static_cast<unsigned char>(letter))));
    if (!root) return {};
    std::string r = *root;
    for (char& c : r)
        if (c == '/') c = '\\';
    if (r.rfind("\\\\", 0) != 0) return {};
    while (r.size() > 2 && r.back() == '\\') r.pop_back();
    return r;
}

bool isDriveLetter(const char* path) {
    return path && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':';
}

}  // namespace

WINNETAPI DWORD WINAPI WNetGetUniversalNameA(LPCSTR localPath, DWORD level, LPVOID buffer, LPDWORD bufferSize) {
    if (!localPath || !bufferSize || (!buffer && *bufferSize)) return ERROR_INVALID_PARAMETER;
    if (level != UNIVERSAL_NAME_INFO_LEVEL && level != REMOTE_NAME_INFO_LEVEL) return ERROR_INVALID_LEVEL;
    if (!isDriveLetter(localPath)) return ERROR_BAD_DEVICE;
    std::string connection = connectionOf(localPath[0]);
    if (connection.empty()) return ERROR_NOT_CONNECTED;
    std::string rest = localPath + 2;
    for (char& c : rest)
        if (c == '/') c = '\\';
    if (!rest.empty() && rest[0] != '\\') rest = "\\" + rest;
    std::string universal = connection + rest;
    size_t head = level == UNIVERSAL_NAME_INFO_LEVEL ? sizeof(UNIVERSAL_NAME_INFOA) : sizeof(REMOTE_NAME_INFOA);
    size_t need = head + universal.size() + 1;
    if (level == REMOTE_NAME_INFO_LEVEL) need += connection.size() + 1 + rest.size() + 1;
    if (*bufferSize < need) {
        *bufferSize = static_cast<DWORD>(need);
        return ERROR_MORE_DATA;
    }
    char* text = static_cast<char*>(buffer) + head;
    auto put = [&](const std::string& s) {
        char* at = text;
        std::memcpy(at, s.c_str(), s.size() + 1);
        text += s.size() + 1;
        return at;
    };
    if (level == UNIVERSAL_NAME_INFO_LEVEL) {
        static_cast<UNIVERSAL_NAME_INFOA*>(buffer)->lpUniversalName = put(universal);
    } else {
        auto* info = static_cast<REMOTE_NAME_INFOA*>(buffer);
        info->lpUniversalName = put(universal);
        info->lpConnectionName = put(connection);
        info->lpRemainingPath = put(rest);
    }
    return NO_ERROR;
}

WINNETAPI DWORD WINAPI WNetGetConnectionA(LPCSTR localName, LPSTR remoteName, LPDWORD length) {
    if (!localName || !length) return ERROR_INVALID_PARAMETER;
    if (!isDriveLetter(localName) || localName[2]) return ERROR_BAD_DEVICE;
    std::string connection = connectionOf(localName[0]);
    if (connection.empty()) return ERROR_NOT_CONNECTED;
    if (!remoteName || *length < connection.size() + 1) {
        *length = static_cast<DWORD>(connection.size() + 1);
        return ERROR_MORE_DATA;
    }
    std::memcpy(remoteName, connection.c_str(), connection.size() + 1);
    return NO_ERROR;
}
