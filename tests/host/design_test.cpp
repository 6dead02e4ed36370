#include <gtest/gtest.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <vector>

#include "design_fixture.h"
#include "host/mdlcommand.h"
#include "host/mdlelement.h"
#include "host/mdlgeom.h"
#include "host/sim/system/system.h"
#include "host/sim/design/design.h"
#include "host/sim/base/base.h"

namespace {

std::vector<uint8_t> bytesOf(const MSElement& el) { return {el.bytes, el.bytes + mdlElement_size(&el)}; }

/* Build a cell of three lines at x = 0, 10, 20 and answer its descriptor. */
MSElementDescr* threeLineCell() {
    MSElement el;
    mdlCell_create(&el, u"CELL", nullptr, 0);
    MSElementDescr* cell = nullptr;
    EXPECT_EQ(mdlElmdscr_new(&cell, nullptr, &el), 0);
    for (int i = 0; i < 3; ++i) {
        const Dpoint3d pts[2] = {{10.0 * i, 0, 0}, {10.0 * i, 5, 0}};
        mdlLine_create(&el, nullptr, pts);
        EXPECT_EQ(mdlElmdscr_appendElement(cell, &el), 0);
    }
    return cell;
}

}  // namespace

TEST_F(DesignTest, EveryElementKindRoundTripsByteForByte) {
    openFile("round.design");
    std::vector<std::pair<UInt32, std::vector<uint8_t>>> added;
    MSElement el;
    const Dpoint3d pts[4] = {{0, 0, 0}, {10, 0, 0}, {10, 10, 0}, {0, 10, 5}};
    auto keep = [&](StatusInt built) {
        ASSERT_EQ(built, 0);
        UInt32 pos = mdlElement_add(&el);
        ASSERT_NE(pos, 0u);
        added.emplace_back(pos, bytesOf(el));
    };
    keep(mdlLine_create(&el, nullptr, pts));
    keep(mdlLineString_create(&el, nullptr, pts, 4));
    keep(mdlShape_create(&el, nullptr, pts, 4, 1));
    keep(mdlArc_create(&el, nullptr, &pts[1], 3, 2, nullptr, 0.25, 1.5));
    keep(mdlArc_createByCenter(&el, nullptr, &pts[1], &pts[0], &pts[3], 0));
    keep(mdlEllipse_create(&el, nullptr, &pts[2], 4, 4, nullptr, 0));
    keep(mdlText_create(&el, nullptr, "bl\xc3\xa5", &pts[0], nullptr, nullptr, nullptr, nullptr));
    mdlLine_create(&el, nullptr, pts);
    std::vector<uint8_t> user(12, 0x5A);   /* the body of an 8-word linkage */
    LinkageHeader h{LINKAGE_USER_FLAG, 0x4F33};
    mdlLinkage_setWords(&h, 8);
    ASSERT_EQ(mdlLinkage_appendToElement(&el, &h, user.data(), nullptr, nullptr), 0);
    keep(HOST_SUCCESS);
    uint8_t data[40] = {};   /* a data element with its own body */
    sim::elem::put4(data, DATA_ELM);
    sim::elem::put4(data + 4, 20);
    sim::elem::put4(data + 8, 20);
    sim::elem::put4(data + 12, 20);
    sim::elem::put2(data + 32, 157);
    std::memcpy(el.bytes, data, sizeof data);
    keep(HOST_SUCCESS);

    sim::design::close();
    openFile("round.design");
    for (auto& [pos, bytes] : added) {
        ASSERT_EQ(mdlElement_read(&el, nullptr, pos), 0) << pos;
        EXPECT_EQ(bytesOf(el), bytes) << "element at " << pos;
    }
    EXPECT_EQ(mdlModelRef_getEof(nullptr), added.size());
}

TEST_F(DesignTest, MalformedRecordsAreRefusedByAdd) {
    openFile("bad.design");
    MSElement el;
    const Dpoint3d pts[2] = {{0, 0, 0}, {1, 0, 0}};
    mdlLine_create(&el, nullptr, pts);
    sim::elem::put4(el.bytes + 8, 60);   /* attribute offset past the size */
    EXPECT_EQ(mdlElement_add(&el), 0u);
    mdlLine_create(&el, nullptr, pts);
    sim::elem::put4(el.bytes, 0);         /* type 0 */
    EXPECT_EQ(mdlElement_add(&el), 0u);
    mdlLine_create(&el, nullptr, pts);
    sim::elem::put4(el.bytes + 4, 10);    /* shorter than the line's body */
    EXPECT_EQ(mdlElement_add(&el), 0u);
    MSElement cell;
    mdlCell_create(&cell, u"C", nullptr, 0);
    sim::elem::put4(cell.bytes + sim::elem::C_COUNT, 3);   /* a header alone would swallow what follows */
    EXPECT_EQ(mdlElement_add(&cell), 0u);
    EXPECT_EQ(mdlModelRef_getEof(nullptr), 0u);
    sim::design::close();
    EXPECT_EQ(mdlElement_add(dgnBufP), 0u);   /* no file open */
}

