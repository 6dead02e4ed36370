#include <sqlite3.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <vector>

#include "host/mdlsystem.h"
#include "host/sim/base/base.h"
#include "rsc_test_util.h"

namespace {

constexpr uint32_t TARV = fourCC("Tarv");

std::string loadText(RscFileHandle file, uint32_t type, int32_t id) {
    void* p = mdlResource_load(file, type, id);
    if (!p) return "<missing>";
    uint32_t size = 0;
    EXPECT_EQ(mdlResource_query(&size, p, RSC_QRY_SIZE), RSC_SUCCESS);
    std::string s(static_cast<const char*>(p), size);
    mdlResource_free(p);
    return s;
}

}  // namespace

TEST_F(ResourceTest, AddReplaceLoadAndMissingResources) {
    RscFileHandle h = createOpen("a.rsc", "Attributes");
    ASSERT_NE(h, 0u);
    char description[8];
    EXPECT_EQ(mdlResource_getFileDescription(description, sizeof description, h), RSC_SUCCESS);
    EXPECT_STREQ(description, "Attribu"); /* cut to the buffer */

    EXPECT_EQ(mdlResource_add(h, TARV, 1, "first", 5, "alias"), RSC_SUCCESS);
    EXPECT_EQ(mdlResource_add(h, TARV, 1, "again", 5, nullptr), RSCERR_EXISTS);
    EXPECT_EQ(mdlResource_add(h, TARV, -1, "", 0, nullptr), RSC_SUCCESS); /* empty and negative id are fine */

    /* Replace through the loaded copy, growing it. */
    void* copy = mdlResource_load(h, TARV, 1);
    ASSERT_NE(copy, nullptr);
    int32_t id = 0;
    uint32_t type = 0;
    RscFileHandle from = 0;
    EXPECT_EQ(mdlResource_query(&id, copy, RSC_QRY_ID), RSC_SUCCESS);
    EXPECT_EQ(mdlResource_query(&type, copy, RSC_QRY_TYPE), RSC_SUCCESS);
    EXPECT_EQ(mdlResource_query(&from, copy, RSC_QRY_FILE), RSC_SUCCESS);
    EXPECT_EQ(id, 1);
    EXPECT_EQ(type, TARV);
    EXPECT_EQ(from, h);
    EXPECT_EQ(mdlResource_resize(&copy, 8), RSC_SUCCESS);
    std::memcpy(copy, "SECOND", 6);
    EXPECT_EQ(mdlResource_write(copy), RSC_SUCCESS);
    mdlResource_free(copy);
    EXPECT_EQ(loadText(h, TARV, 1), std::string("SECOND\0\0", 8));
    EXPECT_EQ(loadText(h, TARV, -1), "");

    EXPECT_EQ(mdlResource_load(h, TARV, 2), nullptr);
    EXPECT_EQ(mdlResource_load(h, fourCC("Tarw"), 1), nullptr);
    uint32_t size = 0;
    EXPECT_EQ(mdlResource_querySize(&size, h, TARV, 2), RSCERR_NOT_FOUND);
    EXPECT_EQ(mdlResource_querySize(&size, h, TARV, 1), RSC_SUCCESS);
    EXPECT_EQ(size, 8u);

    EXPECT_EQ(mdlResource_delete(h, TARV, 1), RSC_SUCCESS);
    EXPECT_EQ(mdlResource_delete(h, TARV, 1), RSCERR_NOT_FOUND);

    /* Everything survives closing and opening again; aliases are kept. */
    EXPECT_EQ(mdlResource_add(h, TARV, 3, "three", 5, "drei"), RSC_SUCCESS);
    EXPECT_EQ(mdlResource_closeFile(h), RSC_SUCCESS);
    EXPECT_EQ(mdlResource_closeFile(h), RSCERR_BAD_HANDLE);
    RscFileHandle r = 0;
    ASSERT_EQ(mdlResource_openFile(&r, path("a.rsc").c_str(), 0), RSC_SUCCESS);
    EXPECT_EQ(loadText(r, TARV, 3), "three");
    auto keys = sim::listResources(r);
    ASSERT_EQ(keys.size(), 2u);
    EXPECT_EQ(keys[0].id, -1);
    EXPECT_EQ(keys[1].alias, "drei");
}

