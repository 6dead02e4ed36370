#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "host/mdlsystem.h"
#include "support/tempdir.h"

/* Lines of every length with every kind of line end, across many refills of
** the stream's buffer, read whole and in pieces: nothing lost or duplicated. */
TEST(HostTextFile, LinesAndPiecesSurviveBufferRefillsAndMixedLineEnds) {
    std::mt19937 rng(3);
    std::vector<std::string> lines;
    std::string content;
    const char* ends[] = {"\n", "\r\n", "\r"};
    int previousEnd = 0;
    for (int i = 0; i < 3000; ++i) {
        std::string line(rng() % 300, 'a' + static_cast<char>(i % 26));
        int end = static_cast<int>(rng() % 3);
        if (line.empty() && previousEnd == 2) end = 2; /* "\r" then "\n" would be one "\r\n" */
        lines.push_back(line);
        content += line + ends[end];
        previousEnd = end;
    }
    content += "last"; /* no line end */
    lines.push_back("last");
    TempDir scratch;
    std::string path = scratch.writeFile("lines.txt", content);

    for (int size : {512, 7, 2}) {
        TextFileP file = mdlTextFile_open(path.c_str(), TEXTFILE_READ);
        ASSERT_NE(file, nullptr);
        std::vector<char> buffer(static_cast<size_t>(size));
        std::vector<std::string> got;
        std::string current;
        while (mdlTextFile_getString(buffer.data(), size, file, TEXTFILE_KEEP_NEWLINE) == 0) {
            current += buffer.data();
            if (!current.empty() && current.back() == '\n') {
                current.pop_back();
                got.push_back(current);
                current.clear();
            }
        }
        if (!current.empty()) got.push_back(current);
        EXPECT_TRUE(mdlTextFile_isEof(file));
        mdlTextFile_close(file);
        for (size_t i = 0; i < std::min(got.size(), lines.size()); ++i)
            ASSERT_EQ(got[i], lines[i]) << "line " << i << " buffer size " << size;
        ASSERT_EQ(got.size(), lines.size()) << "buffer size " << size;
        EXPECT_EQ(got, lines) << "buffer size " << size;
    }
}
