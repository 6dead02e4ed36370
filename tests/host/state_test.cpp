/* Tests of the command state machine and locate: a probe application drives
** primitive and modify commands through data points, cursor moves and
** resets; filters refuse and accept; candidates at one place come in turn;
** dynamics show without storing; the host's place line and line string. */
#include <string>
#include <vector>

#include "host/mdlcommand.h"
#include "host/mdlelement.h"
#include "host/mdlstate.h"
#include "host/mdlview.h"
#include "host/sim/base/base.h"
#include "host/sim/system/system.h"
#include "host/sim/dialogs/dialogs.h"
#include "host/sim/resources/resources.h"
#include "host/sim/design/design.h"
#include "host/sim/interaction/interaction.h"
#include "tests/host/view_fixture.h"

namespace {

/* What the probe's functions saw, in order. */
std::vector<std::string> calls;
std::vector<UInt32> filtered;        /* file positions the filter was asked about */
std::vector<UInt32> refuse;          /* positions the filter refuses */
std::vector<int> dynamicsModes;
MdlDesc* probe = nullptr;
MdlDesc* calledFor = nullptr;

int filter(MSElement*, DgnModelRefP, UInt32 filePos, Dpoint3d*, int) {
    filtered.push_back(filePos);
    for (UInt32 r : refuse)
        if (r == filePos) return LOCATE_FILTER_REJECT;
    return LOCATE_FILTER_ACCEPT;
}

void dynamics(Dpoint3d* p, int, int drawMode) {
    dynamicsModes.push_back(drawMode);
    Dpoint3d pts[2] = {{0, 0, 0}, *p};
    MSElement el;
    ASSERT_EQ(mdlLine_create(&el, nullptr, pts), HOST_SUCCESS);
    mdlElement_display(&el, drawMode);
}
void secondPoint(Dpoint3d*, int) { calls.push_back("second"); }
void firstPoint(Dpoint3d* p, int view) {
    calledFor = sim::currentApplication();
    calls.push_back("first " + std::to_string(static_cast<int>(p->x)) + " view " + std::to_string(view));
    mdlState_setFunction(STATEFUNC_DATAPOINT, reinterpret_cast<StateFunc>(secondPoint));
    mdlState_setFunction(STATEFUNC_DYNAMICS, reinterpret_cast<StateFunc>(dynamics));
}
void restart() { calls.push_back("restart"); }
void show() { calls.push_back("show " + std::to_string(mdlElement_getFilePos(FILEPOS_LOCATED_ELEMENT, nullptr))); }
void clean() { calls.push_back("clean"); }

}  // namespace

class State : public ViewTest {
protected:
    void SetUp() override {
        ViewTest::SetUp();
        calls.clear(), filtered.clear(), refuse.clear(), dynamicsModes.clear();
        calledFor = nullptr;
        openFile("state.design");
        probe = sim::registerApplication("probe");
    }
    /* A line between two points in master units (1000 UORs each); answers its position. */
    static UInt32 line(double x1, double y1, double x2, double y2) {
        Dpoint3d pts[2] = {{x1 * 1000, y1 * 1000, 0}, {x2 * 1000, y2 * 1000, 0}};
        MSElement el;
        EXPECT_EQ(mdlLine_create(&el, nullptr, pts), HOST_SUCCESS);
        return mdlElement_add(&el);
    }
    static Dpoint3d at(double x, double y) { return {x * 1000, y * 1000, 0}; }
    void startModify(int pointCount) {
        sim::CurrentApplicationScope scope(probe);
        mdlState_startModifyCommand(restart, firstPoint, nullptr, show, clean, 0, 0, 0, pointCount);
        mdlLocate_setFunction(LOCATE_POSTLOCATE, filter);
        mdlLocate_normal();
        mdlLocate_init();
    }
};

