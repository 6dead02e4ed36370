/* Design files that must survive saves, crashes and hostile contents: a
** saved file complete on its own, a checkpoint cut short, absurd positions
** and cells nested deeper than any descriptor walk may go. */
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "design_fixture.h"
#include "host/mdlelement.h"
#include "host/sim/base/base.h"
#include "host/sim/design/design.h"

namespace {

namespace fs = std::filesystem;
using namespace sim::elem;

/* Elements of the first model of FILE read as the dump verb reads it; -1 when refused. */
int countIn(const std::string& file, std::string& error) {
    std::unique_ptr<sim::design::DesignFile> f = sim::design::load(file, true, error);
    if (!f) return -1;
    int n = 0;
    for (const sim::design::Slot& s : f->models.front()->slots) n += s.data && !s.deleted;
    return n;
}

std::string hostOutput() {
    std::string text;
    for (const sim::OutputEntry& e : sim::outputLog()) text += e.text + "\n";
    return text;
}

}  // namespace

TEST_F(DesignTest, SaveInsideAnEventLeavesTheFileCompleteOnItsOwn) {
    openFile("saved.design");
    std::string error;
    /* As a session runs it: every verb is an event. */
    ASSERT_TRUE(sim::runEvent([] { for (int i = 0; i < 5; ++i) addLine(i); return true; }));
    ASSERT_TRUE(sim::runEvent([&] { return sim::design::save(error); })) << error;
    EXPECT_EQ(fs::file_size(path("saved.design-wal")), 0u);
    fs::copy_file(path("saved.design"), path("alone.design"));
    EXPECT_EQ(countIn(path("alone.design"), error), 5) << error;

    /* What the same event adds after its save is still committed with it; a
    ** failure later in the event does not take back what was saved. */
    EXPECT_THROW(sim::runEvent([&]() -> bool {
        addLine(10);
        sim::design::save(error);
        addLine(11);
        throw 1;
    }), int);
    sim::design::close();
    EXPECT_EQ(countIn(path("saved.design"), error), 6) << error;
}

TEST_F(DesignTest, CheckpointCutShortAfterItsFirstPageStillOpensWhole) {
    openFile("cut.design");
    for (int i = 0; i < 1000; ++i) addLine(i);
    /* Copies taken while the WAL holds the commits: the state a kill leaves. */
    fs::copy_file(path("cut.design"), path("copy.design"));
    fs::copy_file(path("cut.design-wal"), path("copy.design-wal"));
    sim::design::close();
    std::string error;
    ASSERT_EQ(countIn(path("copy.design"), error), 1000) << error;
    /* A checkpoint writes page 1, with the grown page count, before it
    ** extends the file: the header then claims more than the file holds. */
    uint64_t pages = fs::file_size(path("copy.design")) / 4096 + 40;
    {
        std::fstream f(path("copy.design"), std::ios::in | std::ios::out | std::ios::binary);
        unsigned char counter[4];
        f.seekg(24);
        f.read(reinterpret_cast<char*>(counter), 4);
        const unsigned char count[4] = {static_cast<unsigned char>(pages >> 24), static_cast<unsigned char>(pages >> 16),
                                        static_cast<unsigned char>(pages >> 8), static_cast<unsigned char>(pages)};
        f.seekp(28);
        f.write(reinterpret_cast<const char*>(count), 4);
        f.seekp(92);
        f.write(reinterpret_cast<const char*>(counter), 4);
    }
    EXPECT_EQ(countIn(path("copy.design"), error), 1000) << error;
    /* Without its WAL the same header is a file cut short. */
    fs::remove(path("copy.design-wal"));
    fs::remove(path("copy.design-shm"));
    EXPECT_EQ(countIn(path("copy.design"), error), -1);
    EXPECT_NE(error.find("truncated"), std::string::npos) << error;
}