TEST_F(ResourceTest, WritesToReadOnlyFilesAnswer906AndOtherFailuresDiffer) {
    RscFileHandle w = createOpen("ro.rsc");
    ASSERT_EQ(mdlResource_add(w, TARV, 1, "abc", 3, nullptr), RSC_SUCCESS);
    mdlResource_closeFile(w);

    RscFileHandle r = 0;
    ASSERT_EQ(mdlResource_openFile(&r, path("ro.rsc").c_str(), 0), RSC_SUCCESS);
    EXPECT_EQ(mdlResource_add(r, TARV, 2, "x", 1, nullptr), RSCERR_READ_ONLY);
    void* copy = mdlResource_load(r, TARV, 1);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(mdlResource_write(copy), RSCERR_READ_ONLY);
    EXPECT_EQ(mdlResource_delete(r, TARV, 1), RSCERR_READ_ONLY);
    mdlResource_free(copy);

    /* A file the disk refuses to write opens for writing but refuses writes. */
    if (geteuid() != 0) {
        chmod(path("ro.rsc").c_str(), 0444);
        RscFileHandle rw = 0;
        ASSERT_EQ(mdlResource_openFile(&rw, path("ro.rsc").c_str(), 1), RSC_SUCCESS);
        EXPECT_EQ(mdlResource_add(rw, TARV, 2, "x", 1, nullptr), RSCERR_READ_ONLY);
    }

    /* The write-failure switch gives the other status and changes nothing. */
    RscFileHandle h = createOpen("w.rsc");
    sim::failResourceWrites(1, 1);
    EXPECT_EQ(mdlResource_add(h, TARV, 1, "ok", 2, nullptr), RSC_SUCCESS);
    EXPECT_EQ(mdlResource_add(h, TARV, 2, "no", 2, nullptr), RSCERR_WRITE_FAILED);
    EXPECT_EQ(mdlResource_add(h, TARV, 2, "ok", 2, nullptr), RSC_SUCCESS);
    EXPECT_EQ(loadText(h, TARV, 2), "ok");
}

TEST_F(ResourceTest, BadArgumentsAndHandlesAreRefused) {
    RscFileHandle h = 12345;
    EXPECT_EQ(mdlResource_openFile(&h, path("none.rsc").c_str(), 0), RSCERR_CANNOT_OPEN);
    EXPECT_EQ(h, 0u);
    EXPECT_EQ(mdlResource_openFile(nullptr, path("none.rsc").c_str(), 0), RSCERR_BAD_ARGUMENT);
    EXPECT_EQ(mdlResource_openFile(&h, dir.c_str(), 0), RSCERR_CANNOT_OPEN); /* a folder */
    EXPECT_EQ(mdlResource_add(999, TARV, 1, "x", 1, nullptr), RSCERR_BAD_HANDLE);
    EXPECT_EQ(mdlResource_load(999, TARV, 1), nullptr);
    EXPECT_EQ(mdlResource_createFile(path("missing/dir/x.rsc").c_str(), "x", 1), RSCERR_CANNOT_OPEN);
    EXPECT_EQ(mdlResource_createFile(nullptr, "x", 1), RSCERR_BAD_ARGUMENT);

    RscFileHandle w = createOpen("b.rsc");
    EXPECT_EQ(mdlResource_add(w, TARV, 1, nullptr, 4, nullptr), RSCERR_BAD_ARGUMENT);
    std::vector<char> big(RSC_MAX_SIZE + 1);
    EXPECT_EQ(mdlResource_add(w, TARV, 1, big.data(), static_cast<uint32_t>(big.size()), nullptr), RSCERR_TOO_LARGE);
    /* An open file is neither replaced nor silently refused. */
    EXPECT_EQ(mdlResource_createFile(path("b.rsc").c_str(), "x", 1), RSCERR_CANNOT_OPEN);
    mdlResource_closeFile(w);
    EXPECT_EQ(mdlResource_createFile(path("b.rsc").c_str(), "x", 0), RSCERR_EXISTS);

    int local = 0;
    uint32_t size;
    EXPECT_EQ(mdlResource_write(&local), RSCERR_BAD_ARGUMENT);
    EXPECT_EQ(mdlResource_query(&size, &local, RSC_QRY_SIZE), RSCERR_BAD_ARGUMENT);
    mdlResource_free(&local); /* reported, not freed */
    EXPECT_NE(sim::consoleText().find("not a loaded resource"), std::string::npos);
    mdlResource_free(nullptr);
}