TEST_F(State, ModifyCommandAcceptsItsPointThenFollowsInstalledFunctions) {
    UInt32 a = line(10, 10, 50, 10);
    startModify(1);
    EXPECT_EQ(sim::interact::modifyPhase(), 0);
    /* Far from every element: nothing located, the state stays, the status says so. */
    EXPECT_TRUE(sim::interact::dataPoint(at(30, 40), 1));
    EXPECT_TRUE(calls.empty());
    EXPECT_EQ(sim::messageField(MSG_STATUS), "Element not found");
    /* An element the filter refuses is the filter's to explain, not the host's. */
    sim::clearOutputLog();
    refuse = {a};
    EXPECT_TRUE(sim::interact::dataPoint(at(30, 10.5), 1));
    EXPECT_TRUE(calls.empty());
    EXPECT_EQ(sim::messageField(MSG_STATUS), "");
    refuse.clear();
    /* Within the tolerance (10 pixels = 1 master unit here): the line. */
    EXPECT_TRUE(sim::interact::dataPoint(at(30, 10.5), 1));
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0], "show " + std::to_string(a));
    EXPECT_EQ(calls[1], "first 30000 view 1");
    EXPECT_EQ(calledFor, probe);
    EXPECT_EQ(sim::interact::modifyPhase(), 2);
    /* The located line is highlighted. */
    ASSERT_EQ(sim::view::persistent().size(), 1u);
    EXPECT_TRUE(sim::view::persistent()[0]->highlighted);

    /* Dynamics at each cursor move, in the dynamics mode, storing nothing. */
    UInt32 eof = mdlModelRef_getEof(mdlModelRef_getActive());
    EXPECT_TRUE(sim::interact::cursorMove(at(20, 20), 1));
    EXPECT_TRUE(sim::interact::cursorMove(at(25, 25), 1));
    EXPECT_EQ(dynamicsModes, (std::vector<int>{DRAW_MODE_TEMP_DRAW, DRAW_MODE_TEMP_DRAW}));
    EXPECT_EQ(sim::view::transient().size(), 1u);   /* the later move replaced the earlier frame */
    EXPECT_EQ(mdlModelRef_getEof(mdlModelRef_getActive()), eof);

    EXPECT_TRUE(sim::interact::dataPoint(at(1, 1), 1));
    EXPECT_EQ(calls.back(), "second");
    EXPECT_TRUE(sim::interact::reset());
    EXPECT_EQ(calls.back(), "restart");

    /* A restart puts the first functions back and lets the highlight go. */
    mdlState_restartCurrentCommand();
    EXPECT_EQ(sim::interact::modifyPhase(), 0);
    EXPECT_FALSE(sim::view::persistent()[0]->highlighted);
    EXPECT_TRUE(sim::view::transient().empty());
    EXPECT_EQ(mdlElement_getFilePos(FILEPOS_LOCATED_ELEMENT, nullptr), 0u);
    calls.clear();
    EXPECT_TRUE(sim::interact::cursorMove(at(20, 20), 1));   /* locating: no dynamics */
    EXPECT_EQ(dynamicsModes.size(), 2u);

    /* The default command ends it: events then reach nobody. */
    mdlState_startDefaultCommand();
    EXPECT_FALSE(sim::interact::commandRunning());
    EXPECT_FALSE(sim::interact::dataPoint(at(30, 10), 1));
    EXPECT_FALSE(sim::interact::reset());
    EXPECT_TRUE(calls.empty());
}