TEST_F(DesignTest, CellComponentsGetConsecutivePositionsInOrder) {
    openFile("cell.design");
    UInt32 before = addLine(-5);
    MSElementDescr* cell = threeLineCell();
    UInt32 pos = mdlElmdscr_add(cell);
    ASSERT_EQ(pos, before + 1);
    EXPECT_EQ(cell->filePos, pos);
    UInt32 expected = pos + 1;
    for (MSElementDescr* c = cell->firstChild; c; c = c->next) EXPECT_EQ(c->filePos, expected++);
    mdlElmdscr_freeAll(&cell);
    UInt32 after = addLine(50);
    EXPECT_EQ(after, pos + 4);

    sim::design::close();
    openFile("cell.design");
    MSElementDescr* read = nullptr;
    UInt32 next = 0;
    ASSERT_GT(mdlElmdscr_read(&read, pos, nullptr, 0, &next), 0);
    EXPECT_EQ(next, after);
    EXPECT_EQ(mdlElmdscr_count(read), 4);
    double x = 0;
    expected = pos + 1;
    for (MSElementDescr* c = read->firstChild; c; c = c->next, x += 10) {
        EXPECT_EQ(c->filePos, expected++);
        Dpoint3d p[2];
        int n;
        ASSERT_EQ(mdlLinear_extract(p, &n, &c->el, nullptr), 0);
        EXPECT_EQ(p[0].x, x);
    }
    DRange3d range;
    ASSERT_EQ(mdlCell_extract(nullptr, &range, nullptr, nullptr, nullptr, 0, &read->el), 0);
    EXPECT_EQ(range.low.x, 0.0);
    EXPECT_EQ(range.high.x, 20.0);
    EXPECT_EQ(range.high.y, 5.0);

    /* Visiting: 11 sees the header and each line once, 1 only the lines. */
    std::vector<int> types;
    auto collect = [](MSElement* el, void* p, DgnModelRefP, MSElementDescr*, MSElementDescr**) {
        static_cast<std::vector<int>*>(p)->push_back(mdlElement_getType(el));
        return 0;
    };
    EXPECT_EQ(mdlElmdscr_operation(read, collect, &types, ELMD_ALL_ONCE), 0);
    EXPECT_EQ(types, (std::vector<int>{CELL_HEADER_ELM, LINE_ELM, LINE_ELM, LINE_ELM}));
    types.clear();
    mdlElmdscr_operation(read, collect, &types, ELMD_ELEMENT);
    EXPECT_EQ(types.size(), 3u);
    auto stop = [](MSElement*, void* p, DgnModelRefP, MSElementDescr*, MSElementDescr**) {
        return ++*static_cast<int*>(p) == 2 ? 0x8000 : 0;
    };
    int visits = 0;
    EXPECT_EQ(mdlElmdscr_operation(read, stop, &visits, ELMD_ALL_ONCE), 0x8000);
    EXPECT_EQ(visits, 2);
    /* A component alone is not a top-level element. */
    MSElementDescr* component = nullptr;
    EXPECT_EQ(mdlElmdscr_read(&component, pos + 1, nullptr, 0, nullptr), 0);
    mdlElmdscr_freeAll(&read);
}

TEST_F(DesignTest, UndoableDeleteUndoAndRedoPerEvent) {
    openFile("undo.design");
    UInt32 a = 0, b = 0;
    sim::runEvent([&] { a = addLine(0); b = addLine(1); return true; });
    MSElementDescr* cell = threeLineCell();
    UInt32 c = 0;
    sim::runEvent([&] { c = mdlElmdscr_add(cell); return true; });
    mdlElmdscr_freeAll(&cell);
    ASSERT_EQ(liveCount(), 6);

    sim::runEvent([&] { return mdlElement_undoableDelete(nullptr, c, 1) == 0 && mdlElement_undoableDelete(nullptr, a, 0) == 0; });
    EXPECT_EQ(liveCount(), 1);
    MSElement el;
    EXPECT_NE(mdlElement_read(&el, nullptr, c + 2), 0);   /* components go with their cell */

    std::string rest;
    const sim::KeyinHandler* undo = sim::findKeyin("undo", rest);
    ASSERT_NE(undo, nullptr);
    std::string error;
    sim::runEvent([&] { return (*undo)(rest, error); });
    EXPECT_EQ(liveCount(), 6);
    /* The undo is on disk too. */
    sim::design::close();
    openFile("undo.design");
    EXPECT_EQ(liveCount(), 6);
    EXPECT_EQ(mdlElement_read(&el, nullptr, c + 2), 0);
    /* A new session has no journal; within one, redo replays. */
    EXPECT_NE(mdlUndo_undo(), 0);
    sim::runEvent([&] { return mdlElement_undoableDelete(nullptr, b, 0) == 0; });
    EXPECT_EQ(mdlUndo_undo(), 0);
    EXPECT_EQ(liveCount(), 6);
    EXPECT_EQ(mdlUndo_redo(), 0);
    EXPECT_EQ(liveCount(), 5);
    EXPECT_NE(mdlUndo_redo(), 0);
    /* Undoing an add leaves the position deleted, never reused. */
    UInt32 d = addLine(9);
    EXPECT_EQ(mdlUndo_undo(), 0);
    EXPECT_NE(mdlElement_read(&el, nullptr, d), 0);
    EXPECT_EQ(addLine(10), d + 1);
}

