#include <algorithm>
#include <string>
#include <vector>

#include "host/mdlelement.h"
#include "host/mdllevel.h"
#include "host/sim/design/design.h"
#include "lib/core/core_fixture.h"
#include "lib/dialogs/attrdialog_int.h"
#include "lib/elements/elmattr_int.h"

namespace {

using zmlib::attrdialog::LIST_COLUMNS;

/* What the attribute callbacks heard: "ID:REASON" in order. */
std::vector<std::string> heard;
void remember(ZmAttributeCallbackRecord* r) {
    heard.push_back(std::to_string(r->attributeId) + ":" + std::to_string(r->reason));
}
int notified = 0;
void notifyGroup() { ++notified; }

class AttrDialog : public CoreTest {
protected:
    MdlDesc* app = nullptr;
    sim::CurrentApplicationScope* scope = nullptr;
    DialogBox* db = nullptr;

    void SetUp() override {
        CoreTest::SetUp();
        app = startApp("ALPHA");
        scope = new sim::CurrentApplicationScope(app);
        heard.clear();
        notified = 0;
        zmlibElmAttr_setGroupeNamesExtended(2, "Lines", 0, 0, nullptr, "Own", 1, ZMATTR_GROUP_USER_EDITABLE,
                                            notifyGroup);
        ZmAttributeData d{};
        d.applyMask = ZMATTR_COLOUR | ZMATTR_WEIGHT;
        d.colour = 2;
        d.weight = 1;
        zmlibElmAttr_addAttribute(1, "Lines", 0, ZMATTR_KIND_SYMBOLOGY, ZMATTR_COLOUR, remember, 0, &d);
        d.colour = 4;
        zmlibElmAttr_addAttribute(2, "Arrows", 0, ZMATTR_KIND_SYMBOLOGY, 0, remember, 0, &d);
        d.colour = 5;
        zmlibElmAttr_addAttribute(3, "Mine", 1, ZMATTR_KIND_SYMBOLOGY, 0, nullptr, 0, &d);
        d.colour = 6;
        zmlibElmAttr_addAttribute(4, "Mine too", 1, ZMATTR_KIND_SYMBOLOGY, 0, nullptr, 0, &d);
    }
    void TearDown() override {
        if (db && mdlDialog_find(zmlib::attrdialog::DIALOG_ATTRIBUTES, nullptr)) mdlWindow_close(db);
        /* The set is the application's to free, as an application does when it unloads. */
        zmlibElmAttr_freeAllAttribute();
        zmlibElmAttr_freeGroupeNames();
        delete scope;
        CoreTest::TearDown();
    }
    void open() {
        ASSERT_EQ(zmlibElmAttr_dialogOpen(), ZMLIB_SUCCESS);
        db = mdlDialog_find(zmlib::attrdialog::DIALOG_ATTRIBUTES, nullptr);
        ASSERT_NE(db, nullptr);
    }
    DialogItem* item(uint32_t type, int32_t id) { return mdlDialog_itemGetByTypeAndId(db, type, id, 0); }
    int index(uint32_t type, int32_t id) {
        DialogItem* it = item(type, id);
        return it ? it->itemIndex : -1;
    }
    void select(int row) {
        std::string error;
        ASSERT_TRUE(sim::userSelectRow(db, index(ITEMTYPE_LISTBOX, zmlib::attrdialog::ITEM_LIST), row, 0, false, error))
            << error;
    }
    void pickGroup(const char* name) {
        std::string error;
        ASSERT_TRUE(sim::userPickOption(db, index(ITEMTYPE_OPTIONBUTTON, zmlib::attrdialog::ITEM_GROUP_SELECTOR),
                                        name, error))
            << error;
    }
    void pickMenu(const char* entry) {
        std::string error;
        ASSERT_TRUE(sim::userPickMenuEntry(db, index(ITEMTYPE_MENUBAR, zmlib::attrdialog::ITEM_MENU_BAR), entry, error))
            << error;
    }
    std::vector<std::string> labels() {
        std::vector<std::string> out;
        DialogItem* list = item(ITEMTYPE_LISTBOX, zmlib::attrdialog::ITEM_LIST);
        for (int r = 0; r < mdlDialog_listBoxNRows(list); ++r) {
            char text[100] = "";
            mdlDialog_listBoxGetCellText(text, sizeof text, list, r, 0);
            out.push_back(text);
        }
        return out;
    }
    uint32_t colourOf(int id) {
        ZmAttributeData d{};
        EXPECT_EQ(zmlibElmAttr_extractData(id, &d), ZMLIB_SUCCESS);
        return d.colour;
    }
};

TEST(AttrDialogList, ShortFormsByKind) {
    ZmAttribute a{};
    a.label = const_cast<char*>("Texts");
    a.kind = ZMATTR_KIND_TEXT;
    ZmAttributeData& d = a.data;
    d.applyMask = ZMATTR_COLOUR | ZMATTR_LINESTYLE | ZMATTR_CLASS | ZMATTR_TEXTSIZE | ZMATTR_JUSTIFICATION |
                  ZMATTR_SLANT | ZMATTR_FONT;
    d.colour = 0xFFFFFFFF;
    d.lineStyle = -3;
    d.weight = 7;              /* not applied: empty column */
    d.elementClass = 1;
    d.font = 3;
    d.textHeight = 2.5;
    d.textWidth = 2;
    d.lineSpacing = 0.5;
    d.justification = 13;
    d.text.slantAngle = 30;
    std::string c[LIST_COLUMNS];
    zmlib::attrdialog::rowTexts(a, 2, c);
    EXPECT_EQ((std::vector<std::string>(c, c + LIST_COLUMNS)),
              (std::vector<std::string>{"Texts", "BL", "UD", "", "", "C",
                                        "FO=3,SI=2.50/2.00/0.50,JU=RC,SL=30.00"}));

    a.kind = ZMATTR_KIND_TEXT_STRING;  /* no slant; the string ends it, commas stay */
    std::strcpy(d.text.string, "A4");
    zmlib::attrdialog::rowTexts(a, 1, c);
    EXPECT_EQ(c[6], "FO=3,SI=2.5/2.0/0.5,JU=RC,\"A4\"");

    a.kind = ZMATTR_KIND_SYMBOL_SIZE;
    d.extra.symbol.number = 12;
    d.extra.symbol.size = 1.25;
    d.lineStyle = 0x7FFFFFFF;
    zmlib::attrdialog::rowTexts(a, 3, c);
    EXPECT_EQ(c[2], "BL");
    EXPECT_EQ(c[6], "SY=12,SI=1.250");
}

TEST_F(AttrDialog, KindOneHidesTextControlsAndFixedTogglesAreDisabled) {
    open();
    select(0);
    for (int32_t toggle : {20021, 20005, 20006, 20007, 20008}) {
        DialogItem* t = item(ITEMTYPE_TOGGLE, toggle);
        ASSERT_NE(t, nullptr) << toggle;
        EXPECT_FALSE(t->visible) << toggle;
        EXPECT_FALSE(mdlDialog_itemGetByIndex(db, t->itemIndex + 1)->visible) << toggle;
    }
    EXPECT_FALSE(item(ITEMTYPE_OPTIONBUTTON, zmlib::attrdialog::ITEM_SYMBOL_CHOOSER)->visible);
    /* Colour is fixed for "Lines": its toggle is off limits although colour is applied. */
    DialogItem* colour = item(ITEMTYPE_TOGGLE, 20001);
    EXPECT_TRUE(colour->visible);
    EXPECT_FALSE(colour->enabled);
    EXPECT_FALSE(item(ITEMTYPE_COMBOBOX, 20001)->enabled);
    EXPECT_TRUE(item(ITEMTYPE_TOGGLE, 20003)->enabled);
    EXPECT_TRUE(item(ITEMTYPE_COMBOBOX, 20003)->enabled);
    EXPECT_FALSE(item(ITEMTYPE_COMBOBOX, 20002)->enabled);  /* line style not applied */
}

TEST_F(AttrDialog, FontAndTextStyleBoxesShowTheHostsRows) {
    std::string error;
    ASSERT_TRUE(sim::design::open(path("drawing.design"), true, error)) << error;
    auto* file = sim::design::activeFile();
    for (const char* name : {"Dim", "Note"}) {
        sim::design::TextStyle style;
        style.id = static_cast<uint32_t>(file->textStyles.size() + 1);
        style.name = name;
        style.font = 42;
        file->textStyles.push_back(style);
    }
    open();
    auto rows = [](DialogItem* box) {
        std::vector<std::string> out;
        for (int r = 0; r < mdlDialog_listBoxNRows(box); ++r) {
            char text[64] = "";
            mdlDialog_listBoxGetCellText(text, sizeof text, box, r, 0);
            out.push_back(text);
        }
        return out;
    };
    /* The host's first two style rows are not styles; a style's font joins the host's fonts. */
    DialogItem* styles = item(ITEMTYPE_COMBOBOX, 20005);
    EXPECT_EQ(rows(styles), (std::vector<std::string>{"Dim", "Note"}));
    std::vector<std::string> fonts = rows(item(ITEMTYPE_COMBOBOX, 20004));
    for (const char* font : {"0", "42", "105"})
        EXPECT_NE(std::find(fonts.begin(), fonts.end(), font), fonts.end()) << font;
    /* Without a style left the box is disabled (the host's two rows alone). */
    mdlWindow_close(db);
    file->textStyles.clear();
    open();
    EXPECT_EQ(mdlDialog_listBoxNRows(item(ITEMTYPE_COMBOBOX, 20005)), 0);
    EXPECT_FALSE(item(ITEMTYPE_COMBOBOX, 20005)->enabled);
}

TEST_F(AttrDialog, SelectionAndChangesReachTheAttributeInOrder) {
    open();
    EXPECT_EQ(labels(), (std::vector<std::string>{"Lines", "Arrows"}));
    select(0);
    select(1);
    std::string error;
    ASSERT_TRUE(sim::userSetItem(db, index(ITEMTYPE_COMBOBOX, 20001), "9", error)) << error;
    EXPECT_EQ(colourOf(2), 9u);
    EXPECT_EQ(colourOf(1), 2u);
    EXPECT_EQ(heard, (std::vector<std::string>{"1:2", "1:3", "1:4", "2:2", "2:3", "2:1"}));
    char cell[32] = "";
    mdlDialog_listBoxGetCellText(cell, sizeof cell, item(ITEMTYPE_LISTBOX, zmlib::attrdialog::ITEM_LIST), 1, 1);
    EXPECT_STREQ(cell, "9");
    /* Switching the weight off empties its column and keeps the value. */
    ASSERT_TRUE(sim::userPressItem(db, index(ITEMTYPE_TOGGLE, 20003), error)) << error;
    mdlDialog_listBoxGetCellText(cell, sizeof cell, item(ITEMTYPE_LISTBOX, zmlib::attrdialog::ITEM_LIST), 1, 3);
    EXPECT_STREQ(cell, "");
    ZmAttributeData d{};
    zmlibElmAttr_extractData(2, &d);
    EXPECT_EQ(d.applyMask & ZMATTR_WEIGHT, 0u);
    EXPECT_EQ(d.weight, 1u);
}

TEST_F(AttrDialog, EditableGroupMenuAddsMovesAndNotifies) {
    open();
    EXPECT_FALSE(item(ITEMTYPE_MENUBAR, zmlib::attrdialog::ITEM_MENU_BAR)->visible);
    pickGroup("Own");
    EXPECT_TRUE(item(ITEMTYPE_MENUBAR, zmlib::attrdialog::ITEM_MENU_BAR)->visible);
    EXPECT_EQ(labels(), (std::vector<std::string>{"Mine", "Mine too"}));

    select(0);
    pickMenu("Move up");  /* the first stays first */
    EXPECT_EQ(labels(), (std::vector<std::string>{"Mine", "Mine too"}));
    EXPECT_EQ(notified, 0);

    /* Add: the edit dialog names it; the new attribute becomes the selected one. */
    sim::setModalHandler([](DialogBox* edit) {
        std::string error;
        EXPECT_TRUE(sim::userSetItem(edit, sim::findItem(edit, "dTxt:20001", error), "Added", error)) << error;
        return ACTIONBUTTON_OK;
    });
    pickMenu("Add...");
    EXPECT_EQ(labels(), (std::vector<std::string>{"Mine", "Mine too", "Added"}));
    EXPECT_EQ(notified, 1);
    std::string error;
    ASSERT_TRUE(sim::userSetItem(db, index(ITEMTYPE_COMBOBOX, 20001), "11", error)) << error;
    int added = zmlibElmAttr_findIdForAttributeName("Added", 1);
    ASSERT_GT(added, 4);
    EXPECT_EQ(colourOf(added), 11u);
    EXPECT_EQ(colourOf(3), 5u);

    select(2);
    pickMenu("Move up");
    EXPECT_EQ(labels(), (std::vector<std::string>{"Mine", "Added", "Mine too"}));
    pickMenu("Delete");
    EXPECT_EQ(labels(), (std::vector<std::string>{"Mine", "Mine too"}));
    EXPECT_EQ(zmlibElmAttr_findIdForAttributeName("Added", 1), 0);

    /* The pop-up menu is offered over the list of an editable group only. */
    EXPECT_EQ(sim::userPopupRequest(db, index(ITEMTYPE_LISTBOX, zmlib::attrdialog::ITEM_LIST)),
              zmlib::attrdialog::ITEM_POPUP);
    pickGroup("Lines");
    EXPECT_EQ(sim::userPopupRequest(db, index(ITEMTYPE_LISTBOX, zmlib::attrdialog::ITEM_LIST)), 0);
}

TEST_F(AttrDialog, LevelListShowsTheLevelAndCancelKeepsIt) {
    std::string error;
    ASSERT_TRUE(sim::design::open(path("levels.design"), true, error)) << error;
    for (int i = 1; i <= 14; ++i) {
        std::u16string name = u"L" + std::u16string(1, char16_t(u'a' + i));
        UInt32 id = 0;
        ASSERT_EQ(mdlLevel_create(&id, mdlModelRef_getActive(), name.c_str(), -1), 0);
    }
    ZmAttributeData d{};
    ASSERT_EQ(zmlibElmAttr_extractData(2, &d), ZMLIB_SUCCESS);
    d.applyMask |= ZMATTR_LEVEL;
    std::u16string twelfth = u"Lm";  /* the twelfth level created */
    std::copy(twelfth.begin(), twelfth.end(), d.levelName);
    zmlibElmAttr_editAttribute(2, 0, &d);
    open();
    select(1);

    int shownTop = -1, shownRow = -1;
    sim::setModalHandler([&](DialogBox* levels) {
        DialogItem* list =
            mdlDialog_itemGetByTypeAndId(levels, ITEMTYPE_LISTBOX, zmlib::attrdialog::ITEM_LEVEL_LIST, 0);
        int visible = 0;
        mdlDialog_listBoxGetDisplayRange(&shownTop, &visible, list);
        BoolInt found = 0;
        int column = 0;
        mdlDialog_listBoxGetNextSelection(&found, &shownRow, &column, list);
        /* The user picks the first level, then thinks better of it. */
        std::string e;
        EXPECT_TRUE(sim::userSelectRow(levels, list->itemIndex, 0, 0, false, e)) << e;
        return ACTIONBUTTON_CANCEL;
    });
    ASSERT_TRUE(sim::userPressItem(db, index(ITEMTYPE_PUSHBUTTON, 20064), error)) << error;
    ASSERT_GE(shownRow, 11);
    EXPECT_GT(shownTop, 0);              /* scrolled to the twelfth level */
    EXPECT_LE(shownTop, shownRow);
    ZmAttributeData after{};
    zmlibElmAttr_extractData(2, &after);
    EXPECT_EQ(std::u16string(after.levelName), twelfth);

    /* Confirmed, the pick reaches the attribute. */
    sim::setModalHandler([](DialogBox* levels) {
        std::string e;
        EXPECT_TRUE(sim::userSelectRow(levels, sim::findItem(levels, "lBox:20001", e), 0, 0, false, e)) << e;
        return ACTIONBUTTON_OK;
    });
    ASSERT_TRUE(sim::userPressItem(db, index(ITEMTYPE_PUSHBUTTON, 20064), error)) << error;
    zmlibElmAttr_extractData(2, &after);
    EXPECT_NE(std::u16string(after.levelName), twelfth);
}

}  // namespace
