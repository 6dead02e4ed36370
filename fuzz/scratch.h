/* A folder of this fuzzing process's own in the system's temporary folder
** (TMPDIR, else /tmp) for targets whose input must be a file; removed when
** the process ends, as it does when its time is up. */
#pragma once

#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

inline const std::string& scratchFolder(const char* target) {
    struct Folder {
        std::string path;
        explicit Folder(const char* target) {
            const char* tmp = std::getenv("TMPDIR");
            path = std::string(tmp && *tmp ? tmp : "/tmp") + "/zm-fuzz-" + target + "-" + std::to_string(::getpid());
            ::mkdir(path.c_str(), 0700);
        }
        ~Folder() {
            std::error_code ignored;
            std::filesystem::remove_all(path, ignored);
        }
    };
    static const Folder folder(target);
    return folder.path;
}

/* Write the input DATA to PATH; false when the file cannot be written. */
inline bool writeInput(const std::string& path, const uint8_t* data, size_t size) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    bool whole = std::fwrite(data, 1, size, f) == size;
    return std::fclose(f) == 0 && whole;
}