TEST_F(DesignTest, RewriteAndModifyKeepPositionAndIdentity) {
    openFile("modify.design");
    MSElement el;
    Dpoint3d origin{0, 0, 0};
    ASSERT_EQ(mdlText_create(&el, nullptr, "old", &origin, nullptr, nullptr, nullptr, nullptr), 0);
    UInt32 pos = mdlElement_add(&el);
    uint64_t id = sim::elem::get8(el.bytes + 16);
    auto edit = [](MSElement* e, void*, DgnModelRefP, MSElementDescr*, MSElementDescr**) {
        return mdlText_create(e, e, "a longer text", nullptr, nullptr, nullptr, nullptr, nullptr) == 0
                   ? static_cast<int>(MODIFY_STATUS_REPLACE) : 0;
    };
    ASSERT_EQ(mdlModify_elementSingle(nullptr, pos, 2, 2, edit, nullptr, 0), 0);
    ASSERT_EQ(mdlElement_read(&el, nullptr, pos), 0);
    MSWChar text[32];
    mdlText_extractStringWide(text, 32, &el);
    EXPECT_EQ(std::u16string(text), u"a longer text");
    EXPECT_EQ(sim::elem::get8(el.bytes + 16), id);
    EXPECT_EQ(mdlModify_elementSingle(nullptr, pos, 2, 2, edit, nullptr, 5), HOST_ERROR);
    EXPECT_EQ(mdlUndo_undo(), 0);
    mdlElement_read(&el, nullptr, pos);
    mdlText_extractStringWide(text, 32, &el);
    EXPECT_EQ(std::u16string(text), u"old");
}

TEST_F(DesignTest, FailedEventRollsBackMemoryAndFile) {
    openFile("rollback.design");
    addLine(0);
    EXPECT_THROW(sim::runEvent([]() -> bool { addLine(1); addLine(2); throw 7; }), int);
    EXPECT_EQ(liveCount(), 1);
    UInt32 next = addLine(3);
    sim::design::close();
    openFile("rollback.design");
    EXPECT_EQ(liveCount(), 2);
    MSElement el;
    EXPECT_EQ(mdlElement_read(&el, nullptr, next), 0);
}

TEST_F(DesignTest, ProcessKilledInsideAnEventLeavesTheLastCommittedState) {
    std::string file = path("killed.design");
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::string error;
        if (!sim::design::open(file, true, error)) _exit(3);
        sim::runEvent([] { addLine(0); addLine(1); return true; });
        sim::runEvent([] {
            for (int i = 0; i < 500; ++i) addLine(10 + i);
            UInt32 level = 33;
            sim::design::activeFile()->settings.activeLevel = level;
            sim::design::saveSettings();
            raise(SIGKILL);
            return true;
        });
        _exit(4);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status)) << "child status " << status;
    EXPECT_EQ(WTERMSIG(status), SIGKILL);
    openFile("killed.design");
    EXPECT_EQ(liveCount(), 2);
    EXPECT_EQ(sim::design::activeFile()->settings.activeLevel, 1u);
    EXPECT_EQ(addLine(5), 3u);
}

TEST_F(DesignTest, TruncatedOrCorruptFilesAreRefusedAndTheOpenFileStays) {
    openFile("good.design");
    for (int i = 0; i < 2000; ++i) addLine(i);
    std::string error;
    ASSERT_TRUE(sim::design::save(error)) << error;
    sim::design::close();
    namespace fs = std::filesystem;
    fs::copy_file(path("good.design"), path("short.design"));
    fs::resize_file(path("short.design"), fs::file_size(path("short.design")) / 2 + 100);
    fs::copy_file(path("good.design"), path("garbled.design"));
    {
        std::fstream f(path("garbled.design"), std::ios::in | std::ios::out | std::ios::binary);
        f.seekp(4096);
        std::vector<char> junk(4096 * 8);
        for (size_t i = 0; i < junk.size(); ++i) junk[i] = static_cast<char>(i * 131 + 7);
        f.write(junk.data(), static_cast<std::streamsize>(junk.size()));
    }
    { std::ofstream(path("text.design")) << "not a design file at all, but long enough to have a header of 100 bytes......................"; }
    { std::ofstream(path("empty.design")); }

    openFile("other.design");
    UInt32 mine = addLine(0);
    for (const char* name : {"short.design", "garbled.design", "text.design", "empty.design"}) {
        error.clear();
        EXPECT_FALSE(sim::design::open(path(name), false, error)) << name;
        EXPECT_FALSE(error.empty()) << name;
        ASSERT_NE(sim::design::activeFile(), nullptr);
        EXPECT_EQ(sim::design::activeFile()->path, path("other.design"));
    }
    EXPECT_NE(error.find("empty.design"), std::string::npos) << error;
    EXPECT_EQ(liveCount(), 1);
    EXPECT_EQ(addLine(1), mine + 1);
}