TEST_F(ResourceTest, CopyOfAClosedFileCannotBeWrittenAndLoadFailsWhenMemoryIsShort) {
    RscFileHandle h = createOpen("c.rsc");
    ASSERT_EQ(mdlResource_add(h, TARV, 1, "abcd", 4, nullptr), RSC_SUCCESS);
    sim::failAllocations(1);
    EXPECT_EQ(mdlResource_load(h, TARV, 1), nullptr);
    sim::failAllocations(0);
    void* copy = mdlResource_load(h, TARV, 1);
    ASSERT_NE(copy, nullptr);
    sim::failAllocations(1);
    EXPECT_EQ(mdlResource_resize(&copy, 100), RSCERR_NO_MEMORY);
    sim::failAllocations(0);
    EXPECT_EQ(std::memcmp(copy, "abcd", 4), 0); /* left as it was */
    mdlResource_closeFile(h);
    EXPECT_EQ(mdlResource_write(copy), RSCERR_BAD_HANDLE);
    mdlResource_free(copy);
}

TEST_F(ResourceTest, ReplacingAFileLeavesNoTraceOfTheOldOne) {
    RscFileHandle h = createOpen("r.rsc", "old");
    mdlResource_add(h, TARV, 1, "old", 3, nullptr);
    mdlResource_closeFile(h);
    ASSERT_EQ(mdlResource_createFile(path("r.rsc").c_str(), "new", 1), RSC_SUCCESS);
    ASSERT_EQ(mdlResource_openFile(&h, path("r.rsc").c_str(), 0), RSC_SUCCESS);
    EXPECT_EQ(mdlResource_load(h, TARV, 1), nullptr);
    char d[16];
    mdlResource_getFileDescription(d, sizeof d, h);
    EXPECT_STREQ(d, "new");
}

TEST_F(ResourceTest, ReadingWritesNothingBesideTheFileAndOldWalFilesAreTurnedBack) {
    namespace fs = std::filesystem;
    auto besides = [&](const std::string& name) {
        std::vector<std::string> found;
        for (const char* suffix : {"-wal", "-shm", "-journal"})
            if (fs::exists(path(name + suffix))) found.push_back(name + suffix);
        return found;
    };
    RscFileHandle h = createOpen("r.rsc", "read");
    mdlResource_add(h, TARV, 1, "abc", 3, nullptr);
    mdlResource_closeFile(h);
    /* A reader killed while it holds the file leaves nothing to clean up. */
    ASSERT_EQ(mdlResource_openFile(&h, path("r.rsc").c_str(), 0), RSC_SUCCESS);
    void* copy = mdlResource_load(h, TARV, 1);
    ASSERT_NE(copy, nullptr);
    mdlResource_free(copy);
    EXPECT_EQ(besides("r.rsc"), std::vector<std::string>{});
    mdlResource_closeFile(h);

    /* A file an earlier host left in WAL mode reads, and is turned back. */
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path("r.rsc").c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db, "PRAGMA journal_mode=WAL", nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);
    ASSERT_EQ(mdlResource_openFile(&h, path("r.rsc").c_str(), 0), RSC_SUCCESS);
    copy = mdlResource_load(h, TARV, 1);
    EXPECT_NE(copy, nullptr);
    mdlResource_free(copy);
    mdlResource_closeFile(h);
    EXPECT_EQ(besides("r.rsc"), std::vector<std::string>{});
    ASSERT_EQ(sqlite3_open(path("r.rsc").c_str(), &db), SQLITE_OK);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, "PRAGMA journal_mode", -1, &st, nullptr);
    ASSERT_EQ(sqlite3_step(st), SQLITE_ROW);
    EXPECT_STREQ(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)), "delete");
    sqlite3_finalize(st);
    sqlite3_close(db);
}