TEST_F(DesignTest, AbsurdPositionsAndUnitsAreRefusedWithoutSizingMemory) {
    openFile("far.design");
    for (int i = 0; i < 90; ++i) addLine(i);
    sim::design::close();
    for (long long far : {100000000LL, 4294967295LL}) {
        std::string copy = path("far" + std::to_string(far) + ".design");
        fs::copy_file(path("far.design"), copy);
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(copy.c_str(), &db), SQLITE_OK);
        std::string sql = "UPDATE elements SET key = (1 << 32) + " + std::to_string(far) + " WHERE key = (1 << 32) + 90";
        ASSERT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK);
        sqlite3_close(db);
        std::string error;
        EXPECT_EQ(countIn(copy, error), -1);
        EXPECT_NE(error.find("element " + std::to_string(far) + " of model Default lies beyond its 89 elements"),
                  std::string::npos)
            << error;
    }
    for (const char* units : {"inf", "1e300", "1e-300", "nan"}) {
        std::string copy = path(std::string("units") + units + ".design");
        fs::copy_file(path("far.design"), copy);
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(copy.c_str(), &db), SQLITE_OK);
        std::string sql = std::string("UPDATE settings SET value = '") + units + "' WHERE name = 'uor_per_master'";
        ASSERT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK);
        sqlite3_close(db);
        std::string error;
        EXPECT_EQ(countIn(copy, error), -1) << units;
        EXPECT_NE(error.find("bad units"), std::string::npos) << error;
    }
    /* The positions an event that was rolled back leaves unused are no damage. */
    openFile("gaps.design");
    addLine(0);
    EXPECT_THROW(sim::runEvent([]() -> bool { for (int i = 0; i < 50; ++i) addLine(i); throw 2; }), int);
    EXPECT_EQ(addLine(1), 52u);
    sim::design::close();
    std::string error;
    EXPECT_EQ(countIn(path("gaps.design"), error), 2) << error;
}

TEST_F(DesignTest, CellsNestedTwoHundredThousandDeepAreSpannedAndRefusedWhenRead) {
    openFile("deep.design");
    constexpr uint32_t DEPTH = 200000;
    DgnModel* m = sim::design::activeModel();
    ASSERT_TRUE(sim::runEvent([&] {
        MSElement el;
        mdlCell_create(&el, u"NEST", nullptr, 0);
        put4(el.bytes + C_COUNT, 1);
        for (uint32_t i = 0; i < DEPTH; ++i)
            if (!sim::design::storeElement(m, 0, el.bytes, i > 0)) return false;
        const Dpoint3d pts[2] = {{0, 0, 0}, {1, 1, 0}};
        mdlLine_create(&el, nullptr, pts);
        return sim::design::storeElement(m, 0, el.bytes, true) != 0;
    }));
    EXPECT_EQ(sim::design::span(m, 1), DEPTH + 1);
    EXPECT_EQ(sim::design::span(m, DEPTH), 2u);
    MSElementDescr* d = nullptr;
    EXPECT_EQ(mdlElmdscr_read(&d, 1, nullptr, 0, nullptr), 0);
    EXPECT_EQ(d, nullptr);
    EXPECT_NE(hostOutput().find("element 257 of model Default nests deeper than 256 levels"), std::string::npos)
        << hostOutput();
    /* Shallow enough, the innermost cells read as before. */
    uint32_t pos = DEPTH - 2;
    d = sim::design::readTree(m, pos, false);
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(pos, DEPTH + 2);
    EXPECT_EQ(mdlElmdscr_count(d), 4);
    mdlElmdscr_freeAll(&d);
}

/* ---- Crashes at every write ------------------------------------------------------------------
** In the manner of SQLite's own crash tests: a child process writes and saves
** a design file and dies at its N-th write system call (WAL frames, and the
** checkpoints that copy them into the file), for every N until the session
** ends of its own. Each time the file must open, read-only as `dump` reads it
** and writable as `open` does, with every element committed before the kill. */