TEST_F(State, ShownElementIsAcceptedByTheNextPointOrPassedOverByReset) {
    UInt32 a = line(0, 10, 40, 10);
    UInt32 b = line(0, 10.2, 40, 10.2);   /* both near the point below */
    startModify(3);
    EXPECT_TRUE(sim::interact::dataPoint(at(20, 10.15), 1));
    /* The nearer line comes first and is shown, not yet accepted. */
    EXPECT_EQ(calls, (std::vector<std::string>{"show " + std::to_string(b)}));
    EXPECT_EQ(sim::interact::modifyPhase(), 1);
    /* Reset: clean, then the other candidate at the same place. */
    EXPECT_TRUE(sim::interact::reset());
    EXPECT_EQ(calls, (std::vector<std::string>{"show " + std::to_string(b), "clean", "show " + std::to_string(a)}));
    EXPECT_EQ(sim::interact::modifyPhase(), 1);
    /* No third candidate: back to locating, the command's reset not called. */
    EXPECT_TRUE(sim::interact::reset());
    EXPECT_EQ(calls.back(), "clean");
    EXPECT_EQ(sim::interact::modifyPhase(), 0);
    /* Locate again and accept with a second point. */
    calls.clear();
    EXPECT_TRUE(sim::interact::dataPoint(at(20, 10.15), 1));
    EXPECT_TRUE(sim::interact::dataPoint(at(5, 5), 1));
    EXPECT_EQ(calls, (std::vector<std::string>{"show " + std::to_string(b), "first 5000 view 1"}));
    /* Starting another command cleans up an element left on show. */
    calls.clear();
    startModify(3);
    EXPECT_TRUE(sim::interact::dataPoint(at(20, 10.15), 1));
    startModify(3);
    EXPECT_EQ(calls.back(), "clean");
}

TEST_F(State, FilterRefusalsAndNextCandidatesAtOnePlace) {
    UInt32 a = line(0, 0, 40, 0);
    UInt32 b = line(20, -10, 20, 10);     /* crosses a at (20, 0) */
    UInt32 c = line(0, 0.1, 40, 0.1);
    sim::CurrentApplicationScope scope(probe);
    mdlState_startPrimitive(firstPoint, restart, 0, 0);
    mdlLocate_setFunction(LOCATE_POSTLOCATE, filter);
    mdlLocate_normal();
    refuse = {c};
    Dpoint3d p = at(20, 0);
    /* All three are within reach; c is refused and the next is offered. */
    UInt32 first = mdlLocate_findElement(&p, 1, 0, 0, 1);
    EXPECT_TRUE(first == a || first == b);
    UInt32 second = mdlLocate_findElement(nullptr, 0, 1, 0, 1);
    EXPECT_TRUE((second == a || second == b) && second != first);
    EXPECT_EQ(mdlLocate_findElement(nullptr, 0, 1, 0, 1), 0u);
    EXPECT_EQ(mdlElement_getFilePos(FILEPOS_LOCATED_ELEMENT, nullptr), 0u);
    EXPECT_EQ(filtered.size(), 3u);
    /* The last highlight is gone once nothing is located. */
    for (const sim::view::Shown* s : sim::view::persistent()) EXPECT_FALSE(s->highlighted);
    /* A filter that refuses everything finds nothing. */
    refuse = {a, b, c};
    EXPECT_EQ(mdlLocate_findElement(&p, 1, 0, 0, 0), 0u);
    /* A bad view finds nothing. */
    refuse.clear();
    EXPECT_EQ(mdlLocate_findElement(&p, 9, 0, 0, 0), 0u);
}

