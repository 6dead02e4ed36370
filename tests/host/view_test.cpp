#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

#include "host/mdlelement.h"
#include "host/mdlgeom.h"
#include "host/mdlview.h"
#include "host/sim/base/base.h"
#include "view_fixture.h"

namespace {

MSElement line(double x0, double y0, double x1, double y1) {
    MSElement el;
    Dpoint3d ends[2] = {{x0, y0, 0}, {x1, y1, 0}};
    EXPECT_EQ(mdlLine_create(&el, nullptr, ends), 0);
    return el;
}

bool runVerb(const std::string& verb, const std::string& args, std::string& error) {
    const sim::SessionVerb* fn = sim::findSessionVerb(verb);
    return fn && (*fn)(args, error);
}

}  // namespace

TEST_F(ViewTest, DrawEraseAndHighlightChangeWhatTheViewsShow) {
    openFile("show.dgn");
    MSElement a = line(0, 0, 1000, 0), b = line(0, 1000, 1000, 1000);
    mdlElement_display(&a, DRAW_MODE_NORMAL);
    mdlElement_display(&b, DRAW_MODE_NORMAL);
    ASSERT_EQ(sim::view::persistent().size(), 2u);
    EXPECT_FALSE(sim::view::persistent()[0]->highlighted);

    mdlElement_display(&a, DRAW_MODE_HILITE);
    ASSERT_EQ(sim::view::persistent().size(), 2u);
    EXPECT_TRUE(sim::view::persistent()[0]->highlighted);
    mdlElement_display(&a, DRAW_MODE_NORMAL);   /* drawing again ends the highlight */
    EXPECT_FALSE(sim::view::persistent()[0]->highlighted);

    /* Stored, the element gets an id: erasing it still finds what was drawn. */
    ASSERT_NE(mdlElement_add(&a), 0u);
    mdlElement_display(&a, DRAW_MODE_ERASE);
    ASSERT_EQ(sim::view::persistent().size(), 1u);
    EXPECT_EQ(std::memcmp(sim::view::persistent()[0]->record, b.bytes, mdlElement_size(&b)), 0);
    mdlElement_display(&a, DRAW_MODE_ERASE);    /* erasing what is not shown changes nothing */
    EXPECT_EQ(sim::view::persistent().size(), 1u);
    EXPECT_TRUE(sim::view::transient().empty());
}

TEST_F(ViewTest, DynamicsAreTransientAndBelongToTheEventThatDrewThem) {
    openFile("dynamics.dgn");
    MSElement a = line(0, 0, 10, 0), b = line(0, 0, 20, 0);
    sim::runEvent([&] {
        mdlElement_display(&a, DRAW_MODE_TEMP_DRAW);
        mdlElement_display(&b, DRAW_MODE_TEMP_DRAW);
        return true;
    });
    EXPECT_EQ(sim::view::transient().size(), 2u);
    EXPECT_TRUE(sim::view::persistent().empty());
    sim::runEvent([] { return true; });          /* an event that draws no dynamics keeps them */
    EXPECT_EQ(sim::view::transient().size(), 2u);
    sim::runEvent([&] {
        mdlElement_display(&b, DRAW_MODE_TEMP_DRAW);
        return true;
    });
    ASSERT_EQ(sim::view::transient().size(), 1u);
    EXPECT_EQ(std::memcmp(sim::view::transient()[0], b.bytes, mdlElement_size(&b)), 0);
    ASSERT_EQ(mdlView_updateSingle(1), 0);
    EXPECT_TRUE(sim::view::transient().empty());
}

TEST_F(ViewTest, UpdateRedrawsFromTheFileAndAnotherFileStartsAfresh) {
    openFile("update.dgn");
    EXPECT_TRUE(sim::view::persistent().empty());   /* the views take up the new file */
    MSElement stored = line(0, 0, 5, 5), drawnOnly = line(9, 9, 8, 8);
    ASSERT_NE(mdlElement_add(&stored), 0u);
    mdlElement_display(&drawnOnly, DRAW_MODE_NORMAL);
    ASSERT_EQ(sim::view::persistent().size(), 1u);
    ASSERT_EQ(mdlView_updateSingle(0), 0);
    ASSERT_EQ(sim::view::persistent().size(), 1u);
    EXPECT_EQ(std::memcmp(sim::view::persistent()[0]->record + 32, stored.bytes + 32,
                          mdlElement_size(&stored) - 32), 0);
    EXPECT_NE(mdlView_updateSingle(9), 0);

    sim::design::close();
    openFile("update.dgn");   /* reopened: the views show its elements */
    EXPECT_EQ(sim::view::persistent().size(), 1u);
    openFile("other.dgn");
    EXPECT_TRUE(sim::view::persistent().empty());
}