namespace {

using WriteCall = ssize_t (*)(int, const void*, size_t);
using PwriteCall = ssize_t (*)(int, const void*, size_t, off_t);

struct CrashState {
    int writesLeft = -1;   /* the write that dies; -1: none */
    int writes = 0;        /* writes seen since armed */
    int report = -1;       /* the pipe to the parent */
    bool saving = false;   /* a save (its checkpoint) is running */
    sqlite3_syscall_ptr write = nullptr, pwrite = nullptr, pwrite64 = nullptr;
};
CrashState crash;

constexpr int32_t KILLED_IN_CHECKPOINT = -1, KILLED_ELSEWHERE = -2;

void crashPoint() {
    ++crash.writes;
    if (crash.writesLeft < 0 || --crash.writesLeft > 0) return;
    int32_t where = crash.saving ? KILLED_IN_CHECKPOINT : KILLED_ELSEWHERE;
    [[maybe_unused]] ssize_t n = ::write(crash.report, &where, sizeof where);
    _exit(9);
}
ssize_t crashWrite(int fd, const void* p, size_t n) {
    crashPoint();
    return reinterpret_cast<WriteCall>(crash.write)(fd, p, n);
}
ssize_t crashPwrite(int fd, const void* p, size_t n, off_t at) {
    crashPoint();
    return reinterpret_cast<PwriteCall>(crash.pwrite)(fd, p, n, at);
}
ssize_t crashPwrite64(int fd, const void* p, size_t n, off_t at) {
    crashPoint();
    return reinterpret_cast<PwriteCall>(crash.pwrite64)(fd, p, n, at);
}

/* Route SQLite's writes through the crash point (SQLite's own test hook). */
void armCrash(int afterWrites, int reportFd) {
    sqlite3_vfs* vfs = sqlite3_vfs_find(nullptr);
    crash.write = vfs->xGetSystemCall(vfs, "write");
    crash.pwrite = vfs->xGetSystemCall(vfs, "pwrite");
    crash.pwrite64 = vfs->xGetSystemCall(vfs, "pwrite64");
    if (crash.write) vfs->xSetSystemCall(vfs, "write", reinterpret_cast<sqlite3_syscall_ptr>(crashWrite));
    if (crash.pwrite) vfs->xSetSystemCall(vfs, "pwrite", reinterpret_cast<sqlite3_syscall_ptr>(crashPwrite));
    if (crash.pwrite64) vfs->xSetSystemCall(vfs, "pwrite64", reinterpret_cast<sqlite3_syscall_ptr>(crashPwrite64));
    crash.writesLeft = afterWrites;
    crash.report = reportFd;
}

constexpr int EVENTS = 18, LINES_PER_EVENT = 3, SAVE_EVERY = 6;

/* The child's session: events of three lines, a save after every sixth;
** the number of lines committed goes to the parent after each event. */
[[noreturn]] void writingSession(const std::string& file, int killAt, int reportFd) {
    std::string error;
    armCrash(killAt, reportFd);
    if (!sim::design::open(file, true, error)) _exit(3);
    for (int32_t e = 1; e <= EVENTS; ++e) {
        sim::runEvent([&] {
            for (int i = 0; i < LINES_PER_EVENT; ++i) addLine(e * 10 + i);
            return true;
        });
        int32_t committed = e * LINES_PER_EVENT;
        if (::write(reportFd, &committed, sizeof committed) != sizeof committed) _exit(5);
        if (e % SAVE_EVERY == 0) {
            crash.saving = true;
            bool saved = sim::runEvent([&] { return sim::design::save(error); });
            crash.saving = false;
            if (!saved) _exit(6);
        }
    }
    sim::design::close();
    _exit(crash.writes > 0 ? 0 : 7);
}

}  // namespace

TEST_F(DesignTest, KilledAtEveryWriteTheFileOpensWithEveryCommittedElement) {
    int killPoints = 0, inCheckpoint = 0;
    for (int killAt = 1;; ++killAt) {
        for (const char* old : {"crash.design", "crash.design-wal", "crash.design-shm", "crash.design-new"})
            fs::remove(path(old));
        int fds[2];
        ASSERT_EQ(::pipe(fds), 0);
        pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::close(fds[0]);
            writingSession(path("crash.design"), killAt, fds[1]);
        }
        ::close(fds[1]);
        int32_t committed = 0, value = 0;
        bool killed = false, checkpointing = false;
        while (::read(fds[0], &value, sizeof value) == sizeof value) {
            if (value >= 0) committed = value;
            killed = value < 0;
            checkpointing = value == KILLED_IN_CHECKPOINT;
        }
        ::close(fds[0]);
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status)) << status;
        if (!killed) {
            ASSERT_EQ(WEXITSTATUS(status), 0) << "at write " << killAt;
            EXPECT_EQ(committed, EVENTS * LINES_PER_EVENT);
            break;
        }
        ++killPoints;
        inCheckpoint += checkpointing;
        std::string error;
        if (!fs::exists(path("crash.design"))) {
            /* Killed while the file was made: nothing was committed, nothing is there. */
            EXPECT_EQ(committed, 0) << "killed at write " << killAt;
            continue;
        }
        int found = countIn(path("crash.design"), error);
        EXPECT_GE(found, committed) << "killed at write " << killAt << ": " << error;
        EXPECT_LE(found, committed + LINES_PER_EVENT) << "killed at write " << killAt;
        ASSERT_TRUE(sim::design::open(path("crash.design"), false, error)) << "killed at write " << killAt << ": " << error;
        EXPECT_GE(liveCount(), committed);
        sim::design::close();
    }
    EXPECT_GT(killPoints, 50);
    EXPECT_GT(inCheckpoint, 10);
    std::printf("crash test: %d kill points, %d of them inside checkpoints\n", killPoints, inCheckpoint);
}