TEST_F(DesignTest, CorruptElementRowIsRefusedWithItsPosition) {
    openFile("row.design");
    addLine(0);
    addLine(1);
    sim::design::close();
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path("row.design").c_str(), &db), SQLITE_OK);
    /* A blob whose stated size disagrees with its length. */
    ASSERT_EQ(sqlite3_exec(db, "UPDATE elements SET data = substr(data, 1, 40) WHERE key = (1 << 32) + 2", nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);
    std::string error;
    EXPECT_FALSE(sim::design::open(path("row.design"), false, error));
    EXPECT_NE(error.find("element 2"), std::string::npos) << error;
    EXPECT_EQ(sim::design::activeFile(), nullptr);
}

TEST_F(DesignTest, ScanReturnsPositionsInBatchesReportingElevenWhileMoreFollow) {
    openFile("scan.design");
    std::vector<UInt32> wanted;
    sim::runEvent([&] {
        for (int i = 0; i < 700; ++i) {
            if (i % 4 == 1) {
                /* Data elements on level 20 (70 of them) and on level 21. */
                bool hit = i % 8 == 1 && wanted.size() < 70;
                uint8_t data[40] = {};
                sim::elem::put4(data, DATA_ELM);
                sim::elem::put4(data + 4, 20);
                sim::elem::put4(data + 8, 20);
                sim::elem::put4(data + 12, hit ? 20 : 21);
                UInt32 pos = mdlElement_add(reinterpret_cast<MSElement*>(data));
                if (hit) wanted.push_back(pos);
            } else {
                addLine(i, 20);
            }
        }
        return true;
    });
    ASSERT_EQ(wanted.size(), 70u);
    ScanCriteriaP sc = mdlScanCriteria_create();
    mdlScanCriteria_setModel(sc, mdlModelRef_getActive());
    mdlScanCriteria_addSingleElementTypeTest(sc, DATA_ELM);
    mdlScanCriteria_addSingleLevelTest(sc, 20);
    mdlScanCriteria_setReturnType(sc, SCAN_RETURN_FILEPOS, 0, 1);
    std::vector<UInt32> found;
    std::vector<int> statuses;
    for (;;) {
        UInt32 buffer[64];
        int words = 128;
        int status = mdlScanCriteria_scan(sc, buffer, &words, nullptr);
        statuses.push_back(status);
        found.insert(found.end(), buffer, buffer + words / 2);
        if (words == 0 || status != SCAN_BUFFER_FULL) break;
    }
    mdlScanCriteria_free(sc);
    EXPECT_EQ(found, wanted);
    EXPECT_EQ(statuses, (std::vector<int>{SCAN_BUFFER_FULL, SCAN_END_OF_MODEL}));
}

TEST_F(DesignTest, ScanOfElementsSkipsDeletedAndComponentsUnlessNested) {
    openFile("scan2.design");
    MSElementDescr* cell = threeLineCell();
    mdlElmdscr_add(cell);
    mdlElmdscr_freeAll(&cell);
    UInt32 gone = addLine(1);
    addLine(2);
    mdlElement_undoableDelete(nullptr, gone, 0);
    ScanCriteriaP sc = mdlScanCriteria_create();
    mdlScanCriteria_addSingleElementTypeTest(sc, LINE_ELM);
    std::vector<uint16_t> buffer(4096);
    int words = static_cast<int>(buffer.size());
    EXPECT_EQ(mdlScanCriteria_scan(sc, reinterpret_cast<UInt32*>(buffer.data()), &words, nullptr), SCAN_END_OF_MODEL);
    EXPECT_EQ(words, 52);   /* one line record */
    mdlScanCriteria_setReturnType(sc, SCAN_RETURN_FILEPOS, 0, 1);
    mdlScanCriteria_reset(sc);
    words = static_cast<int>(buffer.size());
    mdlScanCriteria_scan(sc, reinterpret_cast<UInt32*>(buffer.data()), &words, nullptr);
    EXPECT_EQ(words, 8);    /* three components and the line */
    mdlScanCriteria_free(sc);
}

