#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "document_fixture.h"
#include "host/mdldialog.h"
#include "host/sim/dialogs/dialogs.h"
#include "host/sim/display/display.h"
#include "host/mdlgeom.h"
#include "lib/document/cell.h"

namespace {

using CellTest = DocumentTest;

MSElementDescr* lineDescr(double x1, double y1, double x2, double y2) {
    static MSElement el;
    Dpoint3d pts[2] = {{x1, y1, 0}, {x2, y2, 0}};
    mdlLine_create(&el, nullptr, pts);
    MSElementDescr* d = nullptr;
    mdlElmdscr_new(&d, nullptr, &el);
    return d;
}

std::vector<std::string> rows(StringList* list) {
    std::vector<std::string> out;
    for (int i = 0; i < mdlStringList_size(list); ++i) {
        const char* text = nullptr;
        mdlStringList_getMember(&text, nullptr, list, i);
        out.push_back(text ? text : "");
    }
    return out;
}

}  // namespace

TEST_F(CellTest, LibraryDirectoryAndCaseInsensitiveActiveLibrary) {
    char buffer[256];
    std::filesystem::create_directories(path("zm/cell"));
    mdlSystem_defineCfgVar("ZM_DIR", (path("zm") + "/").c_str(), CFGVAR_LEVEL_USER);
    zmlibCell_getZmCellPath(buffer, sizeof buffer);
    EXPECT_EQ(std::string(buffer), path("zm") + "/cell\\");
    zmlibCell_getZmCellPath(buffer, 6);
    EXPECT_EQ(std::strlen(buffer), 5u);   /* cut to the caller's buffer */

    MSElementDescr* line = lineDescr(0, 0, 10, 0);
    storeCell("zm/cell/Forms.cel", "A4LIST", "A4 material list", line);
    EXPECT_EQ(zmlibCell_getCellPathAndName(buffer, "missing.cel"), ZMLIB_ERROR);
    EXPECT_EQ(std::string(buffer), path("zm") + "/cell\\missing.cel");
    EXPECT_EQ(zmlibCell_getCellPathAndName(buffer, "Forms.cel"), 0);

    EXPECT_EQ(zmlibCell_loadCellLibraryIfNeeded("Forms.cel"), 0);
    char active[256];
    ASSERT_EQ(mdlCell_getActiveLibraryName(active, sizeof active), 0);
    EXPECT_NE(std::string(active).find("Forms.cel"), std::string::npos);
    /* Equal but for case: nothing is attached, even when the name would not resolve. */
    std::string before = active;
    storeCell("zm/cell/forms2.cel", "X", "", line);
    EXPECT_EQ(zmlibCell_loadCellLibraryIfNeeded("FORMS.CEL"), 0);
    EXPECT_NE(zmlibCell_loadCellLibraryIfNeeded("nothere.cel"), 0);
    mdlCell_getActiveLibraryName(active, sizeof active);
    EXPECT_EQ(std::string(active), before);
    mdlElmdscr_freeAll(&line);
}

TEST_F(CellTest, ListingSkipsTheDefaultModel) {
    MSElementDescr* line = lineDescr(0, 0, 10, 0);
    storeCell("only.cel", "default", "", line);
    storeCell("two.cel", "DEFAULT", "", line);
    storeCell("two.cel", "LOGO", "Company logo", line);
    storeCell("two.cel", "ARROW", "", line);
    mdlElmdscr_freeAll(&line);
    char full[MAXFILELENGTH];
    StringList* list = mdlStringList_create(0, 1);
    ASSERT_EQ(mdlCell_attachLibraryEx(full, path("only.cel").c_str(), 0, 1, 2), 0);
    EXPECT_EQ(zmlibCell_getStringlistFromLib(list, 2), 0);
    EXPECT_EQ(zmlibCell_getStringlistFromLib(list, 1), ZMLIB_ERROR);
    ASSERT_EQ(mdlCell_attachLibraryEx(full, path("two.cel").c_str(), 0, 1, 2), 0);
    EXPECT_EQ(zmlibCell_getStringlistFromLib(list, 3), 2);
    EXPECT_EQ(rows(list), (std::vector<std::string>{"LOGO", "Company logo", "", "ARROW", "", ""}));
    mdlStringList_destroy(list);
}

