/* Tests of the dialog manager: message order, hooks per application, modal
** and file dialogs answered by the scripted user, option buttons, list
** boxes, windows and the font model. */
#include <cstring>
#include <fstream>
#include <sstream>

#include "tests/host/dialog_test_util.h"

using dlgtest::DialogTest;
using dlgtest::item;

namespace {

std::string slurp(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

struct Record {
    char name[16];
    int32_t choice;
    int32_t flags;
    double gap;
    int32_t row;
};
Record record;
Record* recordP = &record;

std::vector<std::string> seen; /* what the hooks saw, "who:message" */

void hookDialogA(DialogMessage* m) { seen.push_back("A:" + std::to_string(m->messageType)); }
void hookDialogB(DialogMessage* m) { seen.push_back("B:" + std::to_string(m->messageType)); }
void hookItem(DialogItemMessage* m) {
    std::string s = std::to_string(m->dialogItemP->id) + ":" + std::to_string(m->messageType);
    if (m->messageType == DITEM_MESSAGE_BUTTON)
        s += "/" + std::to_string(m->u.button.transition) + "x" + std::to_string(m->u.button.clicks) + "@" +
             std::to_string(m->u.button.row);
    if (m->messageType == DITEM_MESSAGE_STATECHANGED) s += m->u.stateChanged.reallyChanged ? "/changed" : "/same";
    if (m->messageType == DITEM_MESSAGE_USER) s += "/" + std::to_string(m->u.user.arg1) + "," + std::to_string(m->u.user.arg2);
    seen.push_back(s);
}

/* Fills its option button from the record's row count on create. */
void hookOptionFill(DialogItemMessage* m) {
    if (m->messageType != DITEM_MESSAGE_CREATE && m->messageType != DITEM_MESSAGE_USER) return;
    m->msgUnderstood = 1;
    mdlDialog_optionButtonDeleteItem(m->dialogItemP, -1);
    mdlDialog_optionButtonInsertItem(m->dialogItemP, -1, "small", 0, 0, 5);
    mdlDialog_optionButtonInsertItem(m->dialogItemP, -1, "large", 0, 0, 50);
    mdlDialog_optionButtonInsertItem(m->dialogItemP, -1, "huge", 0, 0, 500);
    mdlDialog_itemSynch(m->db, m->itemIndex);
}

StringList* rows = nullptr;
void hookListAttach(DialogItemMessage* m) {
    if (m->messageType == DITEM_MESSAGE_CREATE) mdlDialog_listBoxSetStrListP(m->dialogItemP, rows, 2);
    hookItem(m);
}

/* Pushes OK on a double click, as list pickers do. */
void hookListDoubleClickConfirms(DialogItemMessage* m) {
    if (m->messageType == DITEM_MESSAGE_BUTTON && m->u.button.transition == BUTTONTRANS_UP && m->u.button.clicks == 2) {
        DialogItem* ok = mdlDialog_itemGetByTypeAndId(m->db, ITEMTYPE_PUSHBUTTON, PUSHBUTTONID_OK, 0);
        mdlDialog_itemPress(m->db, ok->itemIndex);
    }
}

void hookPopup(DialogMessage* m) {
    if (m->messageType == DIALOG_MESSAGE_BUTTON && m->u.button.eventCode == BUTTONEVENT_POPUP && m->u.button.itemP &&
        m->u.button.itemP->type == ITEMTYPE_LISTBOX)
        m->u.button.popupMenuId = 20000;
}

DialogRect lastOld, lastNew;
void hookResize(DialogMessage* m) {
    if (m->messageType != DIALOG_MESSAGE_RESIZE) return;
    lastOld = m->u.resize.oldExtent;
    lastNew = m->u.resize.newExtent;
}

}  // namespace

class Dialogs : public DialogTest {
protected:
    void SetUp() override {
        DialogTest::SetUp();
        seen.clear();
        record = Record{};
        std::strcpy(record.name, "start");
        record.choice = 50;
        recordP = &record;
        sim::TypeDescriptionRsc t;
        t.name = "testRecord";
        t.size = sizeof(Record);
        t.fields = {dlgtest::field("name", sim::FieldKind::Chars, offsetof(Record, name), 1, 16),
                    dlgtest::field("choice", sim::FieldKind::Int32, offsetof(Record, choice), 4),
                    dlgtest::field("flags", sim::FieldKind::Int32, offsetof(Record, flags), 4),
                    dlgtest::field("gap", sim::FieldKind::Double, offsetof(Record, gap), 8),
                    dlgtest::field("row", sim::FieldKind::Int32, offsetof(Record, row), 4)};
        addType(1, t);

        sim::DialogRsc d;
        d.id = 7;
        d.title = "Seven";
        d.hookId = 10;
        d.extent = {0, 0, 200, 100};
        d.items = {item(ITEMTYPE_TEXT, 1, 11, "rec.name"), item(ITEMTYPE_TOGGLE, 2, 11, "rec.flags"),
                   item(ITEMTYPE_PUSHBUTTON, PUSHBUTTONID_OK, 11), item(ITEMTYPE_PUSHBUTTON, PUSHBUTTONID_CANCEL, 11)};
        d.items[1].properties = {{"mask", "4"}};
        addDialog(d);

        sim::DialogRsc opt;
        opt.id = 8;
        opt.title = "Options";
        opt.items = {item(ITEMTYPE_OPTIONBUTTON, 3, 12, "rec.choice")};
        addDialog(opt);

        sim::DialogRsc list;
        list.id = 9;
        list.hookId = 15;
        list.items = {item(ITEMTYPE_LISTBOX, 4, 13, "rec.row"), item(ITEMTYPE_PUSHBUTTON, PUSHBUTTONID_OK, 0)};
        addDialog(list);
    }
    void TearDown() override {
        DialogTest::TearDown();
        if (rows) mdlStringList_destroy(rows);
        rows = nullptr;
    }
    /* Application NAME with the standard hooks and "rec" published. */
    MdlDesc* app(const std::string& name, DialogHookFunction dialogHook = hookDialogA) {
        MdlDesc* d = application(name);
        sim::CurrentApplicationScope scope(d);
        const DialogHookInfo hooks[] = {{10, reinterpret_cast<void*>(dialogHook)},
                                        {11, reinterpret_cast<void*>(hookItem)},
                                        {12, reinterpret_cast<void*>(hookOptionFill)},
                                        {13, reinterpret_cast<void*>(hookListAttach)},
                                        {15, reinterpret_cast<void*>(hookPopup)}};
        EXPECT_EQ(mdlDialog_hookPublish(5, hooks), HOST_SUCCESS);
        SymbolSet* set = mdlCExpression_initializeSet(4, 0, 0);
        EXPECT_EQ(mdlDialog_publishComplexPtr(set, "testRecord", "rec", &recordP), HOST_SUCCESS);
        return d;
    }
};

TEST_F(Dialogs, MessagesOnOpenPressAndCloseComeInThePlatformsOrder) {
    MdlDesc* a = app("first");
    sim::CurrentApplicationScope scope(a);
    DialogBox* db = mdlDialog_open(0, 7);
    ASSERT_NE(db, nullptr);
    EXPECT_EQ(seen, (std::vector<std::string>{"A:0", "1:50", "2:50", "-3:50", "-4:50", "A:1", "A:3", "1:53", "2:53",
                                              "-3:53", "-4:53"}));
    seen.clear();
    std::string error;
    ASSERT_TRUE(sim::userPressItem(db, 2, error)) << error;
    EXPECT_EQ(seen, (std::vector<std::string>{"-3:54/0x1@-1", "-3:54/1x1@-1", "-3:70", "1:51", "2:51", "-3:51",
                                              "-4:51", "A:2"}));
    EXPECT_EQ(mdlDialog_find(7, nullptr), nullptr);
    EXPECT_EQ(mdlDialog_itemGetByIndex(db, 0), nullptr) << "a closed dialog's handle is stale, not dangling";

    DialogBox* again = mdlDialog_open(0, 7);
    seen.clear();
    EXPECT_EQ(mdlDialog_open(0, 7), again) << "an open dialog is not built twice";
    EXPECT_TRUE(seen.empty());
    EXPECT_EQ(sim::openDialogs().size(), 1u);
}

TEST_F(Dialogs, HooksOfTwoApplicationsWithTheSameIdStayApart) {
    MdlDesc* a = app("first", hookDialogA);
    MdlDesc* b = app("second", hookDialogB);
    DialogBox* da;
    {
        sim::CurrentApplicationScope scope(a);
        da = mdlDialog_open(0, 7);
    }
    ASSERT_NE(da, nullptr);
    EXPECT_EQ(seen.front(), "A:0");
    seen.clear();
    DialogBox* dbB;
    {
        sim::CurrentApplicationScope scope(b);
        dbB = mdlDialog_open(0, 7);
        EXPECT_EQ(mdlDialog_find(7, nullptr), dbB) << "the current application's own dialog first";
        EXPECT_EQ(mdlDialog_findByTypeAndId(RTYPE_DIALOG, 7, a), da);
    }
    ASSERT_NE(dbB, nullptr);
    EXPECT_EQ(seen.front(), "B:0");
    EXPECT_EQ(std::count(seen.begin(), seen.end(), "A:0"), 0);

    /* Once the second application is gone its dialog goes with it, and the
    ** first application's hooks are untouched. */
    seen.clear();
    ASSERT_TRUE(sim::unloadApplication(b, true));
    EXPECT_EQ(mdlDialog_findByTypeAndId(RTYPE_DIALOG, 7, b), nullptr);
    EXPECT_EQ(seen.back(), "B:2");
    seen.clear();
    mdlWindow_close(da);
    EXPECT_EQ(seen.back(), "A:2");
}

TEST_F(Dialogs, ModalDialogTakesTheQueuedAnswerOrIsCancelled) {
    MdlDesc* a = app("first");
    sim::CurrentApplicationScope scope(a);
    std::string error;
    ASSERT_TRUE(sim::queueAnswer("set 1 \"new name\"; set 2 on; ok", error)) << error;
    ASSERT_TRUE(sim::queueAnswer("press -4", error));
    int action = 0;
    ASSERT_EQ(mdlDialog_openModal(&action, 0, 7), HOST_SUCCESS);
    EXPECT_EQ(action, ACTIONBUTTON_OK);
    EXPECT_STREQ(record.name, "new name");
    EXPECT_EQ(record.flags, 4) << "the toggle switches its mask bit";

    ASSERT_EQ(mdlDialog_openModal(&action, 0, 7), HOST_SUCCESS);
    EXPECT_EQ(action, ACTIONBUTTON_CANCEL);

    sim::clearOutputLog();
    ASSERT_EQ(mdlDialog_openModal(&action, 0, 7), HOST_SUCCESS);
    EXPECT_EQ(action, ACTIONBUTTON_CANCEL);
    EXPECT_TRUE(logged("Dialog 7 \"Seven\" cancelled: no answer queued"));
    EXPECT_TRUE(sim::openDialogs().empty()) << "a modal dialog never stays open";

    /* An answer that cannot be applied cancels and says why; the record keeps its value. */
    ASSERT_TRUE(sim::queueAnswer("set 1 \"a name much too long to fit\"; ok", error));
    ASSERT_EQ(mdlDialog_openModal(&action, 0, 7), HOST_SUCCESS);
    EXPECT_EQ(action, ACTIONBUTTON_CANCEL);
    EXPECT_STREQ(record.name, "new name");
    EXPECT_TRUE(logged("does not fit"));

    EXPECT_FALSE(sim::queueAnswer("dance", error));
    EXPECT_EQ(mdlDialog_openModal(&action, 0, 999), HOST_ERROR) << "a missing dialog";
}

TEST_F(Dialogs, ModalHandlerPlaysTheUser) {
    MdlDesc* a = app("first");
    sim::CurrentApplicationScope scope(a);
    int calls = 0;
    sim::setModalHandler([&](DialogBox* db) {
        ++calls;
        std::string error;
        EXPECT_TRUE(sim::userSetItem(db, sim::findItem(db, "dTxt:1", error), "by handler", error)) << error;
        return 17;
    });
    int action = 0;
    ASSERT_EQ(mdlDialog_openModal(&action, 0, 7), HOST_SUCCESS);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(action, 17);
    EXPECT_STREQ(record.name, "by handler");
}

TEST_F(Dialogs, UserChangesSendStateChangedWithWhetherItReallyChanged) {
    MdlDesc* a = app("first");
    sim::CurrentApplicationScope scope(a);
    DialogBox* db = mdlDialog_open(0, 7);
    ASSERT_NE(db, nullptr);
    seen.clear();
    std::string error;
    ASSERT_TRUE(sim::userSetItem(db, 0, "start", error));
    ASSERT_TRUE(sim::userSetItem(db, 0, "other", error));
    EXPECT_EQ(seen, (std::vector<std::string>{"1:71/same", "1:71/changed"}));

    /* Disabled and hidden items refuse the user. */
    mdlDialog_itemSetEnabledState(db, 0, 0, 0);
    EXPECT_FALSE(sim::userSetItem(db, 0, "again", error));
    EXPECT_NE(error.find("disabled"), std::string::npos);
    mdlDialog_itemSetEnabledState(db, 0, 1, 0);
    mdlDialog_itemHide(db, 0);
    EXPECT_FALSE(sim::userSetItem(db, 0, "again", error));
    EXPECT_STREQ(record.name, "other");

    /* The program changes the record; a synch shows it and tells the hook. */
    std::strcpy(record.name, "from code");
    mdlDialog_itemShow(db, 0);
    seen.clear();
    mdlDialog_itemsSynch(db);
    char text[32];
    mdlDialog_itemGetText(text, sizeof text, db, 0);
    EXPECT_STREQ(text, "from code");
    EXPECT_EQ(seen[0], "1:55");
    EXPECT_EQ(seen[1], "1:61");

    seen.clear();
    EXPECT_EQ(mdlDialog_hookItemSendUserMsg(mdlDialog_itemGetByIndex(db, 0), 4, -2), HOST_SUCCESS);
    EXPECT_EQ(seen, (std::vector<std::string>{"1:72/4,-2"}));
}

TEST_F(Dialogs, OptionButtonIsFilledByItsHookAndFollowsTheRecord) {
    MdlDesc* a = app("first");
    sim::CurrentApplicationScope scope(a);
    DialogBox* db = mdlDialog_open(0, 8);
    ASSERT_NE(db, nullptr);
    DialogItem* ob = mdlDialog_itemGetByTypeAndId(db, ITEMTYPE_OPTIONBUTTON, 3, 0);
    ASSERT_NE(ob, nullptr);
    ASSERT_EQ(mdlDialog_optionButtonGetCount(ob), 3);
    char label[16];
    mdlDialog_itemGetText(label, sizeof label, db, ob->itemIndex);
    EXPECT_STREQ(label, "large") << "the entry whose value the record holds";

    std::string error;
    ASSERT_TRUE(sim::userPickOption(db, ob->itemIndex, "HUGE", error)) << error;
    EXPECT_EQ(record.choice, 500);
    ASSERT_TRUE(sim::userPickOption(db, ob->itemIndex, "5", error)) << "by value";
    EXPECT_EQ(record.choice, 5);
    EXPECT_FALSE(sim::userPickOption(db, ob->itemIndex, "medium", error));
    EXPECT_EQ(record.choice, 5);

    record.choice = 500;
    mdlDialog_itemSynch(db, ob->itemIndex);
    int32_t value = 0;
    mdlDialog_itemGetValue(&value, db, ob->itemIndex);
    EXPECT_EQ(value, 500);

    /* A refill through the user message keeps three entries, not six. */
    mdlDialog_hookItemSendUserMsg(ob, 0, 0);
    EXPECT_EQ(mdlDialog_optionButtonGetCount(ob), 3);
    int32_t v = 0;
    ASSERT_EQ(mdlDialog_optionButtonGetItem(label, sizeof label, &v, ob, 2), HOST_SUCCESS);
    EXPECT_STREQ(label, "huge");
    EXPECT_EQ(v, 500);
    EXPECT_EQ(mdlDialog_optionButtonGetItem(label, sizeof label, &v, ob, 3), HOST_ERROR);
}

TEST_F(Dialogs, ListBoxShowsAStringListAndReportsSelections) {
    MdlDesc* a = app("first");
    sim::CurrentApplicationScope scope(a);
    rows = mdlStringList_create(0, 1);
    int index = -1;
    ASSERT_EQ(mdlStringList_insertMember(&index, rows, -1, 6), RSC_SUCCESS);
    const char* texts[] = {"a0", "a1", "b0", "b1", "c0", "c1"};
    for (int i = 0; i < 6; ++i) mdlStringList_setMember(rows, i, texts[i], nullptr);

    DialogBox* db = mdlDialog_open(0, 9);
    ASSERT_NE(db, nullptr);
    DialogItem* lb = mdlDialog_itemGetByTypeAndId(db, ITEMTYPE_LISTBOX, 4, 0);
    EXPECT_EQ(mdlDialog_listBoxGetStrListP(lb), rows);
    EXPECT_EQ(mdlDialog_listBoxNRows(lb), 3) << "two members per row";
    char cell[8];
    ASSERT_EQ(mdlDialog_listBoxGetCellText(cell, sizeof cell, lb, 2, 1), HOST_SUCCESS);
    EXPECT_STREQ(cell, "c1");
    EXPECT_EQ(mdlDialog_listBoxGetCellText(cell, sizeof cell, lb, 3, 0), HOST_ERROR);

    seen.clear();
    std::string error;
    ASSERT_TRUE(sim::userSelectRow(db, lb->itemIndex, 1, 0, false, error)) << error;
    EXPECT_EQ(seen, (std::vector<std::string>{"4:54/0x1@1", "4:54/1x1@1", "4:71/changed"}));
    EXPECT_EQ(record.row, 1) << "the selected row through the access string";
    int row = -1, column = 0;
    BoolInt found = 0;
    mdlDialog_listBoxGetNextSelection(&found, &row, &column, lb);
    EXPECT_TRUE(found);
    EXPECT_EQ(row, 1);
    mdlDialog_listBoxGetNextSelection(&found, &row, &column, lb);
    EXPECT_FALSE(found);

    seen.clear();
    ASSERT_TRUE(sim::userSelectRow(db, lb->itemIndex, 2, 1, true, error));
    EXPECT_EQ(seen[1], "4:54/1x2@2") << "a double click: release with two clicks";
    EXPECT_FALSE(sim::userSelectRow(db, lb->itemIndex, 3, 0, false, error)) << "past the last row";
    EXPECT_EQ(record.row, 2);

    /* Rows deleted under the list box drop their selection. */
    mdlStringList_deleteMember(rows, 2, 4);
    mdlDialog_listBoxDrawContents(lb, -1, -1);
    EXPECT_EQ(mdlDialog_listBoxNRows(lb), 1);
    mdlDialog_listBoxGetNextSelection(&found, &(row = -1), &column, lb);
    EXPECT_FALSE(found);

    EXPECT_EQ(sim::userPopupRequest(db, lb->itemIndex), 20000);
    EXPECT_EQ(sim::userPopupRequest(db, 1), 0) << "no pop-up menu over the button";
}

TEST_F(Dialogs, DoubleClickThatPressesOkClosesTheModalList) {
    MdlDesc* a = app("first");
    sim::CurrentApplicationScope scope(a);
    const DialogHookInfo hooks[] = {{13, reinterpret_cast<void*>(hookListDoubleClickConfirms)}};
    mdlDialog_hookPublish(1, hooks);
    ListModel* model = mdlListModel_create(1);
    for (const char* t : {"one", "two"}) mdlListCell_setStringValue(mdlListRow_getCellAtIndex(mdlListModel_insertRow(model, -1), 0), t);
    sim::setModalHandler([&](DialogBox* db) {
        std::string error;
        DialogItem* lb = mdlDialog_itemGetByTypeAndId(db, ITEMTYPE_LISTBOX, 4, 0);
        mdlDialog_listBoxSetListModelP(lb, model, 1);
        EXPECT_TRUE(sim::userSelectRow(db, lb->itemIndex, 1, 0, true, error)) << error;
        return ACTIONBUTTON_CANCEL; /* not used: the hook closed it */
    });
    int action = 0;
    ASSERT_EQ(mdlDialog_openModal(&action, 0, 9), HOST_SUCCESS);
    EXPECT_EQ(action, ACTIONBUTTON_OK);
    EXPECT_EQ(record.row, 1);
    mdlListModel_destroy(model);
}

TEST_F(Dialogs, FileDialogsTakeTheAnsweredNameInTheDefaultDirectory) {
    std::string error;
    ASSERT_TRUE(sim::queueAnswer("file settings.rsc", error));
    ASSERT_TRUE(sim::queueAnswer("ok", error));
    ASSERT_TRUE(sim::queueAnswer("cancel", error));
    char name[MAXFILELENGTH];
    EXPECT_EQ(mdlDialog_fileOpen(name, 0, 0, "default.rsc", "*.rsc", "C:\\data\\", "Open"), 0);
    EXPECT_STREQ(name, "C:\\data\\settings.rsc");
    EXPECT_EQ(mdlDialog_fileCreate(name, 0, 0, "C:\\x\\default.rsc", "*.rsc", nullptr, "Save"), 0);
    EXPECT_STREQ(name, "C:\\x\\default.rsc") << "ok takes the default name";
    std::strcpy(name, "kept");
    EXPECT_NE(mdlDialog_fileOpen(name, 0, 0, "d.rsc", "*.rsc", nullptr, "Open"), 0);
    EXPECT_STREQ(name, "kept") << "a cancelled dialog leaves the buffer";
    EXPECT_NE(mdlDialog_fileOpen(name, 0, 0, "d.rsc", "*.rsc", nullptr, "Nobody"), 0);
    EXPECT_TRUE(logged("File dialog \"Nobody\" cancelled: no answer queued"));

    ASSERT_TRUE(sim::queueAnswer("file " + std::string(300, 'x'), error));
    EXPECT_NE(mdlDialog_fileOpen(name, 0, 0, "d.rsc", "*.rsc", nullptr, "Long"), 0) << "a name that does not fit";
    EXPECT_STREQ(name, "kept");

    sim::setFileHandler([](const std::string& title, bool create, std::string& n) {
        n = create ? "/tmp/new.rsc" : "/tmp/old.rsc";
        return title == "Pick";
    });
    EXPECT_EQ(mdlDialog_fileCreate(name, 0, 0, nullptr, "*.rsc", "C:\\ignored\\", "Pick"), 0);
    EXPECT_STREQ(name, "/tmp/new.rsc");
}

TEST_F(Dialogs, WindowsResizeDockAndMeasureText) {
    MdlDesc* a = app("first", hookResize);
    sim::CurrentApplicationScope scope(a);
    DialogBox* db = mdlDialog_open(0, 7);
    ASSERT_NE(db, nullptr);
    DialogRect r{0, 0, 299, 149};
    ASSERT_EQ(mdlWindow_extentSet(db, &r), HOST_SUCCESS);
    EXPECT_EQ(lastOld.right, 199);
    EXPECT_EQ(lastNew.right, 299);
    DialogRect bad{10, 0, 5, 5};
    EXPECT_EQ(mdlWindow_extentSet(db, &bad), HOST_ERROR);
    mdlWindow_titleSet(db, "Renamed");
    char title[8];
    mdlWindow_titleGet(title, sizeof title, db);
    EXPECT_STREQ(title, "Renamed");

    EXPECT_FALSE(mdlWindow_getDocked(db, nullptr));
    ASSERT_EQ(mdlWindow_dock(db, DOCK_LEFT), HOST_SUCCESS);
    int edge = 0;
    EXPECT_TRUE(mdlWindow_getDocked(db, &edge));
    EXPECT_EQ(edge, DOCK_LEFT);

    EXPECT_EQ(mdlDialog_stringWidth(db, 2, "Mil"), 9 + 3 + 3);
    EXPECT_EQ(mdlDialog_stringWidth(db, 2, "Ax%"), 8 + 6 + 8);
    EXPECT_EQ(mdlDialog_stringWidth(db, 2, "\xC3\xA6"), 6) << "one character of two bytes";
    EXPECT_EQ(mdlDialog_stringWidth(db, 2, nullptr), 0);
    EXPECT_EQ(mdlDialog_fontGetHeight(db, 4), 14);

    EXPECT_EQ(mdlWindow_close(db), HOST_SUCCESS);
    EXPECT_EQ(mdlWindow_close(db), HOST_ERROR) << "closing twice";
}

namespace {

void hookDraws(DialogItemMessage* m) {
    if (m->messageType == DITEM_MESSAGE_DRAW && m->dialogItemP->type == ITEMTYPE_GENERIC) {
        mdlDialog_drawText(m->db, m->u.draw.rect.left + 65, m->u.draw.rect.top, 2, "line one");
        mdlDialog_rectDrawBeveled(m->db, &m->u.draw.rect, 1);
        EXPECT_EQ(mdlDialog_drawIcon(m->db, RTYPE_ICON, 999, &m->u.draw.rect), HOST_ERROR) << "no such icon";
        EXPECT_EQ(mdlWindow_transparentRgbDataDraw(m->db, &m->u.draw.rect, RTYPE_IMAGE, 7, 0, 255, 255, 255), HOST_SUCCESS);
    }
    hookItem(m);
}

}  // namespace

TEST_F(Dialogs, GenericItemsDrawMenusPickAndCellsEdit) {
    sim::DialogRsc d;
    d.id = 20;
    d.title = "Picture";
    d.extent = {0, 0, 200, 120};
    d.items = {item(ITEMTYPE_GENERIC, 1, 16), item(ITEMTYPE_MENUBAR, 2, 16), item(ITEMTYPE_LISTBOX, 3, 16),
               item(ITEMTYPE_COMBOBOX, 4, 16, "rec.name")};
    d.items[1].properties = {{"menus", "30"}};
    d.items[2].entries = {{0, {"r0c0", "r0c1"}}, {1, {"r1c0", "r1c1"}}};
    d.items[2].properties = {{"columns", "2"}};
    d.items[3].entries = {{0, {"alpha"}}, {1, {"beta"}}};
    addDialog(d);
    sim::MenuRsc m;
    m.id = 30;
    m.title = "Edit";
    m.entries.push_back({"~Add", 31, 0, "", 0, {}});
    m.entries.push_back({"Off", 32, 0, "", sim::MENUENTRY_DISABLED, {}});
    m.entries.push_back({"Sub", 33, 0, "", 0, {{"Deep", 34, 0, "", 0, {}, 16}}});
    addMenu(m);
    sim::RasterRsc image;
    image.width = 2;
    image.height = 1;
    image.format = sim::RasterFormat::Rgb;
    image.pixels = {255, 255, 255, 200, 0, 0};
    std::vector<uint8_t> bytes;
    ASSERT_EQ(sim::packRaster(image, bytes), RSC_SUCCESS);
    add(RTYPE_IMAGE, 7, bytes);
    MdlDesc* a = app("first");
    sim::CurrentApplicationScope scope(a);
    const DialogHookInfo hooks[] = {{16, reinterpret_cast<void*>(hookDraws)}};
    mdlDialog_hookPublish(1, hooks);

    DialogBox* db = mdlDialog_open(0, 20);
    ASSERT_NE(db, nullptr);
    auto drawn = sim::dialogDrawings(db);
    ASSERT_EQ(drawn.size(), 3u);
    EXPECT_EQ(drawn[0], "text 75 10 2 line one");
    EXPECT_EQ(drawn[1], "bevel 10 10 109 29");
    EXPECT_EQ(drawn[2], "image Imag 7 10 10 109 29 transparent #ffffff");

    /* What the user sees: the menu's entries in the description, and the
    ** whole dialog in a picture, its items under the application's drawing. */
    std::vector<std::string> shown = sim::describeDialog(db);
    for (const char* line : {"    menu \"Edit\"", "      \"Off\" [disabled]", "      \"Sub\"", "        \"Deep\""})
        EXPECT_NE(std::find(shown.begin(), shown.end(), line), shown.end()) << line;
    std::string picture, error;
    ASSERT_TRUE(sim::renderDialogPicture(db, path("whole.svg"), error)) << error;
    picture = slurp(path("whole.svg"));
    for (const char* text : {">Picture<", ">Edit<", ">r0c0   r0c1<", ">line one<", "<image x=\"10\" y=\"10\" width=\"100\" height=\"20\" preserveAspectRatio=\"none\" href=\"data:image/png;base64,"})
        EXPECT_NE(picture.find(text), std::string::npos) << text;
    EXPECT_LT(picture.find(">Edit<"), picture.find(">line one<")) << "the drawing lies on top";
    ASSERT_TRUE(sim::renderDialogPicture(db, path("whole.png"), error)) << error;
    picture = slurp(path("whole.png"));
    EXPECT_EQ(picture.substr(1, 3), "PNG");
    mdlWindow_clear(db);
    EXPECT_TRUE(sim::dialogDrawings(db).empty());
    EXPECT_EQ(mdlDialog_nextOpen(nullptr), db);
    EXPECT_EQ(mdlDialog_nextOpen(db), nullptr);

    seen.clear();
    ASSERT_TRUE(sim::userPickMenuEntry(db, 1, "add", error)) << error;
    EXPECT_EQ(seen, (std::vector<std::string>{"2:81"}));
    EXPECT_FALSE(sim::userPickMenuEntry(db, 1, "32", error)) << "a disabled entry";
    seen.clear();
    ASSERT_TRUE(sim::userPickMenuEntry(db, 1, "deep", error)) << error;
    EXPECT_EQ(seen, (std::vector<std::string>{"2:54/1x1@-1"})) << "an entry with its own hook hears a button release";
    EXPECT_FALSE(sim::userPickMenuEntry(db, 1, "Nothing", error));

    seen.clear();
    ASSERT_TRUE(sim::userEditCell(db, 2, 1, 1, "edited", error)) << error;
    EXPECT_EQ(seen, (std::vector<std::string>{"3:80"}));
    char cell[16];
    mdlDialog_listBoxGetCellText(cell, sizeof cell, mdlDialog_itemGetByIndex(db, 2), 1, 1);
    EXPECT_STREQ(cell, "edited");
    EXPECT_FALSE(sim::userEditCell(db, 2, 2, 0, "x", error)) << "past the last row";

    ASSERT_TRUE(sim::userSelectRow(db, 3, 1, 0, false, error)) << error;
    EXPECT_STREQ(record.name, "beta") << "a combo box row becomes its text";

    std::strcpy(record.name, "changed");
    mdlDialog_synonymsSynch(0, 20005, nullptr);
    char text[16];
    mdlDialog_itemGetText(text, sizeof text, db, 3);
    EXPECT_STREQ(text, "changed");
}

TEST_F(Dialogs, TextFieldFormatsAreCheckedBeforeUse) {
    sim::DialogRsc d;
    d.id = 21;
    const char* formats[] = {"%.2f mm", "%5d", "%d%s", "%999999d", "100%% %g", "plain"};
    for (int i = 0; i < 6; ++i) {
        d.items.push_back(item(ITEMTYPE_TEXT, i + 1, 0, "rec.gap"));
        d.items.back().properties = {{"format", formats[i]}};
    }
    addDialog(d);
    record.gap = 2.5;
    MdlDesc* a = app("first");
    sim::CurrentApplicationScope scope(a);
    DialogBox* db = mdlDialog_open(0, 21);
    ASSERT_NE(db, nullptr);
    const char* shown[] = {"2.50 mm", "    2", "2.5", "2.5", "100% 2.5", "2.5"};
    for (int i = 0; i < 6; ++i) {
        char text[32];
        mdlDialog_itemGetText(text, sizeof text, db, i);
        EXPECT_STREQ(text, shown[i]) << "format " << formats[i];
    }
    std::string error;
    ASSERT_TRUE(sim::userSetItem(db, 0, "3.125", error)) << error;
    EXPECT_EQ(record.gap, 3.125);
    char text[32];
    mdlDialog_itemGetText(text, sizeof text, db, 0);
    EXPECT_STREQ(text, "3.12 mm") << "shown again through its format";
    EXPECT_FALSE(sim::userSetItem(db, 0, "3.1 mm", error)) << "the unit is not part of the number";
    EXPECT_EQ(record.gap, 3.125);
}