TEST_F(DesignTest, NewDesignFileCallbackRunsForEveryApplicationAsCurrent) {
    static std::vector<std::pair<MdlDesc*, int>> calls;
    static std::string lastName;
    calls.clear();
    MdlDesc* a = sim::registerApplication("first");
    MdlDesc* b = sim::registerApplication("second");
    sim::registerApplication("third");   /* no callback */
    void (*fn)(const char*, int) = [](const char* name, int st) {
        calls.emplace_back(sim::currentApplication(), st);
        lastName = name;
    };
    a->newDesignFileFunction = reinterpret_cast<void*>(fn);
    b->newDesignFileFunction = reinterpret_cast<void*>(fn);
    openFile("callback.design");
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0], std::make_pair(a, 1));
    EXPECT_EQ(calls[1], std::make_pair(b, 1));
    EXPECT_EQ(lastName, path("callback.design"));
    EXPECT_EQ(sim::currentApplication(), nullptr);
    std::string error;
    EXPECT_FALSE(sim::design::open(path("missing.design"), false, error));
    EXPECT_EQ(calls.size(), 2u);
    /* Opening another file tells of the closing one first (state 0). */
    openFile("next.design");
    ASSERT_EQ(calls.size(), 6u);
    EXPECT_EQ(calls[2], std::make_pair(a, 0));
    EXPECT_EQ(calls[3], std::make_pair(b, 0));
    EXPECT_EQ(calls[4], std::make_pair(a, 1));
    EXPECT_EQ(lastName, path("next.design"));
}

TEST_F(DesignTest, SettingsUnitsAndTablesPersist) {
    setenv("_HOST_UOR_PER_MASTER", "2540", 1);
    openFile("settings.design");
    unsetenv("_HOST_UOR_PER_MASTER");
    double uor = 0;
    ASSERT_EQ(mdlCnv_masterToUOR(&uor, 2.0, nullptr), 0);
    EXPECT_EQ(uor, 5080.0);
    sim::design::DesignFile* f = sim::design::activeFile();
    EXPECT_EQ(f->levels.size(), 64u);
    EXPECT_EQ(f->lineStyles.size(), 8u);
    f->settings.activeAngle = 30;
    f->settings.locks = {{517, 1}, {3, 0}};
    f->settings.activeCellLibrary = "c:\\cells\\zm.cel";
    f->settings.nextGraphicGroup = 12;
    f->settings.activeStyle = -3;
    f->settings.activeColour = 0xFFFFFFF0u;
    f->settings.textSlant = 0.1;
    f->settings.workMode = 2;
    f->units.subName = "cm";
    f->is3d = false;
    const sim::design::Settings saved = f->settings;
    EXPECT_TRUE(sim::design::saveSettings());
    int32_t custom = sim::design::addLineStyle("Dash dot", "1,0.5,0.1,0.5");
    EXPECT_LT(custom, 0);
    EXPECT_EQ(sim::design::addLineStyle("Dash dot", ""), custom);
    f->levels[19].colour = 4;
    sim::design::saveLevels();
    sim::design::close();
    openFile("settings.design");
    f = sim::design::activeFile();
    EXPECT_EQ(f->units.uorPerMaster, 2540.0);
    EXPECT_EQ(f->units.subName, "cm");
    EXPECT_FALSE(f->is3d);
    EXPECT_TRUE(f->settings == saved);
    EXPECT_EQ(f->settings.activeAngle, 30.0);
    EXPECT_EQ(f->settings.locks, (std::vector<std::pair<int, int>>{{517, 1}, {3, 0}}));
    EXPECT_EQ(f->settings.activeCellLibrary, "c:\\cells\\zm.cel");
    EXPECT_EQ(f->settings.nextGraphicGroup, 12u);
    EXPECT_EQ(f->lineStyles.size(), 9u);
    EXPECT_EQ(f->levels[19].colour, 4u);
    EXPECT_EQ(f->levels[19].name, "Level 20");
    sim::design::close();
    /* The stored text of the settings block, as files already written hold it. */
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path("settings.design").c_str(), &db), SQLITE_OK);
    sqlite3_stmt* st = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(db, "SELECT group_concat(row, ' ') FROM (SELECT name || '=' || value AS row FROM"
                                     " settings WHERE name IN ('active_angle', 'active_style', 'active_colour',"
                                     " 'text_slant', 'locks', 'is3d', 'sub_units') ORDER BY name)", -1, &st, nullptr),
              SQLITE_OK);
    ASSERT_EQ(sqlite3_step(st), SQLITE_ROW);
    EXPECT_STREQ(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)),
                 "active_angle=30 active_colour=4294967280 active_style=-3 is3d=0 locks=517=1;3=0;"
                 " sub_units=cm text_slant=0.10000000000000001");
    sqlite3_finalize(st);
    sqlite3_close(db);
}

