/* Small text helpers shared by the host's areas. */
#pragma once

#include <cctype>
#include <string>

namespace sim {

inline std::string upper(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

inline std::string lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

/* S without leading and trailing characters of BLANKS. */
inline std::string trim(const std::string& s, const char* blanks = " \t\r\n") {
    size_t b = s.find_first_not_of(blanks);
    if (b == std::string::npos) return {};
    size_t e = s.find_last_not_of(blanks);
    return s.substr(b, e - b + 1);
}

}  // namespace sim
