/* Text files with comment, continuation and include lines: the input is one
** file that may include itself, a missing file or a long path, read to its
** end as logical lines into a small and a large buffer. */

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "fuzz/scratch.h"
#include "lib/platform/file.h"

namespace {

void readAll(const std::string& file, int lineSize, int bufferSize) {
    ZmTextFile* f = zmlibFile_openExtended(file.c_str(), "r", "\\", "#", bufferSize);
    if (!f) return;
    std::string line(static_cast<size_t>(lineSize), '\0');
    /* Every read consumes at least one physical line or ends the file. */
    for (int lines = 0; lines < 100000 && zmlibFile_read(line.data(), f, lineSize) > 0; ++lines) {
    }
    zmlibFile_close(f);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string file = scratchFolder("textfile") + "/in.txt";
    if (!writeInput(file, data, size)) return 0;
    readAll(file, 16, 2);
    readAll(file, 512, 512);
    return 0;
}