/* A file that refuses writes (triggers stand for a full or failing device)
** must say so and keep each table whole, and memory must follow the file. */
TEST_F(DesignTest, RefusedWritesAreReportedAndLeaveTheFileWhole) {
    openFile("refuse.design");
    addLine(0);
    UInt32 second = addLine(1);
    auto other = [&](const char* sql) {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(path("refuse.design").c_str(), &db), SQLITE_OK);
        EXPECT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
        sqlite3_close(db);
    };
    other("CREATE TRIGGER no_settings BEFORE INSERT ON settings BEGIN SELECT RAISE(ABORT, 'device full'); END;"
          "CREATE TRIGGER no_level BEFORE INSERT ON levels WHEN NEW.id = 20 BEGIN SELECT RAISE(ABORT, 'device full'); END;"
          "CREATE TRIGGER no_delete BEFORE INSERT ON elements WHEN NEW.deleted BEGIN SELECT RAISE(ABORT, 'device full'); END;");
    sim::clearOutputLog();
    sim::design::DesignFile* f = sim::design::activeFile();
    f->settings.activeLevel = 33;
    std::string error;
    EXPECT_FALSE(sim::design::save(error));
    EXPECT_NE(error.find("device full"), std::string::npos) << error;
    f->levels[0].colour = 4;
    EXPECT_FALSE(sim::design::saveLevels());
    EXPECT_NE(mdlElement_undoableDelete(nullptr, second, 0), 0);
    EXPECT_NE(mdlUndo_undo(), 0);   /* undoing the add deletes */
    MSElement el;
    EXPECT_EQ(mdlElement_read(&el, nullptr, second), 0);
    int reported = 0;
    for (const sim::OutputEntry& e : sim::outputLog())
        reported += e.kind == sim::OutputKind::Host && e.text.find("device full") != std::string::npos;
    EXPECT_GE(reported, 3);
    EXPECT_EQ(addLine(2), second + 1);   /* no transaction was left open */
    sim::design::close();
    other("DROP TRIGGER no_settings; DROP TRIGGER no_level; DROP TRIGGER no_delete;");
    openFile("refuse.design");
    f = sim::design::activeFile();
    EXPECT_EQ(liveCount(), 3);
    EXPECT_EQ(f->settings.activeLevel, 1u);
    ASSERT_EQ(f->levels.size(), 64u);
    EXPECT_EQ(f->levels[0].colour, 0u);
    EXPECT_EQ(f->levels[19].name, "Level 20");
}

TEST_F(DesignTest, ReferencesAreIteratedAfterTheActiveModel) {
    openFile("ref.design");
    addLine(0);
    sim::design::close();
    openFile("main.design");
    std::string error;
    DgnModel* ref = sim::design::attachReference(path("ref.design"), error);
    ASSERT_NE(ref, nullptr) << error;
    ModelRefIteratorP it = nullptr;
    ASSERT_EQ(mdlModelRefIterator_create(&it, mdlModelRef_getActive(), MRITERATE_ROOT | MRITERATE_PRIMARY_CHILD_REFS, 0), 0);
    EXPECT_EQ(mdlModelRefIterator_getFirst(it), mdlModelRef_getActive());
    EXPECT_EQ(mdlModelRefIterator_getNext(it), ref);
    EXPECT_EQ(mdlModelRefIterator_getNext(it), nullptr);
    mdlModelRefIterator_free(&it);
    int display = 0;
    EXPECT_EQ(mdlRefFile_getParameters(&display, REFERENCE_DISPLAY, ref), 0);
    EXPECT_EQ(display, 1);
    EXPECT_NE(mdlRefFile_getParameters(&display, REFERENCE_DISPLAY, mdlModelRef_getActive()), 0);
    MSElement el;
    EXPECT_EQ(mdlElement_read(&el, ref, 1), 0);
    EXPECT_EQ(sim::design::storeElement(ref, 0, el.bytes, false), 0u);   /* references are read-only */
}

TEST_F(DesignTest, DumpShowsGeometryTextAndLinkages) {
    openFile("dump.design");
    MSElement el;
    const Dpoint3d pts[2] = {{1, 2, 3}, {4, 5, 6}};
    mdlLine_create(&el, nullptr, pts);
    LinkageHeader h{LINKAGE_USER_FLAG, 0x4F33};
    mdlLinkage_setWords(&h, 4);
    uint8_t body[4] = {0x0d, 0x00, 0x03, 0x00};
    mdlLinkage_appendToElement(&el, &h, body, nullptr, nullptr);
    mdlElement_add(&el);
    std::string text;
    sim::design::dump(nullptr, text);
    EXPECT_EQ(text, "1 line type=3 level=1 colour=0 weight=0 style=0 points (1,2,3) (4,5,6) linkage 0x4f33 0410334f0d000300\n");
    sim::clearOutputLog();
    const sim::SessionVerb* dump = sim::findSessionVerb("dump");
    ASSERT_NE(dump, nullptr);
    std::string error;
    sim::design::close();
    ASSERT_TRUE((*dump)(path("dump.design"), error)) << error;   /* without an open file */
    EXPECT_EQ(sim::consoleText(), text);
    EXPECT_FALSE((*dump)(path("nope.design"), error));
}

