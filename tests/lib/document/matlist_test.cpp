#include <cstring>
#include <string>
#include <vector>

#include "document_fixture.h"
#include "lib/core/util.h"
#include "lib/document/matlist_int.h"

namespace {

using MatListTest = DocumentTest;

std::string format(ZmFormDataArray* list, const char* templ, int* result = nullptr) {
    char out[ZMMATLIST_TEXT_SIZE];
    int r = zmlibMatList_generateFormatedText(templ, list, out, nullptr, 0, 0, 1);
    if (result) *result = r;
    return out;
}

/* Lines of the dump of DESCR (one per element). */
std::vector<std::string> types(const MSElementDescr* d) {
    std::vector<std::string> out;
    for (; d; d = d->next) {
        out.push_back(std::to_string(mdlElement_getType(&d->el)));
        for (auto& c : types(d->firstChild)) out.push_back(" " + c);
    }
    return out;
}

std::string textOf(const MSElementDescr* d) {
    char text[256] = "";
    mdlText_extractString(text, sizeof text, &d->el);
    return text;
}

int placeSquare(int, const char*, MSElementDescr** out, void*, double, double) {
    static MSElement el;
    Dpoint3d pts[5] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {0, 0, 0}};
    mdlShape_create(&el, nullptr, pts, 5, -1);
    mdlElmdscr_new(out, nullptr, &el);
    return 0;
}

}  // namespace

TEST_F(MatListTest, InsertValueCodesAndFieldTypes) {
    EXPECT_EQ(zmlibMatList_insertValue(nullptr, "text", ZMFORM_TEXT, 0, "x"), ZMFORM_NO_ARRAY);
    ZmFormDataArray* list = zmlibMatList_createFormDataArray(4, 3);
    EXPECT_EQ(zmlibMatList_insertValue(list, "text", ZMFORM_TEXT, 3, "x"), ZMFORM_BAD_ROW);
    EXPECT_EQ(zmlibMatList_insertValue(list, "text", ZMFORM_TEXT, -1, "x"), ZMFORM_BAD_ROW);
    EXPECT_EQ(zmlibMatList_insertValue(list, "bad_", 7, 0, 1), ZMFORM_BAD_TYPE);
    EXPECT_EQ(zmlibMatList_insertValue(list, "text", ZMFORM_TEXT, 2, "  Pipe \t DN50  "), 0);
    EXPECT_EQ(zmlibMatList_insertValue(list, "text", ZMFORM_TEXT, 2, "Elbow"), 0);   /* replaces, frees the old copy */
    EXPECT_EQ(zmlibMatList_insertValue(list, "text", ZMFORM_INT, 1, 5), ZMFORM_BAD_TYPE);   /* it stays a text field */
    EXPECT_EQ(zmlibMatList_insertValue(list, "leng", ZMFORM_DOUBLE, 0, 2.5), 0);
    EXPECT_EQ(zmlibMatList_insertValue(list, "pos_", ZMFORM_INT, 0, 7), 0);
    EXPECT_EQ(zmlibMatList_insertValue(list, "axis", ZMFORM_CHAR, 0, 'x'), 0);
    EXPECT_EQ(format(list, "%2%text|%3%text|%5.1leng|%03pos_|%-3axis|"), "|Elbow|  2.5|007|x  |");
    EXPECT_EQ(zmlibMatList_destroyFormDataArray(list), nullptr);
}

TEST_F(MatListTest, PlaceholderGrammar) {
    ZmFormDataArray* list = zmlibMatList_createFormDataArray(4, 3);
    zmlibMatList_insertValue(list, "date", ZMFORM_TEXT, 0, "08");
    zmlibMatList_insertValue(list, "time", ZMFORM_TEXT, 2, "14");
    zmlibMatList_insertValue(list, "nr__", ZMFORM_INT, 0, 42);
    int result = -1;
    EXPECT_EQ(format(list, "100%% at %date/%3%time %-2%time"), "100% at 08/14 ");
    EXPECT_EQ(format(list, "[%none][%0%date][%2%date]", &result), "[][][]");   /* unknown, no row, row not set */
    EXPECT_EQ(result, ZMFORM_TEXT);
    EXPECT_EQ(format(list, "%nr__", &result), "42");
    EXPECT_EQ(result, ZMFORM_INT);
    /* Only flags, width and precision reach printf: anything else drops the placeholder. */
    EXPECT_EQ(format(list, "[%*nr__][%'nr__][%.-2nr__][%999nr__][%+6nr__]"), "[][][][][   +42]");
    EXPECT_EQ(format(list, "a%5%date", &result), "a");
    EXPECT_EQ(result, 0);   /* row 5 of 3: message 15, nothing more */
    EXPECT_EQ(shown, std::vector<std::string>{"row 5 (date) beyond 3"});

    /* The output is cut to its buffer, never overrun. */
    zmlibMatList_insertValue(list, "long", ZMFORM_TEXT, 0, std::string(900, 'x').c_str());
    char small[10];
    std::memset(small, '#', sizeof small);
    zmlib::matlist::formatText("ab%200long", list, small, 8, nullptr, 0, 0, 1);
    EXPECT_EQ(std::string(small), "abxxxxx");
    EXPECT_EQ(small[8], '#');
    EXPECT_EQ(format(list, "%1%long%1%long%1%long").size(), ZMMATLIST_TEXT_SIZE - 1u);
    zmlibMatList_destroyFormDataArray(list);
}

