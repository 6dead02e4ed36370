#include "core_fixture.h"
#include "lib/core/error.h"

namespace {

using ErrorTest = CoreTest;

struct Decoded { int kind, first, second; };
Decoded decode(int flags) {
    Decoded d{};
    zmlib::error::decodeFlags(flags, &d.kind, &d.first, &d.second);
    return d;
}

TEST(MessageBoxFlags, LowestBitOfEachFieldCountsAndEmptyFieldsTakeDefaults) {
    struct { int flags, kind, first, second; } cases[] = {
        {0, 1, 16, 0},   {3, 1, 16, 0},     {17, 1, 16, 0},    {66, 2, 64, 0},    {68, 4, 64, 0},
        {145, 1, 16, 128}, {152, 8, 16, 128}, {296, 8, 32, 256}, {577, 1, 64, 512}, {8 | 96 | 768, 8, 32, 256},
    };
    for (auto& c : cases) {
        Decoded d = decode(c.flags);
        EXPECT_EQ(d.kind, c.kind) << c.flags;
        EXPECT_EQ(d.first, c.first) << c.flags;
        EXPECT_EQ(d.second, c.second) << c.flags;
    }
}

TEST(MessageBoxLines, CutAt25AndNoEmptyLines) {
    std::string text;
    for (int i = 1; i <= 30; ++i) text += "line " + std::to_string(i) + "\n";
    std::vector<char> buf(text.begin(), text.end());
    buf.push_back('\0');
    const char* lines[26];
    EXPECT_EQ(zmlib::error::splitLines(buf.data(), lines, 25), 25);
    EXPECT_STREQ(lines[24], "line 25");
    EXPECT_EQ(lines[25], nullptr);

    char two[] = "\nfirst\n\n\nsecond";
    EXPECT_EQ(zmlib::error::splitLines(two, lines, 25), 2);
    EXPECT_STREQ(lines[0], "first");
    EXPECT_STREQ(lines[1], "second");

    char none[] = "\n\n";
    EXPECT_EQ(zmlib::error::splitLines(none, lines, 25), 0);
}

TEST_F(ErrorTest, MessageBoxFromListIsFormattedAndSplit) {
    MdlDesc* a = startApp("ALPHA");
    sim::CurrentApplicationScope s(a);
    EXPECT_EQ(zmlibError_rscMsgBoxPrintf(145, ZMLIB_LIST_ERRORS, 16, "x.rsc"), ZMLIB_ACTION_OK);
    EXPECT_EQ(boxText(), "Cannot open x.rsc\n");
    const auto& box = zmlib::error::messageBoxState();
    EXPECT_EQ(box.kind, 1);
    EXPECT_EQ(box.secondButton, 128);
    zmlibError_rscMsgBoxPrintf(0, ZMLIB_LIST_ERRORS, 30);
    EXPECT_EQ(boxText(), "Line one\nLine two\n");
    EXPECT_EQ(box.secondButton, 0);
}

TEST_F(ErrorTest, MissingMessageShowsNothing) {
    MdlDesc* a = startApp("ALPHA");
    sim::CurrentApplicationScope s(a);
    zmlibError_msgBoxPrintf(17, "before");
    EXPECT_EQ(zmlibError_rscMsgBoxPrintf(17, ZMLIB_LIST_ERRORS, 999), ZMERROR_NO_MESSAGE);
    EXPECT_EQ(zmlibError_rscListPrintf(0, ZMLIB_LIST_ERRORS, 999), ZMERROR_NO_MESSAGE);
    EXPECT_EQ(boxText(), "before\n");
    EXPECT_EQ(zmlib::error::messageList(), nullptr);
}

TEST_F(ErrorTest, LongTextIsCutNotOverflowed) {
    MdlDesc* a = startApp("ALPHA");
    sim::CurrentApplicationScope s(a);
    std::string big(5000, 'w');
    zmlibError_msgBoxPrintf(17, "%s", big.c_str());
    EXPECT_EQ(boxText().size(), size_t(zmlib::error::TEXT_SIZE - 1) + 1);
}

std::vector<std::string> listLines() {
    std::vector<std::string> out;
    StringList* l = zmlib::error::messageList();
    for (int i = 0; i < mdlStringList_size(l); ++i) {
        const char* t = nullptr;
        mdlStringList_getMember(&t, nullptr, l, i);
        out.push_back(t);
    }
    return out;
}

TEST_F(ErrorTest, ListModesCollectIgnoreAndPrint) {
    MdlDesc* a = startApp("ALPHA");
    sim::CurrentApplicationScope s(a);
    sim::clearOutputLog();
    EXPECT_EQ(zmlibError_listPrintf(0, "one\ntwo %d", 2), ZMERROR_COLLECTED);
    EXPECT_EQ(zmlibError_rscListPrintf(0, ZMLIB_LIST_ERRORS, 16, "f.rsc"), ZMERROR_COLLECTED);
    EXPECT_EQ(listLines(), (std::vector<std::string>{"one", "two 2", "Cannot open f.rsc"}));
    EXPECT_EQ(zmlibError_listPrintf(2, "ignored"), ZMERROR_COLLECTED);
    EXPECT_EQ(zmlibError_listPrintf(7, "to the console %s\n", "now"), ZMERROR_COLLECTED);
    EXPECT_EQ(listLines().size(), 3u);
    EXPECT_EQ(sim::consoleText(), "to the console now\n");
    EXPECT_NE(zmlibError_listPrintf(0, "\n"), 0);
}

TEST_F(ErrorTest, ListDropsOldestLinesWhenTheHostRefusesMore) {
    MdlDesc* a = startApp("ALPHA");
    sim::CurrentApplicationScope s(a);
    sim::setStringListMemberLimit(3);
    for (int i = 1; i <= 5; ++i) EXPECT_EQ(zmlibError_listPrintf(0, "m%d", i), ZMERROR_COLLECTED);
    EXPECT_EQ(listLines(), (std::vector<std::string>{"m3", "m4", "m5"}));
    sim::setStringListMemberLimit(0);
    zmlib::error::destroyMessageList();
    EXPECT_EQ(zmlibError_listPrintf(0, "lost"), ZMERROR_NO_MESSAGE);
}

TEST_F(ErrorTest, ClosedListStartsAfresh) {
    MdlDesc* a = startApp("ALPHA");
    sim::CurrentApplicationScope s(a);
    zmlibError_listPrintf(0, "old");
    zmlib::error::destroyMessageList();
    zmlibError_listPrintf(0, "new");
    EXPECT_EQ(listLines(), (std::vector<std::string>{"new"}));
}

TEST_F(ErrorTest, SavedListHoldsEveryLine) {
    MdlDesc* a = startApp("ALPHA");
    sim::CurrentApplicationScope s(a);
    EXPECT_EQ(zmlib::error::saveMessageList(path("none.txt").c_str()), ZMLIB_ERROR);
    zmlibError_listPrintf(0, "first\nsecond");
    ASSERT_EQ(zmlib::error::saveMessageList(path("out.txt").c_str()), ZMLIB_SUCCESS);
    EXPECT_EQ(readFile(path("out.txt")), "first\nsecond\n");
    EXPECT_EQ(zmlib::error::saveMessageList(path("no/such/dir/out.txt").c_str()), ZMLIB_ERROR);
}

TEST_F(ErrorTest, TitlesByKind) {
    MdlDesc* a = startApp("ALPHA");
    sim::CurrentApplicationScope s(a);
    sim::clearOutputLog();
    EXPECT_EQ(zmlibError_setTitle(8, "Q %d", 7), 3);
    EXPECT_STREQ(zmlibMain_getGlobalDataP()->messageBoxTitles[1], "Q 7");
    EXPECT_EQ(zmlibError_setTitle(3, "bad"), 0);
    EXPECT_EQ(sim::consoleText(), "Feil under setting av tittel 3\n");
    std::string big(600, 't');
    EXPECT_EQ(zmlibError_setTitle(2, "%s", big.c_str()), 512);
}

TEST_F(ErrorTest, LanguageTexts) {
    MdlDesc* a = startApp("ALPHA");
    sim::CurrentApplicationScope s(a);
    EXPECT_STREQ(zmlibUtil_getLanguageText(25), "OK");
    EXPECT_STREQ(zmlibUtil_getLanguageText(999), "");
    EXPECT_STREQ(zmlibUtil_getLanguageText(90), "100%");
    /* A format keeps its conversions and its "%%" for the caller. */
    EXPECT_STREQ(zmlibUtil_getLanguageText(91), "%d%% of %s");
}

}  // namespace