TEST_F(DesignTest, FailedAllocationsLeaveDescriptorsWholeOrAbsent) {
    openFile("memory.design");
    MSElementDescr* cell = threeLineCell();
    UInt32 pos = mdlElmdscr_add(cell);
    ASSERT_NE(pos, 0u);
    sim::failAllocations(1);
    MSElement el;
    mdlLine_create(&el, nullptr, nullptr);
    const Dpoint3d pts[2] = {{0, 0, 0}, {1, 0, 0}};
    mdlLine_create(&el, nullptr, pts);
    EXPECT_NE(mdlElmdscr_appendElement(cell, &el), 0);
    EXPECT_EQ(mdlElmdscr_count(cell), 4);
    for (int skip = 0; skip < 4; ++skip) {
        sim::failAllocations(1, skip);
        MSElementDescr* read = nullptr;
        EXPECT_EQ(mdlElmdscr_read(&read, pos, nullptr, 0, nullptr), 0) << skip;
        EXPECT_EQ(read, nullptr);
    }
    sim::failAllocations(0);
    MSElementDescr* read = nullptr;
    EXPECT_GT(mdlElmdscr_read(&read, pos, nullptr, 0, nullptr), 0);
    EXPECT_EQ(mdlElmdscr_count(read), 4);
    mdlElmdscr_freeAll(&read);
    mdlElmdscr_freeAll(&cell);
}

/* Nodes have a modest room: growing an element in place must stop at it,
** where a plain element buffer takes a whole element. */
TEST_F(DesignTest, ElementsOfDescriptorsGrowInPlaceOnlyWithinTheirNodesRoom) {
    openFile("room.design");
    auto append = [](MSElement* el, int words) {
        std::vector<uint8_t> body(2 * words, 7);
        LinkageHeader h{LINKAGE_USER_FLAG, 0x4F33};
        EXPECT_EQ(mdlLinkage_setWords(&h, words), 0);
        return mdlLinkage_appendToElement(el, &h, body.data() + 4, nullptr, nullptr);
    };
    MSElementDescr* cell = threeLineCell();
    const int size = mdlElement_size(&cell->el);
    ASSERT_GE(cell->capacity, static_cast<UInt32>(size + MAX_DESCR_GROWTH));
    EXPECT_EQ(append(&cell->el, 12), 0);   /* a user data linkage of a few words */
    EXPECT_EQ(mdlElement_validate(&cell->el), 0);
    const int grown = mdlElement_size(&cell->el);
    EXPECT_EQ(grown, size + 24);

    EXPECT_NE(append(&cell->el, 4000), 0);   /* 8000 bytes: past the room, refused whole */
    EXPECT_EQ(mdlElement_size(&cell->el), grown);
    MSElement plain;
    mdlElement_memcpy(&plain, &cell->el);
    EXPECT_EQ(append(&plain, 4000), 0);      /* a whole buffer takes it */
    EXPECT_EQ(mdlElement_memcpy(&cell->firstChild->el, &plain), 0);   /* and is not copied over a small node */
    EXPECT_EQ(mdlElement_validate(&cell->firstChild->el), 0);
    std::vector<MSWChar> longName(MAX_DESCR_GROWTH, u'N');
    longName.back() = 0;
    EXPECT_NE(mdlCell_setName(&cell->el, longName.data()), 0);
    EXPECT_EQ(mdlElement_size(&cell->el), grown);

    /* A large element gets a node of its own size; long chains come and go. */
    std::vector<Dpoint3d> points(MAX_VERTICES);
    for (int i = 0; i < MAX_VERTICES; ++i) points[i] = {1.0 * i, 1.0 * (i % 2), 0};
    MSElement shape;
    ASSERT_EQ(mdlLineString_create(&shape, nullptr, points.data(), MAX_VERTICES), 0);
    for (int round = 0; round < 2; ++round) {
        MSElementDescr* chain = nullptr;
        ASSERT_EQ(mdlElmdscr_new(&chain, nullptr, &shape), 0);
        EXPECT_EQ(append(&chain->el, 200), 0);
        MSElement line;
        const Dpoint3d ends[2] = {{0, 0, 0}, {1, 1, 0}};
        mdlLine_create(&line, nullptr, ends);
        for (int i = 0; i < 20000; ++i) ASSERT_EQ(mdlElmdscr_appendElement(chain, &line), 0);
        EXPECT_EQ(mdlElmdscr_count(chain), 20001);
        EXPECT_EQ(mdlElmdscr_validate(chain, nullptr), 0);
        mdlElmdscr_freeAll(&chain);
    }
    mdlElmdscr_freeAll(&cell);
}