TEST_F(MatListTest, TextsAreFilledAsTextsNodesAndCallbackDescriptors) {
    ZmFormDataArray* list = zmlibMatList_createFormDataArray(4, 3);
    zmlibMatList_insertValue(list, "name", ZMFORM_TEXT, 0, "Ulla");
    zmlibMatList_insertValue(list, "adrs", ZMFORM_TEXT, 0, "Gate 1\nOslo");   /* compressed: one line */
    zmlibMatList_insertValue(list, "lf__", ZMFORM_CHAR, 0, '\n');
    zmlibMatList_insertValue(list, "LOGO", ZMFORM_CALLBACK, 0, placeSquare, 0, 1);

    using zmlib::matlist::Fill;
    MSElementDescr* replacement = nullptr;
    MSElementDescr* text = textDescr("Drawn: %name");
    EXPECT_EQ(zmlib::matlist::fillText(&text->el, list, &replacement), Fill::Replaced);
    EXPECT_EQ(textOf(replacement), "Drawn: Ulla");
    mdlElmdscr_freeAll(&replacement);
    mdlElmdscr_freeAll(&text);

    text = textDescr("%none");
    ASSERT_EQ(zmlib::matlist::fillText(&text->el, list, &replacement), Fill::Replaced);
    EXPECT_EQ(textOf(replacement), " ");
    mdlElmdscr_freeAll(&replacement);
    mdlElmdscr_freeAll(&text);

    text = textDescr("%adrs", 10, 50);
    ASSERT_EQ(zmlib::matlist::fillText(&text->el, list, &replacement), Fill::Replaced);
    EXPECT_EQ(textOf(replacement), "Gate 1 Oslo");
    mdlElmdscr_freeAll(&replacement);
    mdlElmdscr_freeAll(&text);

    text = textDescr("Gate 1%lf__Oslo", 10, 50);
    ASSERT_EQ(zmlib::matlist::fillText(&text->el, list, &replacement), Fill::Replaced);
    ASSERT_EQ(types(replacement), (std::vector<std::string>{"7", " 17", " 17"}));
    EXPECT_EQ(textOf(replacement->firstChild), "Gate 1");
    EXPECT_EQ(textOf(replacement->firstChild->next), "Oslo");
    Dpoint3d first[5], second[5];
    mdlText_extractShape(first, &replacement->firstChild->el);
    mdlText_extractShape(second, &replacement->firstChild->next->el);
    EXPECT_DOUBLE_EQ(first[0].y - second[0].y, 3 + 1);   /* height and half a character width */
    mdlElmdscr_freeAll(&replacement);
    mdlElmdscr_freeAll(&text);

    /* The callback's descriptor is fitted into the text's outline (10 x 3 UORs at 20,0). */
    text = textDescr("%LOGO", 20, 0);
    ASSERT_EQ(zmlib::matlist::fillText(&text->el, list, &replacement), Fill::Replaced);
    EXPECT_EQ(types(replacement), std::vector<std::string>{"6"});
    Dpoint3d low, high;
    mdlElmdscr_computeRange(&low, &high, replacement, nullptr);
    Dpoint3d outline[5];
    mdlText_extractShape(outline, &text->el);
    EXPECT_NEAR(high.y - low.y, 3.0, 1e-9);
    EXPECT_NEAR((low.x + high.x) / 2, (outline[0].x + outline[1].x) / 2, 1e-9);
    mdlElmdscr_freeAll(&replacement);
    mdlElmdscr_freeAll(&text);
    zmlibMatList_destroyFormDataArray(list);
}