TEST_F(CellTest, MergedCellTakesEveryNonHeaderElementAndLosesItsRotation) {
    static MSElement header;
    Dpoint3d origin{5, 6, 7};
    ASSERT_EQ(mdlCell_create(&header, u"MERGED", &origin, 0), 0);
    RotMatrix turned;
    mdlRMatrix_fromAngle(&turned, 0.5);
    mdlCell_setOrigin(&header, &origin, &turned);
    MSElementDescr* target = nullptr;
    mdlElmdscr_new(&target, nullptr, &header);
    MSElementDescr* first = lineDescr(0, 0, 1, 0);
    mdlElmdscr_appendDscr(first, lineDescr(0, 1, 1, 1));
    static MSElement inner;
    Dpoint3d zero{0, 0, 0};
    mdlCell_create(&inner, u"INNER", &zero, 0);
    MSElementDescr* second = nullptr;
    mdlElmdscr_new(&second, nullptr, &inner);
    mdlElmdscr_appendDscr(second, lineDescr(0, 2, 1, 2));
    mdlElmdscr_validate(second, nullptr);

    ASSERT_EQ(zmlibCell_mergeCells(target, first, second), 0);
    EXPECT_EQ(mdlElmdscr_count(target), 4);   /* the header and three lines; the inner header is skipped */
    Dpoint3d storedOrigin;
    RotMatrix rotation;
    mdlCell_extract(&storedOrigin, nullptr, &rotation, nullptr, nullptr, 0, &target->el);
    EXPECT_DOUBLE_EQ(storedOrigin.x, 5);
    EXPECT_DOUBLE_EQ(storedOrigin.y, 6);
    EXPECT_NEAR(rotation.form3d[0][0], 1, 1e-12);
    EXPECT_NEAR(rotation.form3d[0][1], 0, 1e-12);
    EXPECT_EQ(zmlibCell_mergeCells(nullptr, first, nullptr), ZMLIB_ERROR);
    for (MSElementDescr** d : {&target, &first, &second}) mdlElmdscr_freeAll(d);
}

TEST_F(CellTest, DrawnCellHasItsFrameAndCrosses) {
    MSElementDescr* line = lineDescr(0, 0, 10, 5);
    storeCell("logo.cel", "LOGO", "", line);
    mdlElmdscr_freeAll(&line);
    char full[MAXFILELENGTH];
    ASSERT_EQ(mdlCell_attachLibraryEx(full, path("logo.cel").c_str(), 0, 1, 2), 0);
    DialogBox* db = mdlDialog_open(RscFileHandle{}, 20008);
    ASSERT_NE(db, nullptr);
    DialogItem* item = mdlDialog_itemGetByIndex(db, 0);
    ASSERT_NE(item, nullptr);
    const DialogRect r = item->rect;
    auto lines = [&] {
        std::vector<std::string> out;
        for (const std::string& d : sim::dialogDrawings(db))
            if (d.rfind("line ", 0) == 0) out.push_back(d);
        return out;
    };
    mdlWindow_clear(db);
    EXPECT_EQ(zmlibCell_drawCell("NONE", db, 0, 0, 3), ZMLIB_ERROR);
    EXPECT_EQ(sim::dialogDrawings(db).size(), 1u);   /* the bevel only */
    mdlWindow_clear(db);
    ASSERT_EQ(zmlibCell_drawCell("LOGO", db, 0, 4, 3), 0);
    int x = (r.left + r.right) / 2, y = (r.top + r.bottom) / 2;
    EXPECT_EQ(lines(), (std::vector<std::string>{
                           "line " + std::to_string(x) + " " + std::to_string(r.top) + " " + std::to_string(x) + " " +
                               std::to_string(r.bottom),
                           "line " + std::to_string(r.left) + " " + std::to_string(y) + " " + std::to_string(r.right) +
                               " " + std::to_string(y)}));
    /* The item's picture: its size, the drawing of the cell, its centre lines. */
    std::string error;
    const int32_t itemRect[4] = {r.left, r.top, r.right, r.bottom};
    ASSERT_TRUE(sim::view::renderItemPicture(db, item->id, itemRect, sim::dialogDrawings(db), path("item.png"), error))
        << error;
    std::string png = readFile(path("item.png"));
    ASSERT_GT(png.size(), 24u);
    EXPECT_EQ(png.substr(1, 3), "PNG");
    auto be32 = [&](size_t at) {
        return (uint32_t(uint8_t(png[at])) << 24) | (uint32_t(uint8_t(png[at + 1])) << 16) |
               (uint32_t(uint8_t(png[at + 2])) << 8) | uint8_t(png[at + 3]);
    };
    EXPECT_EQ(be32(16), uint32_t(r.right - r.left));
    EXPECT_EQ(be32(20), uint32_t(r.bottom - r.top));
    std::string svg = sim::view::itemSvg(db, item->id, itemRect, sim::dialogDrawings(db));
    EXPECT_NE(svg.find("<line x1="), std::string::npos);
    EXPECT_NE(svg.find("data-type=\"3\""), std::string::npos);   /* the cell's line */

    mdlWindow_clear(db);
    ASSERT_EQ(zmlibCell_drawCell("LOGO", db, 0, 0, 4), 0);
    EXPECT_TRUE(lines().empty());
    mdlWindow_close(db);
}