/* Chains built and freed in any order share the node memory: no node may
** be handed out twice, so every chain must keep its own elements. */
TEST_F(DesignTest, ChainsFreedInAnyOrderKeepEachOthersElements) {
    openFile("chains.design");
    auto build = [](int tag, int length) {
        MSElementDescr* chain = nullptr;
        for (int i = 0; i < length; ++i) {
            /* Every fourth element a shape of many vertices: nodes of a larger room. */
            std::vector<Dpoint3d> pts(i % 4 ? 2 : 60, Dpoint3d{1.0 * tag, 1.0 * i, 0});
            pts.back().x += 1;
            MSElement el;
            EXPECT_EQ(pts.size() == 2 ? mdlLine_create(&el, nullptr, pts.data())
                                      : mdlLineString_create(&el, nullptr, pts.data(), static_cast<int>(pts.size())),
                      0);
            EXPECT_EQ(chain ? mdlElmdscr_appendElement(chain, &el) : mdlElmdscr_new(&chain, nullptr, &el), 0);
        }
        return chain;
    };
    auto firstPoint = [](const MSElement* el) {
        Dpoint3d points[64]{};   /* the elements here have at most 60 vertices */
        int count = 0;
        EXPECT_EQ(mdlLinear_extract(points, &count, el, nullptr), 0);
        return points[0];
    };
    auto intact = [&](const MSElementDescr* chain, int tag) {
        int i = 0;
        for (const MSElementDescr* d = chain; d; d = d->next, ++i)
            if (mdlElement_validate(&d->el) != 0 || firstPoint(&d->el).x != tag || firstPoint(&d->el).y != i)
                return false;
        return true;
    };
    std::vector<MSElementDescr*> chains;
    uint64_t seed = 7;
    for (int round = 0; round < 300; ++round) {
        seed = seed * 6364136223846793005ull + 1442695040888963407ull;
        size_t pick = static_cast<size_t>(seed >> 33);
        if (!chains.empty() && pick % 3 == 0) {
            MSElementDescr*& victim = chains[pick % chains.size()];
            mdlElmdscr_freeAll(&victim);
            victim = chains.back();
            chains.pop_back();
        } else {
            chains.push_back(build(round, 1 + static_cast<int>(pick % 200)));
        }
    }
    for (MSElementDescr*& chain : chains) {
        EXPECT_TRUE(intact(chain, static_cast<int>(firstPoint(&chain->el).x)));
        mdlElmdscr_freeAll(&chain);
    }
}

TEST_F(DesignTest, WriteThatCannotReachTheFileLeavesNoElementInMemory) {
    openFile("locked.design");
    UInt32 first = addLine(0);
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(path("locked.design").c_str(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
    EXPECT_EQ(addLine(1), 0u);
    EXPECT_EQ(mdlModelRef_getEof(nullptr), first);
    sqlite3_exec(other, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(other);
    EXPECT_EQ(addLine(2), first + 1);
    sim::design::close();
    openFile("locked.design");
    EXPECT_EQ(liveCount(), 2);
}

TEST_F(DesignTest, LocksAndActiveParametersLiveInTheOpenFile) {
    openFile("params.design");
    mdlParams_setLock(LOCK_517, 1);
    const double angle = M_PI / 6;
    ASSERT_EQ(mdlParams_setActive(&angle, ACTIVEPARAM_ANGLE), 0);
    int32_t colour = 3;
    ASSERT_EQ(mdlParams_setActive(&colour, ACTIVEPARAM_COLOR), 0);
    int32_t custom = sim::design::addLineStyle("Centre", "2,0.5");
    char name[MAX_PARAM_TEXT] = "centre";
    ASSERT_EQ(mdlParams_setActive(name, ACTIVEPARAM_LINESTYLENAME), 0);
    EXPECT_NE(mdlParams_setActive("no such style", ACTIVEPARAM_LINESTYLENAME), 0);
    sim::design::close();

    /* Without a file the process-wide block answers, untouched by the file's values. */
    EXPECT_EQ(mdlParams_getLock(LOCK_517), 0);

    openFile("params.design");
    EXPECT_EQ(mdlParams_getLock(LOCK_517), 1);
    EXPECT_DOUBLE_EQ(sim::design::activeFile()->settings.activeAngle, 30.0);
    double back = 0;
    ASSERT_EQ(mdlParams_getActive(&back, ACTIVEPARAM_ANGLE), 0);
    EXPECT_NEAR(back, angle, 1e-12);
    int32_t style = 0;
    ASSERT_EQ(mdlParams_getActive(&style, ACTIVEPARAM_LINESTYLE), 0);
    EXPECT_EQ(style, custom);
    ASSERT_EQ(mdlParams_getActive(name, ACTIVEPARAM_LINESTYLENAME), 0);
    EXPECT_STREQ(name, "Centre");
    ASSERT_EQ(mdlParams_getActive(&colour, ACTIVEPARAM_COLOR), 0);
    EXPECT_EQ(colour, 3);
}