namespace {

TEST_F(ErrorTest, ButtonsFollowTheFlags) {
    MdlDesc* a = startApp("ALPHA");
    sim::CurrentApplicationScope s(a);
    modalDialogs.clear();
    answer = ACTIONBUTTON_CANCEL;
    EXPECT_EQ(zmlibError_msgBoxPrintf(296, "Replace it?"), ACTIONBUTTON_CANCEL);
    EXPECT_EQ(buttons, (std::vector<std::string>{"Yes", "No"}));
    answer = ACTIONBUTTON_OK;
    EXPECT_EQ(zmlibError_msgBoxPrintf(0, "Done"), ACTIONBUTTON_OK);
    EXPECT_EQ(buttons, (std::vector<std::string>{"OK", "-"}));
    EXPECT_EQ(modalDialogs, (std::vector<int32_t>{20011, 20011}));
}

TEST_F(ErrorTest, MessageBoxWithoutItsDialogPrintsTheText) {
    MdlDesc* a = sim::registerApplication("BARE", messages);
    sim::openApplicationResources(a);
    sim::CurrentApplicationScope s(a);
    char* argv[] = {const_cast<char*>("bare.so"), nullptr};
    mdlSystem_defineCfgVar("ZM_DIR", "C:\\zm\\", CFGVAR_LEVEL_USER);
    zmlibMain_initZmLib("BARE", 1, argv);
    sim::clearOutputLog();
    EXPECT_EQ(zmlibError_msgBoxPrintf(17, "first\nsecond"), ZMERROR_NO_MESSAGE);
    EXPECT_NE(sim::consoleText().find("first\nsecond\n"), std::string::npos);
}

TEST_F(ErrorTest, ShowingTheListOpensItsDialogAndClosingEmptiesIt) {
    MdlDesc* a = startApp("ALPHA");
    sim::CurrentApplicationScope s(a);
    zmlibError_listPrintf(0, "collected");
    modalDialogs.clear();
    EXPECT_EQ(zmlibError_listPrintf(1, "Heading"), ACTIONBUTTON_OK);
    EXPECT_EQ(modalDialogs, (std::vector<int32_t>{zmlib::error::DIALOG_MESSAGE_LIST}));
    EXPECT_EQ(zmlib::error::messageList(), nullptr);
    zmlibError_listPrintf(0, "next");
    EXPECT_EQ(listLines(), (std::vector<std::string>{"next"}));
}

TEST_F(ErrorTest, SaveButtonWritesTheListToTheChosenFile) {
    MdlDesc* a = startApp("ALPHA");
    sim::CurrentApplicationScope s(a);
    zmlibError_listPrintf(0, "one\ntwo");
    std::string target = path("saved.txt");
    sim::setFileHandler([&](const std::string&, bool create, std::string& name) {
        EXPECT_TRUE(create);
        name = target;
        return true;
    });
    sim::setModalHandler([](DialogBox* db) {
        DialogItem* save = mdlDialog_itemGetByTypeAndId(db, ITEMTYPE_PUSHBUTTON, zmlib::error::ITEM_SAVE_BUTTON, 0);
        EXPECT_NE(save, nullptr);
        if (save) mdlDialog_itemPress(db, save->itemIndex);
        return ACTIONBUTTON_OK;
    });
    zmlibError_listPrintf(1, "Heading");
    EXPECT_EQ(readFile(target), "one\ntwo\n");
}

}  // namespace

namespace {

TEST_F(ErrorTest, BoxDrawsItsIconTitleAndLines) {
    MdlDesc* a = startApp("ALPHA");
    sim::CurrentApplicationScope s(a);
    std::vector<std::string> drawn;
    std::string title;
    sim::setModalHandler([&](DialogBox* db) {
        drawn = sim::dialogDrawings(db);
        char t[600] = "";
        mdlWindow_titleGet(t, sizeof t, db);
        title = t;
        return ACTIONBUTTON_OK;
    });
    zmlibError_msgBoxPrintf(4, "first\n\nsecond");
    EXPECT_EQ(title, "Warning from ALPHA");
    ASSERT_EQ(drawn.size(), 3u);
    EXPECT_EQ(drawn[0].rfind("icon Icon 20002 ", 0), 0u) << drawn[0];
    EXPECT_NE(drawn[1].find(" first"), std::string::npos);
    EXPECT_NE(drawn[2].find(" second"), std::string::npos);
}

}  // namespace