/* The layer shows the model's records without copying them: it must still
** show what was drawn after the model changes, collapse elements of the same
** content, and let go of a closed file's memory. */
TEST_F(ViewTest, TheLayerShowsTheModelAsLastDrawnUntilTheNextUpdate) {
    openFile("refill.dgn");
    MSElement a = line(0, 0, 10, 0), twin = line(0, 0, 10, 0), b = line(0, 5, 10, 5);
    ASSERT_NE(mdlElement_add(&a), 0u);
    ASSERT_NE(mdlElement_add(&twin), 0u);
    UInt32 bPos = mdlElement_add(&b);
    ASSERT_NE(bPos, 0u);
    ASSERT_EQ(mdlView_updateSingle(0), 0);
    ASSERT_EQ(sim::view::persistent().size(), 2u);   /* the twins show once */
    EXPECT_EQ(std::memcmp(sim::view::persistent()[0]->record, twin.bytes, mdlElement_size(&twin)), 0);

    MSElement moved = line(0, 7, 10, 7);
    ASSERT_NE(mdlElement_rewrite(&moved, &b, bPos), 0u);   /* changed, not drawn */
    ASSERT_EQ(sim::view::persistent().size(), 2u);
    EXPECT_EQ(std::memcmp(sim::view::persistent()[1]->record + 32, b.bytes + 32, mdlElement_size(&b) - 32), 0);
    mdlElement_display(&a, DRAW_MODE_ERASE);
    ASSERT_EQ(sim::view::persistent().size(), 1u);
    mdlElement_display(&b, DRAW_MODE_HILITE);           /* found by content though the model moved on */
    EXPECT_TRUE(sim::view::persistent()[0]->highlighted);

    ASSERT_EQ(mdlView_updateSingle(0), 0);
    ASSERT_EQ(sim::view::persistent().size(), 2u);
    EXPECT_EQ(std::memcmp(sim::view::persistent()[1]->record + 32, moved.bytes + 32,
                          mdlElement_size(&moved) - 32), 0);
    sim::design::close();
    openFile("empty.dgn");   /* may take the closed file's address: the layer must not */
    EXPECT_TRUE(sim::view::persistent().empty());
}

TEST_F(ViewTest, WindowAreasKeepThePixelAspectAndSelectWhatEachViewShows) {
    openFile("window.dgn");
    std::string error;
    ASSERT_TRUE(sim::view::setWindowMaster(2, 0, 0, 50, 10, error)) << error;
    Dpoint3d origin, delta;
    ASSERT_EQ(mdlView_getParameters(&origin, &delta, nullptr, 2), 0);
    EXPECT_DOUBLE_EQ(delta.x, 50000);
    EXPECT_DOUBLE_EQ(delta.y, 37500);          /* grown to 1000 x 750 pixels */
    EXPECT_DOUBLE_EQ(origin.y, 5000 - 18750);  /* about the centre */
    EXPECT_FALSE(sim::view::setWindowMaster(2, 0, 0, 0, 10, error));
    Dpoint3d bad{NAN, 1, 0};
    EXPECT_NE(mdlView_setArea(2, &origin, &bad), 0);
    EXPECT_NE(mdlView_getParameters(&origin, &delta, nullptr, 9), 0);

    MSElement inside = line(1000, 1000, 2000, 1000), outside = line(190000, 0, 191000, 0);
    mdlElement_display(&inside, DRAW_MODE_NORMAL);
    mdlElement_display(&outside, DRAW_MODE_NORMAL);
    EXPECT_EQ(sim::view::persistentIn(2).size(), 1u);
    EXPECT_EQ(sim::view::persistentIn(1).size(), 1u);   /* default area: 100 x 75 master units */
    ASSERT_TRUE(sim::view::setWindowMaster(3, 180, -5, 200, 5, error));
    ASSERT_EQ(sim::view::persistentIn(3).size(), 1u);
    EXPECT_EQ(sim::view::persistentIn(3)[0]->record[56 + 0], outside.bytes[56]);

    ASSERT_TRUE(runVerb("view", "4 window 0 0 10 7.5", error)) << error;
    ASSERT_EQ(mdlView_getParameters(nullptr, &delta, nullptr, 4), 0);
    EXPECT_DOUBLE_EQ(delta.x, 10000);
    EXPECT_FALSE(runVerb("view", "9 window 0 0 1 1", error));
    EXPECT_FALSE(runVerb("view", "1 window 0 0 1", error));
    ASSERT_TRUE(runVerb("view", "5 fit", error)) << error;
    EXPECT_EQ(sim::view::persistentIn(5).size(), 2u);
}

