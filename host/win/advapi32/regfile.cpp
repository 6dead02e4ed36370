/* advapi32: Windows registry export files read into keys, and keys shown
** again in that form. */
#include <cstdio>
#include <cstring>
#include <string>

#include "host/sim/base/base.h"
#include "host/win/include/winreg.h"
#include "host/win/win.h"

namespace {

const char* const HIVES[][2] = {
    {"HKEY_CLASSES_ROOT", "HKCR"},   {"HKEY_CURRENT_USER", "HKCU"}, {"HKEY_LOCAL_MACHINE", "HKLM"},
    {"HKEY_USERS", "HKU"},           {"HKEY_CURRENT_CONFIG", "HKCC"},
};

/* The full name of hive NAME (full or short, any case), or "". */
std::string hiveName(const std::string& name) {
    std::string u = sim::upper(name);
    for (const auto& h : HIVES)
        if (u == h[0] || u == h[1]) return h[0];
    return {};
}

/* Windows-1252 from UTF-16 (the ANSI code page of the A functions); '?'
** for what it cannot show. */
const char16_t CP1252_HIGH[32] = {0x20AC, 0, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
                                  0x2039, 0x0152, 0, 0x017D, 0, 0, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
                                  0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0, 0x017E, 0x0178};
char ansiOf(char16_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<char>(c);
    for (int i = 0; i < 32; ++i)
        if (CP1252_HIGH[i] == c && c) return static_cast<char>(0x80 + i);
    return '?';
}

/* File bytes as 8-bit text: UTF-16LE with its mark becomes the ANSI code
** page; UTF-8 with its mark loses the mark; other text stays as it is. */
std::string textOf(const std::string& bytes) {
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF && static_cast<unsigned char>(bytes[1]) == 0xFE) {
        std::string out;
        for (size_t i = 2; i + 1 < bytes.size(); i += 2) {
            char16_t c = static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) | static_cast<unsigned char>(bytes[i + 1]) << 8);
            out += ansiOf(c);
        }
        return out;
    }
    if (bytes.rfind("\xEF\xBB\xBF", 0) == 0) return bytes.substr(3);
    return bytes;
}

/* The key at PATH below ROOTS, made when CREATE; null when missing. */
win::RegistryKey* walk(std::map<std::string, win::RegistryKey>& roots, const std::string& path, bool create) {
    size_t slash = path.find('\\');
    std::string hive = hiveName(path.substr(0, slash));
    if (hive.empty()) return nullptr;
    auto it = roots.find(hive);
    if (it == roots.end()) {
        if (!create) return nullptr;
        it = roots.emplace(hive, win::RegistryKey{hive, {}, {}, {}}).first;
    }
    win::RegistryKey* key = &it->second;
    while (slash != std::string::npos) {
        size_t next = path.find('\\', slash + 1);
        std::string part = path.substr(slash + 1, next == std::string::npos ? std::string::npos : next - slash - 1);
        slash = next;
        if (part.empty()) continue;
        auto s = key->subkeys.find(sim::upper(part));
        if (s == key->subkeys.end()) {
            if (!create) return nullptr;
            s = key->subkeys.emplace(sim::upper(part), win::RegistryKey{part, {}, {}, {}}).first;
        }
        key = &s->second;
    }
    return key;
}

void removeKey(std::map<std::string, win::RegistryKey>& roots, const std::string& path) {
    size_t slash = path.rfind('\\');
    if (slash == std::string::npos) {
        roots.erase(hiveName(path));
        return;
    }
    if (win::RegistryKey* parent = walk(roots, path.substr(0, slash), false))
        parent->subkeys.erase(sim::upper(path.substr(slash + 1)));
}

/* A quoted text at TEXT[I] ('"' there); I moves past it. False when it
** does not end. */
bool quoted(const std::string& text, size_t& i, std::string& out) {
    out.clear();
    for (++i; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size()) {
            out += text[++i];
        } else if (text[i] == '"') {
            ++i;
            return true;
        } else {
            out += text[i];
        }
    }
    return false;
}

bool hexBytes(const std::string& text, std::vector<uint8_t>& out) {
    out.clear();
    size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
        if (i >= text.size()) break;
        size_t start = i;
        while (i < text.size() && std::isxdigit(static_cast<unsigned char>(text[i]))) ++i;
        if (i == start || i - start > 2) return false;
        out.push_back(static_cast<uint8_t>(std::stoul(text.substr(start, i - start), nullptr, 16)));
        while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
        if (i < text.size()) {
            if (text[i] != ',') return false;
            ++i;
        }
    }
    return true;
}