TEST_F(ResourceTest, DamagedTruncatedAndForeignFilesFailWithAConsoleLine) {
    RscFileHandle h = createOpen("good.rsc");
    std::string blob(3000, 'x');
    for (int i = 0; i < 40; ++i) mdlResource_add(h, TARV, i, blob.data(), static_cast<uint32_t>(blob.size()), nullptr);
    mdlResource_closeFile(h);
    std::string good = readFile(path("good.rsc"));
    ASSERT_GT(good.size(), 100000u);

    std::string pageZeroed = good;
    std::memset(pageZeroed.data() + 4096, 0, 4096);
    const std::pair<const char*, std::string> cases[] = {
        {"garbage.rsc", std::string(5000, '\x5a')},
        {"empty.rsc", std::string()},
        {"half.rsc", good.substr(0, good.size() / 2)},
        {"header.rsc", good.substr(0, 60)},
        {"page.rsc", pageZeroed},
        {"text.rsc", "not a resource file\n"},
    };
    for (auto& [name, bytes] : cases) {
        SCOPED_TRACE(name);
        writeFile(name, bytes);
        sim::clearOutputLog();
        RscFileHandle f = 77;
        EXPECT_EQ(mdlResource_openFile(&f, path(name).c_str(), 0), RSCERR_NOT_RSC_FILE);
        EXPECT_EQ(f, 0u);
        EXPECT_NE(sim::consoleText().find(name), std::string::npos) << sim::consoleText();
    }

    /* A sound SQLite database of another kind (its application id, at offset
    ** 68 of the header, differs) is no resource file either. */
    std::string foreign = good;
    foreign[68] = 0;
    foreign[69] = 0;
    writeFile("other.db", foreign);
    EXPECT_EQ(mdlResource_openFile(&h, path("other.db").c_str(), 1), RSCERR_NOT_RSC_FILE);
    /* The good file still opens. */
    EXPECT_EQ(mdlResource_openFile(&h, path("good.rsc").c_str(), 0), RSC_SUCCESS);
}

TEST_F(ResourceTest, EventsCommitOrRollBackTheirWrites) {
    RscFileHandle h = createOpen("e.rsc");
    RscFileHandle again = 0; /* a second handle on the same file shares its transaction */
    ASSERT_EQ(mdlResource_openFile(&again, path("e.rsc").c_str(), 1), RSC_SUCCESS);
    sim::runEvent([&] {
        return mdlResource_add(h, TARV, 1, "kept", 4, nullptr) == RSC_SUCCESS &&
               mdlResource_add(again, TARV, 4, "both", 4, nullptr) == RSC_SUCCESS;
    });
    EXPECT_THROW(sim::runEvent([&]() -> bool {
                     mdlResource_add(h, TARV, 2, "lost", 4, nullptr);
                     mdlResource_add(again, TARV, 5, "lost", 4, nullptr);
                     throw std::runtime_error("user action failed");
                 }),
                 std::runtime_error);
    mdlResource_closeFile(again);
    /* Closing the last handle inside an event commits its writes. */
    sim::runEvent([&] {
        mdlResource_add(h, TARV, 3, "closed", 6, nullptr);
        return mdlResource_closeFile(h) == RSC_SUCCESS;
    });
    RscFileHandle r = 0;
    ASSERT_EQ(mdlResource_openFile(&r, path("e.rsc").c_str(), 0), RSC_SUCCESS);
    EXPECT_EQ(loadText(r, TARV, 1), "kept");
    EXPECT_EQ(loadText(r, TARV, 4), "both");
    EXPECT_EQ(loadText(r, TARV, 2), "<missing>");
    EXPECT_EQ(loadText(r, TARV, 5), "<missing>");
    EXPECT_EQ(loadText(r, TARV, 3), "closed");
}