TEST_F(State, SearchMaskLockedElementsComponentsAndHitSegment) {
    UInt32 a = line(0, 0, 40, 0);
    /* A locked line at the same place. */
    Dpoint3d lp[2] = {at(0, 0.1), at(40, 0.1)};
    MSElement el;
    ASSERT_EQ(mdlLine_create(&el, nullptr, lp), HOST_SUCCESS);
    BoolInt yes = 1;
    mdlElement_setProperties(&el, nullptr, nullptr, nullptr, &yes, nullptr, nullptr, nullptr, nullptr);
    UInt32 lockedPos = mdlElement_add(&el);
    /* A cell with a line string whose second segment runs through (60, 5). */
    MSElement hdr;
    MSWChar name[] = u"C";
    Dpoint3d origin = at(50, 0);
    ASSERT_EQ(mdlCell_create(&hdr, name, &origin, 0), HOST_SUCCESS);
    MSElementDescr* cell = nullptr;
    ASSERT_EQ(mdlElmdscr_new(&cell, nullptr, &hdr), HOST_SUCCESS);
    Dpoint3d ls[3] = {at(50, 0), at(60, 0), at(60, 10)};
    ASSERT_EQ(mdlLineString_create(&el, nullptr, ls, 3), HOST_SUCCESS);
    ASSERT_EQ(mdlElmdscr_appendElement(cell, &el), HOST_SUCCESS);
    UInt32 cellPos = mdlElmdscr_add(cell);
    mdlElmdscr_freeAll(&cell);
    ASSERT_NE(cellPos, 0u);

    sim::CurrentApplicationScope scope(probe);
    mdlState_startPrimitive(firstPoint, restart, 0, 0);
    mdlLocate_noElemNoLocked();
    int lines[] = {LINE_ELM};
    mdlLocate_setElemSearchMask(1, lines);
    Dpoint3d p = at(20, 0.05);
    EXPECT_EQ(mdlLocate_findElement(&p, 1, 0, 0, 0), a);
    EXPECT_EQ(mdlLocate_findElement(nullptr, 0, 1, 0, 0), 0u);   /* the locked one is never offered */
    /* Line strings of cells need both types in the mask. */
    Dpoint3d q = at(60.2, 5);
    EXPECT_EQ(mdlLocate_findElement(&q, 1, 0, 0, 0), 0u);
    int more[] = {CELL_HEADER_ELM, LINE_STRING_ELM};
    mdlLocate_setElemSearchMask(2, more);
    EXPECT_EQ(mdlLocate_findElement(&q, 1, 0, 0, 0), cellPos);
    DgnModelRefP model = nullptr;
    EXPECT_EQ(mdlElement_getFilePos(FILEPOS_LOCATED_ELEMENT, &model), cellPos);
    EXPECT_EQ(model, mdlModelRef_getActive());
    EXPECT_EQ(mdlElement_getFilePos(FILEPOS_LOCATED_COMPONENT, nullptr), cellPos + 1);
    EXPECT_EQ(mdlElement_getFilePos(2, nullptr), 0u);
    Dpoint3d projected;
    int segment = -7;
    ASSERT_EQ(mdlLocate_getProjectedPoint(&projected, &segment), HOST_SUCCESS);
    EXPECT_EQ(segment, 1);
    EXPECT_POINT(projected, 60000, 5000);
    /* The next candidate is the same component by itself. */
    EXPECT_EQ(mdlLocate_findElement(nullptr, 0, 1, 0, 0), cellPos + 1);
    EXPECT_EQ(mdlElement_getFilePos(FILEPOS_LOCATED_ELEMENT, nullptr), cellPos + 1);
    EXPECT_EQ(mdlElement_getFilePos(FILEPOS_LOCATED_COMPONENT, nullptr), cellPos + 1);
    EXPECT_EQ(mdlLocate_findElement(nullptr, 0, 1, 0, 0), 0u);
    /* After normal, the locked line is found too. */
    mdlLocate_normal();
    EXPECT_EQ(mdlLocate_findElement(&p, 1, 0, 0, 0), lockedPos);
    mdlLocate_init();
    EXPECT_EQ(mdlLocate_getProjectedPoint(&projected, &segment), HOST_ERROR);
}

