#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "design_fixture.h"
#include "host/mdlelement.h"
#include "host/mdlgeom.h"
#include "host/mdlsystem.h"

namespace {

/* A chain of N lines, the second one long. */
MSElementDescr* lines(int n) {
    MSElementDescr* d = nullptr;
    MSElement el;
    for (int i = 0; i < n; ++i) {
        const Dpoint3d pts[2] = {{0, double(i), 0}, {i == 1 ? 40.0 : 10.0, double(i), 0}};
        mdlLine_create(&el, nullptr, pts);
        if (!d) mdlElmdscr_new(&d, nullptr, &el);
        else mdlElmdscr_appendElement(d, &el);
    }
    return d;
}

std::vector<std::u16string> cellNames(DgnFileP lib) {
    std::vector<std::u16string> names;
    ModelRefIteratorP it = nullptr;
    if (mdlDgnFile_createModelIterator(&it, lib, MODEL_ITERATE_CELLS) != 0) return names;
    for (DgnModelRefP m = mdlModelRefIterator_getFirst(it); m; m = mdlModelRefIterator_getNext(it)) {
        MSWChar name[512];
        mdlModelRef_getModelName(m, name, 512);
        names.emplace_back(name);
    }
    mdlModelRefIterator_free(&it);
    return names;
}

}  // namespace

TEST_F(DesignTest, CellLibraryCellsAreListedAndBuiltAsCellDescriptors) {
    std::string error;
    MSElementDescr* frame = lines(2);
    MSElementDescr* arrow = lines(1);
    ASSERT_TRUE(sim::design::storeLibraryCell(path("zm.cel"), "FRAME", "A4 frame", frame, error)) << error;
    ASSERT_TRUE(sim::design::storeLibraryCell(path("zm.cel"), "ARROW", "", arrow, error)) << error;
    EXPECT_FALSE(sim::design::storeLibraryCell(path("zm.cel"), "ARROW", "", arrow, error));
    mdlElmdscr_freeAll(&frame);
    mdlElmdscr_freeAll(&arrow);

    openFile("drawing.design");
    char full[MAXFILELENGTH];
    ASSERT_EQ(mdlCell_attachLibraryEx(full, path("zm.cel").c_str(), 0, 1, 2), 0);
    EXPECT_EQ(std::string(full), path("zm.cel"));
    EXPECT_NE(mdlCell_attachLibraryEx(full, path("missing.cel").c_str(), 0, 1, 2), 0);

    DgnFileP lib = nullptr;
    ASSERT_EQ(mdlCell_getLibraryObject(&lib, nullptr, 1), 0);   /* the active library stayed */
    EXPECT_EQ(cellNames(lib), (std::vector<std::u16string>{u"FRAME", u"ARROW"}));
    mdlCell_freeLibraryObject(&lib);
    EXPECT_EQ(lib, nullptr);

    MSElementDescr* cell = nullptr;
    ASSERT_EQ(mdlCell_getElmDscr(&cell, u"FRAME", nullptr, 0), 0);
    ASSERT_EQ(mdlElement_getType(&cell->el), CELL_HEADER_ELM);
    EXPECT_EQ(mdlElmdscr_count(cell), 3);
    MSWChar text[512];
    mdlCell_extractName(text, 512, &cell->el);
    EXPECT_EQ(std::u16string(text), u"FRAME");
    mdlCell_extractDescription(text, 512, &cell->el);
    EXPECT_EQ(std::u16string(text), u"A4 frame");
    DRange3d range;
    mdlCell_extract(nullptr, &range, nullptr, nullptr, nullptr, 0, &cell->el);
    EXPECT_EQ(range.high.x, 40.0);
    /* The cell can be placed in the drawing like any built one. */
    UInt32 pos = mdlElmdscr_add(cell);
    EXPECT_NE(pos, 0u);
    mdlElmdscr_freeAll(&cell);
    EXPECT_NE(mdlCell_getElmDscr(&cell, u"Default", nullptr, 0), 0);   /* the library's own model is no cell */
    EXPECT_NE(mdlCell_getElmDscr(&cell, u"NONE", nullptr, 0), 0);
    EXPECT_EQ(cell, nullptr);

    sim::design::close();
    openFile("drawing.design");
    EXPECT_EQ(sim::design::activeFile()->settings.activeCellLibrary, path("zm.cel"));
    ASSERT_EQ(mdlCell_getElmDscr(&cell, u"ARROW", nullptr, CELL_FLAG_POINT), 0);   /* attached again with the file */
    BoolInt point = 0;
    mdlCell_extract(nullptr, nullptr, nullptr, &point, nullptr, 0, &cell->el);
    EXPECT_TRUE(point);
    mdlElmdscr_freeAll(&cell);
    std::filesystem::remove(path("zm.cel"));
    sim::design::close();
    openFile("drawing.design");   /* a library that went away is not attached, and the file still opens */
    EXPECT_NE(mdlCell_getElmDscr(&cell, u"ARROW", nullptr, 0), 0);
}