namespace {

/* Child: open FILE for writing and run one event that rewrites resources 1 and
** 2 with the same counter, forever, telling the parent after the first rounds. */
[[noreturn]] void writerChild(const std::string& file, int notifyFd, bool commitFirst) {
    sim::resetForTests(); /* none of the parent's open files */
    RscFileHandle h = 0;
    if (mdlResource_openFile(&h, file.c_str(), 1)) _exit(3);
    if (commitFirst) {
        sim::runEvent([&] {
            int32_t v = 1000;
            void* a = mdlResource_load(h, TARV, 1);
            void* b = mdlResource_load(h, TARV, 2);
            std::memcpy(a, &v, 4);
            std::memcpy(b, &v, 4);
            bool ok = mdlResource_write(a) == 0 && mdlResource_write(b) == 0;
            mdlResource_free(a);
            mdlResource_free(b);
            return ok;
        });
    }
    sim::runEvent([&] {
        std::string filler(20000, 'f');
        for (int32_t v = 2000;; ++v) {
            void* a = mdlResource_load(h, TARV, 1);
            std::memcpy(a, &v, 4);
            mdlResource_write(a);
            mdlResource_free(a);
            mdlResource_add(h, TARV, 100 + v, filler.data(), static_cast<uint32_t>(filler.size()), nullptr);
            if (v == 2020 && write(notifyFd, "x", 1) != 1) _exit(4);
        }
        return true;
    });
    _exit(0);
}

int32_t readCounter(RscFileHandle h, int32_t id) {
    void* p = mdlResource_load(h, TARV, id);
    if (!p) return -1;
    int32_t v;
    std::memcpy(&v, p, 4);
    mdlResource_free(p);
    return v;
}

}  // namespace

TEST_F(ResourceTest, WriterKilledInsideATransactionLeavesOldOrNewContent) {
    for (bool commitFirst : {false, true}) {
        SCOPED_TRACE(commitFirst ? "after a committed event" : "first event");
        std::string file = path(commitFirst ? "k2.rsc" : "k1.rsc");
        ASSERT_EQ(mdlResource_createFile(file.c_str(), "kill", 1), RSC_SUCCESS);
        RscFileHandle h = 0;
        ASSERT_EQ(mdlResource_openFile(&h, file.c_str(), 1), RSC_SUCCESS);
        int32_t v = 7;
        mdlResource_add(h, TARV, 1, &v, 4, nullptr);
        mdlResource_add(h, TARV, 2, &v, 4, nullptr);
        mdlResource_closeFile(h);

        int fds[2];
        ASSERT_EQ(pipe(fds), 0);
        pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            close(fds[0]);
            writerChild(file, fds[1], commitFirst);
        }
        close(fds[1]);
        char c;
        ASSERT_EQ(read(fds[0], &c, 1), 1); /* the child is deep inside its transaction */
        close(fds[0]);
        kill(child, SIGKILL);
        int status = 0;
        waitpid(child, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status));

        RscFileHandle r = 0;
        ASSERT_EQ(mdlResource_openFile(&r, file.c_str(), 0), RSC_SUCCESS);
        int32_t expected = commitFirst ? 1000 : 7;
        EXPECT_EQ(readCounter(r, 1), expected);
        EXPECT_EQ(readCounter(r, 2), expected);
        uint32_t size;
        EXPECT_EQ(mdlResource_querySize(&size, r, TARV, 2100), RSCERR_NOT_FOUND);
        /* And it takes writes again. */
        RscFileHandle w = 0;
        ASSERT_EQ(mdlResource_openFile(&w, file.c_str(), 1), RSC_SUCCESS);
        EXPECT_EQ(mdlResource_add(w, TARV, 3, "ok", 2, nullptr), RSC_SUCCESS);
        mdlResource_closeFile(w);
        mdlResource_closeFile(r);
    }
}

