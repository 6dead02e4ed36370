#include <cmath>
#include <cstring>
#include <string>

#include "elements_fixture.h"
#include "host/mdlcommand.h"
#include "host/mdldialog.h"
#include "host/mdlresource.h"
#include "host/sim/resources/resources.h"
#include "host/mdllevel.h"
#include "host/mdltext.h"
#include "lib/core/main.h"
#include "host/mdltextsettings.h"

namespace {

using AttributeSetTest = ElementsTest;

ZmAttributeData symbology(uint32_t mask) {
    ZmAttributeData d{};
    d.colour = 3;
    d.lineStyle = 2;
    d.weight = 4;
    std::u16string level = u"Dims";
    std::memcpy(d.levelName, level.c_str(), 2 * level.size());
    d.elementClass = 1;
    d.applyMask = mask;
    return d;
}

int calls = 0;
void countingCallback(ZmAttributeCallbackRecord*) { ++calls; }

void defineGroups() {
    zmlibElmAttr_setGroupeNames(2, "Dimensions", 0, 1, "User", 1, ZMATTR_GROUP_USER_EDITABLE);
}

TEST_F(AttributeSetTest, CallbackIsKeptOnlyInAKnownGroupThatIsNotUserEditable) {
    defineGroups();
    ZmAttributeData d = symbology(0);
    ASSERT_EQ(zmlibElmAttr_addAttribute(1, "Lines", 0, 1, 16, countingCallback, 0, &d), 0);
    ASSERT_EQ(zmlibElmAttr_addAttribute(2, "Free", 1, 1, 0, countingCallback, 0, &d), 0);
    ASSERT_EQ(zmlibElmAttr_addAttribute(3, "Lost", 9, 1, 0, countingCallback, 0, &d), 0);
    EXPECT_EQ(zmlib::elmattr::find(1)->callback, countingCallback);
    EXPECT_EQ(zmlib::elmattr::find(2)->callback, nullptr);
    EXPECT_EQ(zmlib::elmattr::find(3)->callback, nullptr);
    EXPECT_EQ(zmlib::elmattr::callerSet().count(), 3);
    zmlibElmAttr_setGroupeNames(1, "Only", 0, 0);   /* a new definition discards the set */
    EXPECT_EQ(zmlib::elmattr::find(1), nullptr);
    EXPECT_EQ(zmlib::elmattr::callerSet().count(), 0);
    EXPECT_STREQ(zmlib::elmattr::callerSet().groups()[0].name, "Only");
}

TEST_F(AttributeSetTest, ApplyMaskZeroChangesNothing) {
    defineGroups();
    ZmAttributeData d = symbology(0);
    zmlibElmAttr_addAttribute(1, "Lines", 0, 1, 0, nullptr, 0, &d);
    static MSElement line, before;
    makeLine(&line);
    mdlElement_memcpy(&before, &line);
    ZmAttributeData out{};
    ASSERT_EQ(zmlibElmAttr_setSymbologyAndProperties(&line, 1, &out), 0);
    EXPECT_EQ(std::memcmp(&line, &before, mdlElement_size(&before)), 0);
    EXPECT_EQ(std::memcmp(&out, &d, sizeof d), 0);
    EXPECT_EQ(zmlibElmAttr_setSymbologyAndProperties(&line, 99, nullptr), ZMLIB_ERROR);
}

TEST_F(AttributeSetTest, SymbologyLevelByNameAndClassAreApplied) {
    defineGroups();
    ZmAttributeData d = symbology(ZMATTR_COLOUR | ZMATTR_LINESTYLE | ZMATTR_WEIGHT | ZMATTR_LEVEL | ZMATTR_CLASS);
    zmlibElmAttr_addAttribute(1, "Lines", 0, 1, 0, nullptr, 0, &d);
    static MSElement line;
    makeLine(&line);
    ASSERT_EQ(zmlibElmAttr_setSymbologyAndProperties(&line, 1, nullptr), 0);
    UInt32 colour = 0, weight = 0, level = 0, id = 0;
    Int32 style = 0;
    int elementClass = 0;
    mdlElement_getSymbology(&colour, &weight, &style, &line);
    mdlElement_getProperties(&level, nullptr, &elementClass, nullptr, nullptr, nullptr, nullptr, nullptr, &line);
    EXPECT_EQ(colour, 3u);
    EXPECT_EQ(weight, 4u);
    EXPECT_EQ(style, 2);
    EXPECT_EQ(elementClass, 1);
    ASSERT_EQ(mdlLevel_getIdFromName(&id, nullptr, u"Dims"), 0);   /* created on first use */
    EXPECT_EQ(level, id);
}

TEST_F(AttributeSetTest, CustomLineStyleCarriesItsModifiersAndAnUnknownNameIsSkipped) {
    int32_t number = sim::design::addLineStyle("Dashes", "1,1");
    defineGroups();
    ZmAttributeData d = symbology(ZMATTR_LINESTYLE | ZMATTR_STYLE_WIDTH | ZMATTR_STYLE_SCALE);
    d.lineStyle = -1;
    std::strcpy(d.styleName, "dashes");
    d.styleScale = 2.5;
    d.styleWidth = 0.25;
    zmlibElmAttr_addAttribute(1, "Custom", 0, 1, 0, nullptr, 0, &d);
    d.lineStyle = -7;
    std::strcpy(d.styleName, "Nowhere");
    zmlibElmAttr_addAttribute(2, "Unknown", 0, 1, 0, nullptr, 0, &d);

    static MSElement line;
    makeLine(&line);
    ASSERT_EQ(zmlibElmAttr_setSymbologyAndProperties(&line, 1, nullptr), 0);
    Int32 style = 0;
    mdlElement_getSymbology(nullptr, nullptr, &style, &line);
    EXPECT_EQ(style, number);
    LineStyleParams params{};
    ASSERT_EQ(mdlElement_getLineStyleParams(&params, &line), 0);
    EXPECT_EQ(params.modifiers, 0x19u);
    EXPECT_EQ(params.scale, 2.5);
    EXPECT_EQ(params.startWidth, 0.25);
    EXPECT_EQ(params.endWidth, 0.25);

    static MSElement other;
    makeLine(&other);
    ASSERT_EQ(zmlibElmAttr_setSymbologyAndProperties(&other, 2, nullptr), 0);
    mdlElement_getSymbology(nullptr, nullptr, &style, &other);
    EXPECT_EQ(style, 0);

    /* Synchronising: a known name gives its number, an empty name is filled in. */
    ZmAttribute* unknown = zmlib::elmattr::find(2);
    unknown->data.lineStyle = number;
    unknown->data.styleName[0] = 0;
    zmlib::elmattr::find(1)->data.lineStyle = -99;
    zmlibMain_newDesignFile("same.dgn", 1); /* every new design file re-resolves the numbers */
    EXPECT_EQ(zmlib::elmattr::find(1)->data.lineStyle, number);
    EXPECT_STREQ(unknown->data.styleName, "Dashes");
}

TEST_F(AttributeSetTest, OptionListsAreCopiedAndInsertedRecordsOwnTheirs) {
    defineGroups();
    ZmAttributeData d = symbology(0);
    char first[] = "First";
    zmlibElmAttr_addAttribute(5, "Choice", 0, ZMATTR_KIND_TEXT_OPTION, 0, nullptr, 0, &d, "Pick one", 2, first, 10,
                              "Second", 20);
    first[0] = 'X';
    zmlibElmAttr_addAttribute(6, "Field", 0, ZMATTR_KIND_SYMBOL_STRING, 0, nullptr, 0, &d, 40, "Text", 1, 7, 70);
    ZmAttribute* choice = zmlib::elmattr::find(5);
    ASSERT_EQ(choice->optionCount, 2);
    EXPECT_STREQ(static_cast<char**>(choice->optionIcons)[0], "First");
    EXPECT_EQ(choice->optionValues[1], 20);
    EXPECT_STREQ(choice->string, "Pick one");
    EXPECT_EQ(choice->textFieldLength, 80);
    ZmAttribute* field = zmlib::elmattr::find(6);
    EXPECT_EQ(field->textFieldLength, 40);
    EXPECT_EQ(static_cast<int32_t*>(field->optionIcons)[0], 7);

    zmlib::elmattr::callerSet().current()->groupId = 1;
    ASSERT_EQ(zmlibElmAttr_insertAttribute(5, "Copy", 3, &d), 0);
    ZmAttribute* head = zmlib::elmattr::callerSet().head();
    ASSERT_STREQ(head->label, "Copy");
    EXPECT_EQ(head->next, choice);
    EXPECT_EQ(head->groupId, 1);
    EXPECT_EQ(head->id, 7);   /* past the highest id */
    EXPECT_NE(head->optionIcons, choice->optionIcons);
    EXPECT_NE(static_cast<char**>(head->optionIcons)[1], static_cast<char**>(choice->optionIcons)[1]);
    EXPECT_EQ(zmlibElmAttr_insertAttribute(42, "None", 0, &d), ZMLIB_ERROR);

    EXPECT_EQ(zmlibElmAttr_deleteAttribute(5, 0), 0);
    EXPECT_STREQ(static_cast<char**>(head->optionIcons)[1], "Second");
    EXPECT_EQ(zmlibElmAttr_deleteAttribute(5, 0), ZMLIB_ERROR);
    EXPECT_EQ(zmlib::elmattr::callerSet().count(), 2);
}

TEST_F(AttributeSetTest, LookupsByIdAndLabel) {
    defineGroups();
    ZmAttributeData d = symbology(0);
    zmlibElmAttr_addAttribute(1, "Lines", 0, 1, 0, nullptr, 0, &d);
    zmlibElmAttr_addAttribute(2, "Lines", 1, 1, 0, nullptr, 0, &d);
    EXPECT_EQ(zmlibElmAttr_findIdForAttributeName("Lines", 1), 2);
    EXPECT_EQ(zmlibElmAttr_findIdForAttributeName("lines", 0), 0);
    char buffer[16] = "keep";
    EXPECT_EQ(zmlibElmAttr_getLabelFromId(1, buffer), 6);
    EXPECT_STREQ(buffer, "Lines");
    std::strcpy(buffer, "keep");
    EXPECT_EQ(zmlibElmAttr_getLabelFromId(3, buffer), ZMLIB_ERROR);
    EXPECT_STREQ(buffer, "keep");
    EXPECT_EQ(zmlibElmAttr_extractData(1, nullptr), 0);
    EXPECT_EQ(zmlibElmAttr_extractData(3, nullptr), ZMLIB_ERROR);
    d.colour = 9;
    EXPECT_EQ(zmlibElmAttr_editAttributeExtended(1, 0, &d, countingCallback), 0);
    ZmAttributeData out{};
    zmlibElmAttr_extractData(1, &out);
    EXPECT_EQ(out.colour, 9u);
    EXPECT_EQ(zmlib::elmattr::find(1)->callback, countingCallback);
}

TEST_F(AttributeSetTest, LevelNameVariablesOneToTenOnly) {
    char16_t a[ZMATTR_LEVEL_NAME_SIZE], b[ZMATTR_LEVEL_NAME_SIZE], c[ZMATTR_LEVEL_NAME_SIZE];
    char16_t** vars = zmlib::elmattr::callerSet().levelVariables();
    zmlibElmAttr_setLevelNameVariable(0, a);
    zmlibElmAttr_setLevelNameVariable(11, b);
    zmlibElmAttr_setLevelNameVariable(10, c);
    EXPECT_EQ(vars[0], nullptr);
    EXPECT_EQ(vars[10], c);
}

TEST_F(AttributeSetTest, OptionButtonListsTheGroupAndFixesTheSelection) {
    defineGroups();
    ZmAttributeData d = symbology(0);
    zmlibElmAttr_addAttribute(1, "One", 0, 1, 0, nullptr, 0, &d);
    zmlibElmAttr_addAttribute(2, "Two", 1, 1, 0, nullptr, 0, &d);
    zmlibElmAttr_addAttribute(3, "Three", 0, 1, 0, nullptr, 0, &d);
    sim::DialogRsc dialog;
    dialog.title = "Pick";
    dialog.extent = {0, 0, 200, 60};
    sim::DialogItemRsc option;
    option.type = fourCC("oBtn");
    option.id = 1;
    option.extent = {10, 10, 150, 20};
    option.entries.push_back({99, {"Stale"}});
    dialog.items.push_back(option);
    std::vector<uint8_t> bytes;
    ASSERT_EQ(sim::packDialog(dialog, bytes), RSC_SUCCESS);
    std::string file = path("dialog.rsc");
    ASSERT_EQ(mdlResource_createFile(file.c_str(), "dialogs", 1), RSC_SUCCESS);
    RscFileHandle h = 0;
    ASSERT_EQ(mdlResource_openFile(&h, file.c_str(), 1), RSC_SUCCESS);
    ASSERT_EQ(mdlResource_add(h, fourCC("dBox"), 500, bytes.data(), static_cast<uint32_t>(bytes.size()), nullptr),
              RSC_SUCCESS);
    DialogBox* db = mdlDialog_open(h, 500);
    ASSERT_NE(db, nullptr);
    DialogItem* item = mdlDialog_itemGetByTypeAndId(db, fourCC("oBtn"), 1, 0);
    ASSERT_NE(item, nullptr);
    int selected = 2;   /* not in group 0 */
    EXPECT_EQ(zmlibElmAttr_insertOptionButton(db, item, 0, &selected), 0);
    EXPECT_EQ(selected, 1);
    ASSERT_EQ(mdlDialog_optionButtonGetCount(item), 2);
    char label[16];
    int32_t value = 0;
    mdlDialog_optionButtonGetItem(label, sizeof label, &value, item, 1);
    EXPECT_STREQ(label, "Three");
    EXPECT_EQ(value, 3);
    selected = 3;
    zmlibElmAttr_insertOptionButton(db, item, 0, &selected);
    EXPECT_EQ(selected, 3);
    selected = 3;
    zmlibElmAttr_insertOptionButton(db, item, 7, &selected);   /* an empty group */
    EXPECT_EQ(selected, 3);
    EXPECT_EQ(mdlDialog_optionButtonGetCount(item), 0);
    mdlDialog_closeWithAction(db, ACTIONBUTTON_CANCEL);
    mdlResource_closeFile(h);
}

TEST_F(AttributeSetTest, TextTakesStyleSizeJustificationFontAndSlant) {
    defineGroups();
    ZmAttributeData d = symbology(ZMATTR_TEXTSIZE | ZMATTR_JUSTIFICATION | ZMATTR_FONT | ZMATTR_SLANT);
    d.textWidth = 2.5;
    d.textHeight = 3.0;
    d.lineSpacing = 0.5;
    d.justification = 8;
    d.font = 105;
    d.text.slantAngle = 30.0;
    zmlibElmAttr_addAttribute(4, "Texts", 0, ZMATTR_KIND_TEXT, 0, nullptr, 0, &d);
    static MSElement text;
    Dpoint3d origin{0, 0, 0};
    ASSERT_EQ(zmlibElmAttr_createText(&text, nullptr, "12.5", &origin, nullptr, nullptr, 4, 0.5, nullptr), 0);
    TextSizeParam size{};
    TextParamWide params{};
    char string[16];
    ASSERT_EQ(mdlText_extract(string, sizeof string, nullptr, nullptr, nullptr, &size, &params, nullptr, &text,
                              nullptr),
              0);
    EXPECT_STREQ(string, "12.5");
    EXPECT_DOUBLE_EQ(size.size.x, 5.0);
    EXPECT_DOUBLE_EQ(size.size.y, 6.0);
    EXPECT_EQ(params.just, 8);
    EXPECT_EQ(params.font, 105);
    EXPECT_NEAR(params.slant, M_PI / 6, 1e-12);
    EXPECT_EQ(zmlibElmAttr_createText(&text, nullptr, "x", &origin, nullptr, nullptr, 99, 1.0, nullptr), ZMLIB_ERROR);
}

TEST_F(AttributeSetTest, StyledTextWithZeroWidthTakesTheActiveTextSize) {
    auto* file = sim::design::activeFile();
    sim::design::TextStyle style;
    style.id = 1;
    style.name = "Dim";
    style.width = 0.0;
    style.height = 2.0;
    file->textStyles.push_back(style);
    double active = 4.0;
    mdlParams_setActive(&active, ACTIVEPARAM_TEXTHEIGHT);
    defineGroups();
    ZmAttributeData d = symbology(ZMATTR_TEXTSTYLE);
    std::u16string name = u"Dim";
    std::memcpy(d.extra.textStyleName, name.c_str(), 2 * name.size());
    zmlibElmAttr_addAttribute(4, "Texts", 0, ZMATTR_KIND_TEXT, 0, nullptr, 0, &d);
    static MSElement text;
    Dpoint3d origin{0, 0, 0};
    ASSERT_EQ(zmlibElmAttr_createText(&text, nullptr, "A", &origin, nullptr, nullptr, 4, 1.0, nullptr), 0);
    TextSizeParam size{};
    ASSERT_EQ(mdlText_extract(nullptr, 0, nullptr, nullptr, nullptr, &size, nullptr, nullptr, &text, nullptr), 0);
    EXPECT_DOUBLE_EQ(size.size.x, 4.0);
    EXPECT_GT(size.size.y, 0.0);
}

TEST_F(AttributeSetTest, UnstyledTextTakesTheActiveSlant) {
    mdlSettings_setTextSlant(15.0);
    defineGroups();
    ZmAttributeData d = symbology(0);
    zmlibElmAttr_addAttribute(4, "Texts", 0, ZMATTR_KIND_TEXT, 0, nullptr, 0, &d);
    static MSElement text;
    Dpoint3d origin{0, 0, 0};
    ASSERT_EQ(zmlibElmAttr_createText(&text, nullptr, "A", &origin, nullptr, nullptr, 4, 1.0, nullptr), 0);
    TextParamWide params{};
    mdlText_extract(nullptr, 0, nullptr, nullptr, nullptr, nullptr, &params, nullptr, &text, nullptr);
    EXPECT_NEAR(params.slant, M_PI / 12, 1e-12);
}

TEST_F(AttributeSetTest, OutOfMemoryWhileAddingLeavesTheSetAsItWas) {
    defineGroups();
    ZmAttributeData d = symbology(0);
    answer = ACTIONBUTTON_OK;
    sim::failAllocations(1);
    EXPECT_EQ(zmlibElmAttr_addAttribute(1, "Lines", 0, 1, 0, nullptr, 0, &d), ZMLIB_ERROR);
    sim::failAllocations(0);
    EXPECT_EQ(zmlib::elmattr::callerSet().count(), 0);
    EXPECT_EQ(zmlib::elmattr::callerSet().head(), nullptr);
    sim::failAllocations(1, 1);   /* the label */
    EXPECT_EQ(zmlibElmAttr_addAttribute(1, "Lines", 0, 1, 0, nullptr, 0, &d), ZMLIB_ERROR);
    sim::failAllocations(0);
    EXPECT_EQ(zmlib::elmattr::callerSet().head(), nullptr);
}

}  // namespace