/* Texts stored as UTF-16 in hex(2) and hex(7) values of version 5 files
** become the ANSI code page, as RegQueryValueExA answers them. */
std::vector<uint8_t> ansiFromUtf16(const std::vector<uint8_t>& bytes) {
    std::vector<uint8_t> out;
    for (size_t i = 0; i + 1 < bytes.size(); i += 2)
        out.push_back(static_cast<uint8_t>(ansiOf(static_cast<char16_t>(bytes[i] | bytes[i + 1] << 8))));
    return out;
}

/* The value after '=' of a value line. False with WHY when it is not one. */
bool parseData(const std::string& text, bool unicodeFile, win::RegistryValue& value, std::string& why) {
    std::string t = sim::trim(text, " \t");
    if (!t.empty() && t[0] == '"') {
        size_t i = 0;
        std::string s;
        if (!quoted(t, i, s) || !sim::trim(t.substr(i), " \t").empty()) {
            why = "a text value must be one quoted text";
            return false;
        }
        value.type = REG_SZ;
        value.data.assign(s.begin(), s.end());
        value.data.push_back(0);
        return true;
    }
    std::string lower = sim::lower(t);
    if (lower.rfind("dword:", 0) == 0) {
        std::string digits = t.substr(6);
        if (digits.empty() || digits.size() > 8 || digits.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos) {
            why = "dword: wants one to eight hexadecimal digits";
            return false;
        }
        uint32_t v = static_cast<uint32_t>(std::stoul(digits, nullptr, 16));
        value.type = REG_DWORD;
        value.data = {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v >> 16),
                      static_cast<uint8_t>(v >> 24)};
        return true;
    }
    if (lower.rfind("hex", 0) == 0) {
        size_t colon = t.find(':');
        if (colon == std::string::npos) {
            why = "hex values are hex: or hex(N):";
            return false;
        }
        std::string kind = lower.substr(3, colon - 3);
        uint32_t type = REG_BINARY;
        if (!kind.empty()) {
            if (kind.size() < 3 || kind.front() != '(' || kind.back() != ')' ||
                kind.find_first_not_of("0123456789abcdef", 1) != kind.size() - 1 || kind.size() > 10) {
                why = "hex(N): wants a hexadecimal type";
                return false;
            }
            type = static_cast<uint32_t>(std::stoul(kind.substr(1, kind.size() - 2), nullptr, 16));
        }
        if (!hexBytes(t.substr(colon + 1), value.data)) {
            why = "hex data are two-digit bytes separated by commas";
            return false;
        }
        value.type = type;
        if (unicodeFile && (type == REG_EXPAND_SZ || type == REG_MULTI_SZ)) value.data = ansiFromUtf16(value.data);
        return true;
    }
    why = "unknown value kind";
    return false;
}

std::string hexOf(const std::vector<uint8_t>& data) {
    std::string out;
    char b[4];
    for (size_t i = 0; i < data.size(); ++i) {
        std::snprintf(b, sizeof b, "%02x", data[i]);
        out += (i ? "," : "") + std::string(b);
    }
    return out;
}

std::string escaped(const std::string& s) {
    std::string out;
    for (char c : s) {
        if (c == '\\' || c == '"') out += '\\';
        out += c;
    }
    return out;
}

void show(const win::RegistryKey& key, const std::string& path, std::string& out) {
    out += "[" + path + "]\n";
    for (const auto& [u, v] : key.values) {
        auto n = key.valueNames.find(u);
        std::string name = u.empty() ? "@" : "\"" + escaped(n == key.valueNames.end() ? u : n->second) + "\"";
        if (v.type == REG_SZ && !v.data.empty() && v.data.back() == 0) {
            out += name + "=\"" + escaped(std::string(v.data.begin(), v.data.end() - 1)) + "\"\n";
        } else if (v.type == REG_DWORD && v.data.size() == 4) {
            char b[16];
            std::snprintf(b, sizeof b, "%08x", v.data[0] | v.data[1] << 8 | v.data[2] << 16 | static_cast<uint32_t>(v.data[3]) << 24);
            out += name + "=dword:" + b + "\n";
        } else if (v.type == REG_BINARY) {
            out += name + "=hex:" + hexOf(v.data) + "\n";
        } else {
            char b[16];
            std::snprintf(b, sizeof b, "%x", v.type);
            out += name + "=hex(" + b + "):" + hexOf(v.data) + "\n";
        }
    }
    out += "\n";
    for (const auto& [u, sub] : key.subkeys) show(sub, path + "\\" + sub.name, out);
}

}  // namespace

