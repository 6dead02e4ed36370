/* The file lister: the entries of a directory that match a pattern, with
** their attributes, on platform paths mapped through sim::hostPath. */
#include <algorithm>
#include <cctype>
#include <cstring>
#include <dirent.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "host/mdlutil.h"
#include "host/sim/base/base.h"
#include "host/sim/system/system.h"

struct FileList {
    std::vector<FileListEntry> entries;
};

namespace {

bool isSeparator(char c) { return c == '/' || c == '\\'; }

/* Whether NAME matches PATTERN ('*' any run, '?' one character), ignoring case. */
bool matches(const char* pattern, const char* name) {
    const char* starP = nullptr;
    const char* starN = nullptr;
    while (*name) {
        if (*pattern == '*') {
            starP = pattern++;
            starN = name;
        } else if (*pattern == '?' ||
                   std::tolower(static_cast<unsigned char>(*pattern)) == std::tolower(static_cast<unsigned char>(*name))) {
            ++pattern;
            ++name;
        } else if (starP) {
            pattern = starP + 1;
            name = ++starN;
        } else {
            return false;
        }
    }
    while (*pattern == '*') ++pattern;
    return *pattern == '\0';
}

/* An entry for the local file LOCAL, named NAME, listed under PATH; false when it does not exist. */
bool makeEntry(FileListEntry* e, const std::string& local, const std::string& name, const std::string& path) {
    struct stat st;
    if (local.empty() || ::stat(local.c_str(), &st) != 0) return false;
    *e = FileListEntry{};
    sim::copyFixed(e->name, sizeof e->name, name);
    sim::copyFixed(e->path, sizeof e->path, path);
    bool dir = S_ISDIR(st.st_mode);
    e->attributes = (dir ? FILELIST_DIRECTORY : 0u) | (::access(local.c_str(), W_OK) != 0 ? FILELIST_READONLY : 0u);
    e->size = dir ? 0 : static_cast<int64_t>(st.st_size);
    e->mtime = static_cast<int64_t>(st.st_mtime);
    return true;
}

}  // namespace

HOST_API FileListP mdlFileList_create(const char* pattern) {
    if (!pattern || !*pattern) return nullptr;
    std::string wanted = pattern;
    /* A trailing separator names the directory itself. */
    while (wanted.size() > 1 && isSeparator(wanted.back()) && !(wanted.size() == 3 && wanted[1] == ':')) wanted.pop_back();
    size_t cut = wanted.find_last_of("/\\");
    if (cut == std::string::npos && wanted.size() >= 2 && wanted[1] == ':') cut = 1;
    std::string dir = cut == std::string::npos ? std::string() : wanted.substr(0, cut + 1);
    std::string namePattern = cut == std::string::npos ? wanted : wanted.substr(cut + 1);

    auto list = new FileList;
    if (namePattern.find_first_of("*?") == std::string::npos) {
        FileListEntry e;
        std::string shown = namePattern.empty() ? wanted : namePattern;
        if (makeEntry(&e, sim::hostPath(wanted), shown, wanted)) list->entries.push_back(e);
    } else {
        std::string localDir = dir.empty() ? std::string(".") : sim::hostPath(dir);
        DIR* d = localDir.empty() ? nullptr : ::opendir(localDir.c_str());
        if (d) {
            while (dirent* de = ::readdir(d)) {
                if (!std::strcmp(de->d_name, ".") || !std::strcmp(de->d_name, "..")) continue;
                if (!matches(namePattern.c_str(), de->d_name)) continue;
                FileListEntry e;
                std::string local = localDir + (localDir.back() == '/' ? "" : "/") + de->d_name;
                if (makeEntry(&e, local, de->d_name, dir + de->d_name)) list->entries.push_back(e);
            }
            ::closedir(d);
        }
        std::sort(list->entries.begin(), list->entries.end(),
                  [](const FileListEntry& a, const FileListEntry& b) { return std::strcmp(a.name, b.name) < 0; });
    }
    if (list->entries.empty()) {
        delete list;
        return nullptr;
    }
    return list;
}

HOST_API FileListP mdlFileList_createByMode(const char* pattern, int mode) {
    FileListP list = pattern && *pattern ? mdlFileList_create(pattern) : nullptr;
    if (list) {
        const bool directories = mode & FILELIST_MODE_DIRECTORIES, files = mode & FILELIST_MODE_FILES;
        std::erase_if(list->entries, [&](const FileListEntry& e) {
            return (e.attributes & FILELIST_DIRECTORY) ? !directories : !files;
        });
    }
    if (mode & FILELIST_MODE_DRIVES) {
        /* The drives the workspace maps, after the rest, in letter order. */
        const std::string prefix = "_HOST_DRIVE_";
        std::vector<char> letters;
        for (const std::string& name : sim::configuredVariableNames()) {
            const unsigned char letter = name.size() == prefix.size() + 1 ? name.back() : 0;
            if (name.starts_with(prefix) && std::isalpha(letter)) letters.push_back(static_cast<char>(std::toupper(letter)));
        }
        std::sort(letters.begin(), letters.end());
        letters.erase(std::unique(letters.begin(), letters.end()), letters.end());
        for (char letter : letters) {
            if (!list) list = new FileList;
            FileListEntry e{};
            const char name[] = {'[', '-', letter, ':', ']', '\0'};
            const char root[] = {letter, ':', '\\', '\0'};
            sim::copyFixed(e.name, sizeof e.name, name);
            sim::copyFixed(e.path, sizeof e.path, root);
            e.attributes = FILELIST_DIRECTORY | FILELIST_DRIVE;
            list->entries.push_back(e);
        }
    }
    if (list && list->entries.empty()) mdlFileList_free(&list);
    return list;
}

HOST_API int mdlFileList_getCount(FileListP list) { return list ? static_cast<int>(list->entries.size()) : 0; }

HOST_API const FileListEntry* mdlFileList_getEntry(FileListP list, int index) {
    if (!list || index < 0 || static_cast<size_t>(index) >= list->entries.size()) return nullptr;
    return &list->entries[static_cast<size_t>(index)];
}

HOST_API void mdlFileList_free(FileListP* list) {
    if (!list) return;
    delete *list;
    *list = nullptr;
}