TEST_F(ResourceTest, MessageListsAreSearchedAcrossOpenFiles) {
    RscFileHandle a = createOpen("a.rsc");
    RscFileHandle b = createOpen("b.rsc");
    addMessage(a, 20007, 25, "OK from a");
    addMessage(a, 20005, 14, "Out of memory (%d bytes)");
    addMessage(b, 20007, 25, "OK from b");
    addMessage(b, 1, 3, "Punkt %d av %s");

    char text[32];
    /* The most recently opened file is searched first, a named file alone. */
    EXPECT_EQ(mdlResource_loadFromStringList(text, sizeof text, 0, 20007, 25), RSC_SUCCESS);
    EXPECT_STREQ(text, "OK from b");
    EXPECT_EQ(mdlResource_loadFromStringList(text, sizeof text, a, 20007, 25), RSC_SUCCESS);
    EXPECT_STREQ(text, "OK from a");
    EXPECT_EQ(mdlResource_loadFromStringList(text, sizeof text, 0, 20005, 14), RSC_SUCCESS);
    EXPECT_EQ(mdlResource_loadFromStringList(text, sizeof text, a, 1, 3), RSCERR_NOT_FOUND);
    EXPECT_STREQ(text, "");
    EXPECT_EQ(mdlResource_loadFromStringList(text, sizeof text, 0, 20007, 26), RSCERR_NOT_FOUND);
    EXPECT_EQ(mdlResource_loadFromStringList(text, 6, 0, 20007, 25), RSC_SUCCESS);
    EXPECT_STREQ(text, "OK fr");

    char buffer[1024];
    EXPECT_EQ(mdlOutput_rscsPrintf(buffer, 0, 1, 3, 2, "tre"), RSC_SUCCESS);
    EXPECT_STREQ(buffer, "Punkt 2 av tre");
    EXPECT_EQ(mdlOutput_rscsPrintf(buffer, 0, 20005, 14, 512), RSC_SUCCESS);
    EXPECT_STREQ(buffer, "Out of memory (512 bytes)");
    EXPECT_EQ(mdlOutput_rscsPrintf(buffer, 0, 1, 99), RSCERR_NOT_FOUND);
    EXPECT_STREQ(buffer, "");
    EXPECT_EQ(mdlOutput_rscsPrintf(buffer, 4242, 1, 3, 2, "x"), RSCERR_BAD_HANDLE);

    sim::clearOutputLog();
    EXPECT_EQ(mdlOutput_rscPrintf(MSG_PROMPT, 0, 1, 3, 1, "to"), RSC_SUCCESS);
    EXPECT_EQ(sim::messageField(MSG_PROMPT), "Punkt 1 av to");
    EXPECT_NE(mdlOutput_rscPrintf(MSG_PROMPT, 0, 1, 4), RSC_SUCCESS);
    EXPECT_EQ(sim::outputLog().size(), 1u); /* a missing message shows nothing */

    /* Closing a file takes its messages away. */
    mdlResource_closeFile(b);
    EXPECT_EQ(mdlResource_loadFromStringList(text, sizeof text, 0, 20007, 25), RSC_SUCCESS);
    EXPECT_STREQ(text, "OK from a");
}

TEST_F(ResourceTest, FormattedMessagesAreCutAtTheBufferSizeAndKeepWideTexts) {
    RscFileHandle a = createOpen("a.rsc");
    addMessage(a, 2, 1, "%s|%S");
    std::string longText(3000, 'q');
    char buffer[1024 + 16];
    std::memset(buffer, '#', sizeof buffer);
    EXPECT_EQ(mdlOutput_rscsPrintf(buffer, a, 2, 1, longText.c_str(), u"\u00f8"), RSC_SUCCESS);
    EXPECT_EQ(std::strlen(buffer), 1023u);
    EXPECT_EQ(buffer[1024], '#'); /* nothing written past 1024 bytes */
    EXPECT_EQ(mdlOutput_rscsPrintf(buffer, a, 2, 1, "a", u"bl\u00e5"), RSC_SUCCESS);
    EXPECT_STREQ(buffer, "a|bl\u00e5");
}