/* Locate answers from the model as it is now: after a move, a delete, their
** undo and redo, and a batch of adds large enough to rebuild its index. */
TEST_F(State, LocateFollowsEveryChangeOfTheModel) {
    UInt32 a = line(0, 0, 40, 0);
    Dpoint3d here = at(20, 0), there = at(20, 100);
    auto find = [](Dpoint3d p) { return mdlLocate_findElement(&p, 1, 0, 0, 0); };
    EXPECT_EQ(find(here), a);
    MSElement old, moved;
    ASSERT_EQ(mdlElement_read(&old, mdlModelRef_getActive(), a), 0);
    Dpoint3d up[2] = {at(0, 100), at(40, 100)};
    ASSERT_EQ(mdlLine_create(&moved, &old, up), HOST_SUCCESS);
    ASSERT_EQ(mdlElement_rewrite(&moved, &old, a), a);
    EXPECT_EQ(find(here), 0u);
    EXPECT_EQ(find(there), a);
    ASSERT_EQ(mdlElement_undoableDelete(&moved, a, 0), HOST_SUCCESS);
    EXPECT_EQ(find(there), 0u);
    ASSERT_TRUE(sim::design::undo());
    EXPECT_EQ(find(there), a);
    ASSERT_TRUE(sim::design::undo());
    EXPECT_EQ(find(here), a);
    EXPECT_EQ(find(there), 0u);
    ASSERT_TRUE(sim::design::redo());
    EXPECT_EQ(find(there), a);
    UInt32 b = 0;
    sim::runEvent([&] {
        for (int i = 0; i < 2000; ++i) b = line(1000 + i, 0, 1000 + i, 5);
        return true;
    });
    EXPECT_EQ(find(at(2999, 2.5)), b);
    EXPECT_EQ(find(there), a);
    EXPECT_EQ(find(here), 0u);

    /* In an isometric view a point anywhere along the line of sight picks,
    ** one off to the side does not. */
    RotMatrix iso;
    ASSERT_EQ(mdlView_getStandard(&iso, STDVIEW_ISO), HOST_SUCCESS);
    std::vector<uint32_t> near;
    auto offset = [&](int row, double by) {
        const double* d = iso.form3d[row];
        return Dpoint3d{there.x + by * d[0], there.y + by * d[1], there.z + by * d[2]};
    };
    sim::design::locateCandidates(sim::design::activeModel(), offset(2, 5e6), iso, 100, near);
    EXPECT_EQ(near, std::vector<uint32_t>{a});
    sim::design::locateCandidates(sim::design::activeModel(), offset(1, 1e6), iso, 100, near);
    EXPECT_TRUE(near.empty());
}

TEST_F(State, SetFunctionNeedsACommandAndAKnownType) {
    EXPECT_EQ(mdlState_setFunction(STATEFUNC_DATAPOINT, nullptr), HOST_ERROR);
    sim::CurrentApplicationScope scope(probe);
    mdlState_startPrimitive(firstPoint, restart, 0, 0);
    EXPECT_EQ(mdlState_setFunction(3, nullptr), HOST_ERROR);
    EXPECT_EQ(mdlLocate_setFunction(1, filter), HOST_ERROR);
    EXPECT_FALSE(sim::interact::dataPoint(at(0, 0), 0));
    mdlAccuSnap_enableLocate(1);
    mdlAccuSnap_enableSnap(0);
    EXPECT_TRUE(mdlAccuSnap_isLocateEnabled());
    EXPECT_FALSE(mdlAccuSnap_isSnapEnabled());
    mdlLocate_setCursor();
    EXPECT_TRUE(sim::interact::locateCursorShown());
}

TEST_F(State, UnloadedApplicationTakesItsCommandAlong) {
    {
        sim::CurrentApplicationScope scope(probe);
        mdlState_startPrimitive(firstPoint, restart, 0, 0);
        mdlLocate_setFunction(LOCATE_POSTLOCATE, filter);
    }
    ASSERT_TRUE(sim::interact::commandRunning());
    sim::unloadAllApplications();
    probe = nullptr;
    EXPECT_FALSE(sim::interact::commandRunning());
    line(0, 0, 10, 0);
    Dpoint3d p = at(5, 0);
    EXPECT_NE(mdlLocate_findElement(&p, 1, 0, 0, 0), 0u);   /* no stale filter is called */
    EXPECT_TRUE(filtered.empty());
}