namespace win {

RegistryKey* registryKeyAt(std::map<std::string, RegistryKey>& roots, const std::string& path, bool create) {
    return walk(roots, path, create);
}

bool parseRegistryFile(const std::string& bytes, std::map<std::string, RegistryKey>& roots, std::string& error) {
    bool unicodeFile = bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF && static_cast<unsigned char>(bytes[1]) == 0xFE;
    std::string text = textOf(bytes);
    bool ok = true;
    auto bad = [&](int line, const std::string& why) {
        error += "line " + std::to_string(line) + ": " + why + "\n";
        ok = false;
    };
    RegistryKey* key = nullptr;
    bool header = false, skipping = false;
    int lineNo = 0;
    size_t pos = 0;
    while (pos <= text.size()) {
        /* One logical line: a '\' at the end continues it. */
        std::string line;
        int first = lineNo + 1;
        for (;;) {
            size_t end = text.find('\n', pos);
            std::string part = text.substr(pos, end == std::string::npos ? std::string::npos : end - pos);
            pos = end == std::string::npos ? text.size() + 1 : end + 1;
            ++lineNo;
            if (!part.empty() && part.back() == '\r') part.pop_back();
            std::string trimmed = sim::trim(part, " \t");
            if (!trimmed.empty() && trimmed.back() == '\\' && pos <= text.size() && line.size() < (1u << 20)) {
                line += trimmed.substr(0, trimmed.size() - 1);
                continue;
            }
            line += line.empty() ? trimmed : sim::trim(part, " \t");
            break;
        }
        if (line.empty() || line[0] == ';') continue;
        if (!header) {
            if (line != "Windows Registry Editor Version 5.00" && line != "REGEDIT4") {
                bad(first, "not a registry export file (its first line names the format)");
                return false;
            }
            header = true;
            continue;
        }
        if (line[0] == '[') {
            if (line.back() != ']' || line.size() < 3) {
                bad(first, "a key line is [PATH]");
                key = nullptr;
                skipping = true;
                continue;
            }
            std::string path = line.substr(1, line.size() - 2);
            bool remove = !path.empty() && path[0] == '-';
            if (remove) path.erase(0, 1);
            if (hiveName(path.substr(0, path.find('\\'))).empty()) {
                bad(first, "unknown hive in [" + path + "]");
                key = nullptr;
                skipping = true;
                continue;
            }
            skipping = false;
            if (remove) {
                removeKey(roots, path);
                key = nullptr;
            } else {
                key = walk(roots, path, true);
            }
            continue;
        }
        if (skipping) continue;
        if (!key) {
            bad(first, "a value outside a key");
            continue;
        }
        std::string name;
        size_t i = 0;
        if (line[0] == '@') {
            i = 1;
        } else if (line[0] == '"') {
            if (!quoted(line, i, name)) {
                bad(first, "the value name does not end");
                continue;
            }
        } else {
            bad(first, "a value line starts with \"name\" or @");
            continue;
        }
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
        if (i >= line.size() || line[i] != '=') {
            bad(first, "'=' expected after the value name");
            continue;
        }
        std::string data = sim::trim(line.substr(i + 1), " \t");
        std::string u = sim::upper(name);
        if (data == "-") {
            key->values.erase(u);
            key->valueNames.erase(u);
            continue;
        }
        RegistryValue value{};
        std::string why;
        if (!parseData(data, unicodeFile, value, why)) {
            bad(first, why);
            continue;
        }
        key->values[u] = value;
        key->valueNames[u] = name;
    }
    if (!header) bad(1, "empty file");
    return ok;
}

std::string showRegistryKey(const std::string& path) {
    const RegistryKey* key = findRegistryKey(path);
    if (!key) return {};
    std::string p = path;
    while (!p.empty() && p.back() == '\\') p.pop_back();
    size_t slash = p.find('\\');
    std::string full = hiveName(p.substr(0, slash)) + (slash == std::string::npos ? "" : p.substr(slash));
    std::string out;
    show(*key, full, out);
    return out;
}

}  // namespace win