TEST_F(MatListTest, PageCellIsFilledAndScaledToThePrintableArea) {
    MSElementDescr* frame = textDescr("Project %pron", 0, 0);
    mdlElmdscr_appendDscr(frame, textDescr("%1%text %2%text", 0, -10));
    static MSElement el;
    Dpoint3d corners[5] = {{0, 0, 0}, {3, 0, 0}, {3, 6, 0}, {0, 6, 0}, {0, 0, 0}};
    mdlShape_create(&el, nullptr, corners, 5, -1);
    mdlElmdscr_appendElement(frame, &el);
    storeCell("forms.cel", "A4LIST", "A4 material list", frame);
    mdlElmdscr_freeAll(&frame);
    mdlSystem_defineCfgVar("ZM_CELL", path("").c_str(), CFGVAR_LEVEL_USER);

    ZmFormDataArray* list = zmlibMatList_createFormDataArray(4, 3);
    zmlibMatList_insertValue(list, "pron", ZMFORM_TEXT, 0, "2026-17");
    zmlibMatList_insertValue(list, "text", ZMFORM_TEXT, 0, "Pipe");
    MSElementDescr* pageCell = nullptr;
    EXPECT_EQ(zmlibMatList_generatePageElementDescr("A4LIST", "missing.cel", &pageCell, list, 0), -2);
    EXPECT_EQ(zmlibMatList_generatePageElementDescr("NOPAGE", "forms.cel", &pageCell, list, 0), -1);
    EXPECT_EQ(pageCell, nullptr);
    ASSERT_EQ(zmlibMatList_generatePageElementDescr("A4LIST", "FORMS.CEL", &pageCell, list, 0), 0);
    ASSERT_NE(pageCell, nullptr);
    EXPECT_EQ(types(pageCell), (std::vector<std::string>{"2", " 17", " 17", " 6"}));
    EXPECT_EQ(textOf(pageCell->firstChild), "Project 2026-17");
    EXPECT_EQ(textOf(pageCell->firstChild->next), "Pipe ");
    /* A4 less the default margins: 180 x 277 mm, as UORs, over the range of the cell as stored. */
    MSElementDescr* stored = nullptr;
    ASSERT_EQ(mdlCell_getElmDscr(&stored, u"A4LIST", nullptr, 0), 0);
    Dpoint3d low, high;
    mdlElmdscr_computeRange(&low, &high, stored, nullptr);
    mdlElmdscr_freeAll(&stored);
    double expected = std::min(*zmlibUtil_masterToUORP(180) / (high.x - low.x),
                               *zmlibUtil_masterToUORP(277) / (high.y - low.y));
    EXPECT_DOUBLE_EQ(*zmlibMatList_getCurrentPageScaleP(), expected);
    mdlElmdscr_freeAll(&pageCell);
    zmlibMatList_destroyFormDataArray(list);
}

TEST_F(MatListTest, SystemDataAndFileNames) {
    ZmFormDataArray* list = zmlibMatList_createFormDataArray(4, 8);
    zmlibMatList_insertFileName("C:\\jobs\\100%\\pipe.route.dgn", "dgnf", list);
    EXPECT_EQ(format(list, "%1%dgnf|%2%dgnf|%3%dgnf|%4%dgnf|%5%dgnf"), "C:|\\jobs\\100%%\\|pipe.route|.dgn|pipe.route.dgn");
    zmlibMatList_insertFileName("notes", "bare", list);
    EXPECT_EQ(format(list, "[%1%bare][%4%bare][%5%bare]"), "[][][notes]");
    zmlibMatList_insertSystemData(list);
    int year = 0, month = 0, day = 0;
    zmlibUtil_getDateAndTime(&year, &month, &day, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
    char expected[64];
    std::snprintf(expected, sizeof expected, "%02d.%02d.%d %02d|drawing.design", day, month, year, year % 100);
    EXPECT_EQ(format(list, "%2%date.%6%date.%7%date %8%date|%5%file"), expected);
    zmlibMatList_destroyFormDataArray(list);
}

TEST_F(MatListTest, TextsOfOneLevelAreFilledInTheDesignFile) {
    auto addText = [](const char* text, UInt32 level, double y) {
        MSElementDescr* d = textDescr(text, 0, y);
        mdlElement_setProperties(&d->el, &level, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
        UInt32 pos = mdlElmdscr_add(d);
        mdlElmdscr_freeAll(&d);
        return pos;
    };
    addText("Project %pron", 5, 0);
    addText("Gate%lf__Oslo", 5, -10);
    addText("%none", 5, -20);
    addText("Other %pron", 6, -30);
    ZmFormDataArray* list = zmlibMatList_createFormDataArray(4, 2);
    zmlibMatList_insertValue(list, "pron", ZMFORM_TEXT, 0, "2026-17");
    zmlibMatList_insertValue(list, "lf__", ZMFORM_CHAR, 0, '\n');
    EXPECT_EQ(zmlibMatList_changeTextInMasterFile(list, 5, nullptr), 0);
    std::vector<std::string> texts;
    std::vector<int> kinds;
    for (UInt32 pos = 1; pos <= mdlModelRef_getEof(nullptr); ++pos) {
        MSElementDescr* d = nullptr;
        if (!mdlElmdscr_read(&d, pos, nullptr, 0, nullptr)) continue;
        if (mdlElement_getType(&d->el) == TEXT_ELM) texts.push_back(textOf(d));
        kinds.push_back(mdlElement_getType(&d->el));
        pos += static_cast<UInt32>(mdlElmdscr_count(d) - 1);
        mdlElmdscr_freeAll(&d);
    }
    EXPECT_EQ(texts, (std::vector<std::string>{"Project 2026-17", " ", "Other %pron"}));
    EXPECT_EQ(kinds, (std::vector<int>{17, 17, 17, 7}));   /* the two-line text is a node, added last */
    zmlibMatList_destroyFormDataArray(list);
}