TEST_F(State, PlaceLineAndLineStringStoreWhatTheyShow) {
    std::string error;
    int32_t colour = 3, style = 2;
    ASSERT_EQ(mdlParams_setActive(&colour, ACTIVEPARAM_COLOR), HOST_SUCCESS);
    ASSERT_EQ(mdlParams_setActive(&style, ACTIVEPARAM_LINESTYLE), HOST_SUCCESS);
    ASSERT_TRUE(sim::dispatchKeyin("place line", error)) << error;
    DgnModelRefP m = mdlModelRef_getActive();
    UInt32 eof = mdlModelRef_getEof(m);
    EXPECT_TRUE(sim::interact::dataPoint(at(1, 1), 1));
    EXPECT_TRUE(sim::interact::cursorMove(at(5, 5), 1));
    EXPECT_EQ(sim::view::transient().size(), 1u);
    EXPECT_EQ(mdlModelRef_getEof(m), eof);   /* the rubber band is not stored */
    ASSERT_TRUE(sim::dispatchKeyin("xy=9,1", error)) << error;
    ASSERT_EQ(mdlModelRef_getEof(m), eof + 1);
    MSElement el;
    ASSERT_EQ(mdlElement_read(&el, m, eof + 1), HOST_SUCCESS);
    Dpoint3d pts[2];
    int n = 0;
    ASSERT_EQ(mdlLinear_extract(pts, &n, &el, m), HOST_SUCCESS);
    ASSERT_EQ(n, 2);
    EXPECT_POINT(pts[0], 1000, 1000);
    EXPECT_POINT(pts[1], 9000, 1000);
    UInt32 c = 0;
    Int32 st = 0;
    ASSERT_EQ(mdlElement_getSymbology(&c, nullptr, &st, &el), HOST_SUCCESS);
    EXPECT_EQ(c, 3u);   /* the active symbology */
    EXPECT_EQ(st, 2);
    EXPECT_FALSE(sim::dispatchKeyin("xy=9", error));   /* one number is not a point */

    /* A line string: one point and a reset store nothing; three points store one element. */
    ASSERT_TRUE(sim::dispatchKeyin("place linestring", error)) << error;
    EXPECT_TRUE(sim::interact::dataPoint(at(0, 0), 1));
    EXPECT_TRUE(sim::interact::reset());
    EXPECT_EQ(mdlModelRef_getEof(m), eof + 1);
    for (auto [x, y] : {std::pair{0.0, 0.0}, {10.0, 0.0}, {10.0, 10.0}}) EXPECT_TRUE(sim::interact::dataPoint(at(x, y), 1));
    EXPECT_TRUE(sim::interact::cursorMove(at(20, 20), 1));
    EXPECT_EQ(mdlModelRef_getEof(m), eof + 1);
    EXPECT_TRUE(sim::interact::reset());
    ASSERT_EQ(mdlModelRef_getEof(m), eof + 2);
    ASSERT_EQ(mdlElement_read(&el, m, eof + 2), HOST_SUCCESS);
    EXPECT_EQ(mdlElement_getType(&el), LINE_STRING_ELM);
    EXPECT_TRUE(sim::interact::commandRunning());   /* ready for the next one */
}

TEST(StatePoints, MasterPointsParseOrFailClearly) {
    Dpoint3d p;
    std::string error;
    EXPECT_TRUE(sim::interact::parseMasterPoint("1.5,-2", p, error));
    EXPECT_TRUE(sim::interact::parseMasterPoint(" 3  4 ", p, error));
    for (const char* bad : {"", "1", "1,2,3", "x,1", "nan,1", "1e999,0"}) {
        error.clear();
        EXPECT_FALSE(sim::interact::parseMasterPoint(bad, p, error)) << bad;
        EXPECT_FALSE(error.empty());
    }
}
