/* advapi32: hives from export files, and the query protocol of sizes. */
#include <windows.h>

#include <random>

#include "host/win/win.h"
#include "win_fixture.h"

namespace {

using RegistryTest = WinTest;

const char USER_FILE[] =
    "Windows Registry Editor Version 5.00\r\n"
    "\r\n"
    "; the user's settings\r\n"
    "[HKEY_CURRENT_USER\\Software\\Zm\\Tarvik]\r\n"
    "\"Language\"=\"no\"\r\n"
    "@=\"default \\\"text\\\"\"\r\n"
    "\"Count\"=dword:0000002a\r\n"
    "\"Blob\"=hex:01,02,\\\r\n"
    "  03\r\n"
    "\r\n"
    "[HKEY_LOCAL_MACHINE\\Software\\Zm\\Tarvik]\r\n"
    "\"Home\"=\"C:\\\\Zm\\\\\"\r\n"
    "\"Gone\"=\"x\"\r\n"
    "\"Gone\"=-\r\n";

TEST_F(RegistryTest, ValuesAreQueriedWithTheirTypesAndSizes) {
    write(drive("reg/user.reg"), USER_FILE);
    define("_HOST_REGISTRY", "C:\\reg\\user.reg");
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "software\\ZM\\tarvik", 0, KEY_QUERY_VALUE, &key), ERROR_SUCCESS);
    DWORD type = 0, size = 0;
    EXPECT_EQ(RegQueryValueExA(key, "language", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, REG_SZ);
    EXPECT_EQ(size, 3u); /* "no" and its zero */
    char small[2];
    size = sizeof small;
    EXPECT_EQ(RegQueryValueExA(key, "Language", nullptr, nullptr, reinterpret_cast<BYTE*>(small), &size), ERROR_MORE_DATA);
    EXPECT_EQ(size, 3u);
    char text[64];
    size = sizeof text;
    EXPECT_EQ(RegQueryValueExA(key, "", nullptr, &type, reinterpret_cast<BYTE*>(text), &size), ERROR_SUCCESS);
    EXPECT_STREQ(text, "default \"text\"");
    DWORD count = 0;
    size = sizeof count;
    EXPECT_EQ(RegQueryValueExA(key, "Count", nullptr, &type, reinterpret_cast<BYTE*>(&count), &size), ERROR_SUCCESS);
    EXPECT_EQ(type, REG_DWORD);
    EXPECT_EQ(count, 42u);
    BYTE blob[8];
    size = sizeof blob;
    EXPECT_EQ(RegQueryValueExA(key, "Blob", nullptr, &type, blob, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, REG_BINARY);
    EXPECT_EQ(size, 3u);
    EXPECT_EQ(blob[2], 3);
    EXPECT_EQ(RegQueryValueExA(key, "Home", nullptr, &type, nullptr, &size), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegQueryValueExA(key, "Blob", nullptr, &type, blob, nullptr), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(key), ERROR_INVALID_HANDLE);

    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Zm\\Tarvik", 0, KEY_READ, &key), ERROR_SUCCESS);
    size = sizeof text;
    EXPECT_EQ(RegQueryValueExA(key, "Home", nullptr, nullptr, reinterpret_cast<BYTE*>(text), &size), ERROR_SUCCESS);
    EXPECT_STREQ(text, "C:\\Zm\\");
    EXPECT_EQ(RegQueryValueExA(key, "Gone", nullptr, nullptr, nullptr, &size), ERROR_FILE_NOT_FOUND);
    RegCloseKey(key);
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\None", 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software", 0, KEY_SET_VALUE, &key), ERROR_ACCESS_DENIED);
    EXPECT_EQ(win::showRegistryKey("HKLM\\Software\\Zm\\Tarvik"),
              "[HKEY_LOCAL_MACHINE\\Software\\Zm\\Tarvik]\n\"Home\"=\"C:\\\\Zm\\\\\"\n\n");
}

TEST_F(RegistryTest, UnicodeExportsAndBadLinesAreRead) {
    std::string utf16 = "\xFF\xFE";
    for (char c : std::string("Windows Registry Editor Version 5.00\r\n[HKEY_CURRENT_USER\\K]\r\n\"N\"=\"")) {
        utf16 += c;
        utf16 += '\0';
    }
    utf16 += std::string("\xF8\x00\xAC\x20\x01\x04", 6); /* ø, the euro sign, a Cyrillic letter */
    for (char c : std::string("\"\r\n\"Bad\"=what\r\n")) {
        utf16 += c;
        utf16 += '\0';
    }
    std::map<std::string, win::RegistryKey> roots;
    std::string error;
    EXPECT_FALSE(win::parseRegistryFile(utf16, roots, error));
    EXPECT_EQ(error, "line 4: unknown value kind\n");
    const win::RegistryValue& v = roots.at("HKEY_CURRENT_USER").subkeys.at("K").values.at("N");
    EXPECT_EQ(std::string(v.data.begin(), v.data.end()), std::string("\xF8\x80?\0", 4)); /* Windows-1252 */
    EXPECT_FALSE(win::parseRegistryFile("not a registry file\n", roots, error));
}

/* Whatever bytes an export file holds, reading it neither fails nor
** keeps a value whose bytes do not fit its kind. */
TEST(RegistryFile, ArbitraryInputIsReadSafely) {
    std::mt19937 random(5);
    const std::vector<std::string> pieces = {"[HKEY_CURRENT_USER\\a]", "[-HKEY_LOCAL_MACHINE\\a]", "[HKEY_X]", "\"n\"=",
                                             "@=", "\"t\"", "dword:", "ffffffff1", "hex:", "hex(7):", "00,", "zz",
                                             "\\\r\n", "\r\n", "\n", "=-", "\"", "\\", ";", "[", "]", "\xFF\xFE"};
    for (int round = 0; round < 3000; ++round) {
        std::string text = round % 3 ? "Windows Registry Editor Version 5.00\n" : "";
        for (int n = random() % 25; n > 0; --n)
            text += round % 4 ? pieces[random() % pieces.size()] : std::string(1, static_cast<char>(random() % 256));
        std::map<std::string, win::RegistryKey> roots;
        std::string error;
        win::parseRegistryFile(text, roots, error);
        for (const auto& [hive, key] : roots)
            for (const auto& [name, sub] : key.subkeys)
                for (const auto& [vn, v] : sub.values) {
                    if (v.type == REG_DWORD) ASSERT_EQ(v.data.size(), 4u) << text;
                    if (v.type == REG_SZ) ASSERT_EQ(v.data.back(), 0) << text;
                }
    }
}

}  // namespace