TEST_F(ViewTest, StandardViewsAreRotationsLookingTheRightWay) {
    RotMatrix r;
    ASSERT_EQ(mdlView_getStandard(&r, STDVIEW_TOP), 0);
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) EXPECT_NEAR(r.form3d[i][j], i == j ? 1 : 0, 1e-12);
    ASSERT_EQ(mdlView_getStandard(&r, STDVIEW_FRONT), 0);
    Dpoint3d up{0, 0, 1};
    mdlRMatrix_rotatePoint(&up, &r);
    EXPECT_POINT(up, 0, 1);   /* world z is the front view's y */
    for (int v = 1; v <= 8; ++v) {
        ASSERT_EQ(mdlView_getStandard(&r, v), 0);
        Dpoint3d p{1, 2, 3};
        mdlRMatrix_rotatePoint(&p, &r);
        EXPECT_NEAR(std::sqrt(p.x * p.x + p.y * p.y + p.z * p.z), std::sqrt(14.0), 1e-9) << "view " << v;
    }
    EXPECT_NE(mdlView_getStandard(&r, 0), 0);
    EXPECT_NE(mdlView_getStandard(&r, 9), 0);
}

TEST_F(ViewTest, DrawingsIntoDialogItemsAreKeptPerItem) {
    openFile("items.dgn");
    int fakeDialog = 0;
    auto* window = reinterpret_cast<DialogBox*>(&fakeDialog);
    sim::view::setItemResolver([](const void*, const int32_t rect[4]) { return rect[0] < 100 ? 20001 : 20002; });
    MSElement cell, l = line(0, 0, 1, 1);
    ASSERT_EQ(mdlCell_create(&cell, u"PREVIEW", nullptr, 0), 0);
    MSElementDescr* d = nullptr;
    ASSERT_EQ(mdlElmdscr_new(&d, nullptr, &cell), 0);
    ASSERT_EQ(mdlElmdscr_appendElement(d, &l), 0);
    ASSERT_EQ(mdlElmdscr_appendElement(d, &l), 0);
    int32_t rect[4] = {2, 2, 50, 40};
    uint32_t overrides[3] = {0x1208C, 0, 0};
    Dpoint3d origin{0, 0, 0}, extent{1, 1, 4294967295.0};
    mdlElmdscr_displayToWindow(window, reinterpret_cast<const DialogRect*>(rect), overrides, d, nullptr, &origin,
                               &extent, 1, -1);
    mdlElmdscr_displayToWindow(window, reinterpret_cast<const DialogRect*>(rect), overrides, d, nullptr, &origin,
                               &extent, 1, -1);
    int32_t other[4] = {200, 2, 250, 40};
    mdlElmdscr_displayToWindow(window, reinterpret_cast<const DialogRect*>(other), nullptr, d, nullptr, &origin,
                               &extent, 1, 7);
    EXPECT_EQ(sim::view::itemDrawings().size(), 2u);   /* the second drawing replaced the first */
    const sim::view::ItemDrawing* first = sim::view::itemDrawing(20001);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->elements.size(), 3u);
    EXPECT_EQ(first->overrides[0], 0x1208Cu);
    EXPECT_EQ(first->rect[2], 50);
    EXPECT_EQ(first->extra, -1);
    EXPECT_EQ(sim::view::itemDrawing(20002)->extra, 7);
    EXPECT_TRUE(sim::view::persistent().empty());   /* dialogs are not views */
    mdlElmdscr_freeAll(&d);
}