TEST_F(ResourceTest, ApplicationsFindTheirOwnFileFirstAndLoseItsFilesAtUnload) {
    RscFileHandle h = createOpen("first.ma");
    addMessage(h, 20007, 25, "first");
    mdlResource_closeFile(h);
    h = createOpen("second.ma");
    addMessage(h, 20007, 25, "second");
    mdlResource_closeFile(h);

    MdlDesc* first = sim::registerApplication("first", path("first.ma"));
    MdlDesc* second = sim::registerApplication("second", path("second.ma"));
    MdlDesc* none = sim::registerApplication("none");
    ASSERT_EQ(sim::openApplicationResources(first), RSC_SUCCESS);
    ASSERT_EQ(sim::openApplicationResources(second), RSC_SUCCESS);
    EXPECT_EQ(sim::openApplicationResources(none), RSC_SUCCESS);
    EXPECT_EQ(sim::applicationResourceFile(none), 0u);

    char text[32];
    {
        sim::CurrentApplicationScope scope(first);
        EXPECT_EQ(mdlResource_loadFromStringList(text, sizeof text, 0, 20007, 25), RSC_SUCCESS);
        EXPECT_STREQ(text, "first");
        /* A null name opens the application's own file. */
        RscFileHandle own = 0;
        EXPECT_EQ(mdlResource_openFile(&own, nullptr, 0), RSC_SUCCESS);
        EXPECT_EQ(sim::resourceFilePath(own), path("first.ma"));
        char load[256];
        EXPECT_EQ(mdlResource_getApplLoadFile(load, sizeof load, nullptr), RSC_SUCCESS);
        EXPECT_EQ(std::string(load), path("first.ma"));
    }
    {
        sim::CurrentApplicationScope scope(second);
        EXPECT_EQ(mdlResource_loadFromStringList(text, sizeof text, 0, 20007, 25), RSC_SUCCESS);
        EXPECT_STREQ(text, "second");
    }
    {
        sim::CurrentApplicationScope scope(none);
        RscFileHandle own = 0;
        EXPECT_EQ(mdlResource_openFile(&own, nullptr, 0), RSCERR_CANNOT_OPEN);
        char load[256];
        EXPECT_EQ(mdlResource_getApplLoadFile(load, sizeof load, nullptr), HOST_ERROR);
    }
    second->loadPath = "/opt/apps/second.so";
    char load[256];
    EXPECT_EQ(mdlResource_getApplLoadFile(load, sizeof load, second), RSC_SUCCESS);
    EXPECT_STREQ(load, "/opt/apps/second.so");

    /* Unloading the first closes its own file and the one it opened itself. */
    EXPECT_EQ(sim::openResourceFiles().size(), 3u);
    sim::closeApplicationResources(first);
    EXPECT_EQ(sim::applicationResourceFile(first), 0u);
    EXPECT_EQ(sim::openResourceFiles().size(), 1u);
    EXPECT_EQ(mdlResource_loadFromStringList(text, sizeof text, 0, 20007, 25), RSC_SUCCESS);
    EXPECT_STREQ(text, "second");

    /* A damaged own file is reported and leaves the application without one. */
    writeFile("bad.ma", "junk");
    MdlDesc* bad = sim::registerApplication("bad", path("bad.ma"));
    sim::clearOutputLog();
    EXPECT_EQ(sim::openApplicationResources(bad), RSCERR_NOT_RSC_FILE);
    EXPECT_NE(sim::consoleText().find("bad.ma"), std::string::npos);
    EXPECT_EQ(sim::applicationResourceFile(bad), 0u);
}
