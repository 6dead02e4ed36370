#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

#include "design_fixture.h"
#include "host/mdlelement.h"
#include "host/mdlgeom.h"
#include "host/sim/system/system.h"
#include "host/sim/base/base.h"

namespace {

int newFileCalls = 0;

void placerNewDesignFile(const char*, int state) {
    if (state == 1) ++newFileCalls;
}

/* What a test add-in does with one command: an element of every constructor,
** some in a local frame, a cell with user data, a complex chain. */
bool placeEverything() {
    MSElement* el = dgnBufP;
    const Dpoint3d pts[4] = {{0, 0, 0}, {1000, 0, 0}, {1000, 500, 0}, {0, 500, 0}};
    bool ok = true;
    auto add = [&](StatusInt built) { ok = ok && built == 0 && mdlElement_add(el) != 0; };
    add(mdlLine_create(el, nullptr, pts));
    add(mdlLineString_create(el, nullptr, pts, 4));
    add(mdlShape_create(el, nullptr, pts, 4, 1));
    add(mdlArc_create(el, nullptr, &pts[2], 250, 250, nullptr, 0, M_PI / 2));
    add(mdlArc_createByCenter(el, nullptr, &pts[1], &pts[0], &pts[3], 0));
    add(mdlEllipse_create(el, nullptr, &pts[0], 300, 150, nullptr, 0));
    mdlCurrTrans_begin();
    mdlCurrTrans_translateOrigin(&pts[2]);
    mdlCurrTrans_rotateByAngles(0, 0, M_PI / 6);
    TextParamWide params{};
    params.font = 3;
    params.just = 7;
    params.flags = TXTPARAM_SLANT;
    params.slant = M_PI / 6;
    TextSizeParam size{1, {100, 120}, 1};
    add(mdlText_create(el, nullptr, "12 500", &pts[0], nullptr, &size, &params, nullptr));
    add(mdlText_createWide(el, nullptr, u"H\u00f8yde", &pts[1], nullptr, nullptr, nullptr, nullptr));
    mdlCurrTrans_end();

    MSElement header;
    mdlCell_create(&header, u"TARVIK", &pts[3], 0);
    LinkageHeader h{LINKAGE_USER_FLAG, 0x4F33};
    mdlLinkage_setWords(&h, 8);
    const uint8_t user[12] = {13, 0, 3, 0, 'd', 'i', 'm'};
    mdlLinkage_appendToElement(&header, &h, user, nullptr, nullptr);
    MSElementDescr* cell = nullptr;
    ok = ok && mdlElmdscr_new(&cell, nullptr, &header) == 0;
    mdlLine_create(el, nullptr, pts);
    mdlElmdscr_appendElement(cell, el);
    mdlText_create(el, nullptr, "1000", &pts[1], nullptr, nullptr, nullptr, nullptr);
    mdlElmdscr_appendElement(cell, el);
    mdlCell_setRange(cell, mdlModelRef_getActive());
    mdlElmdscr_display(cell, mdlModelRef_getActive(), 0);
    ok = ok && mdlElmdscr_add(cell) != 0;
    mdlElmdscr_freeAll(&cell);

    MSElement chainHeader;
    mdlComplexChain_createHeader(&chainHeader, 0, 0);
    MSElementDescr* chain = nullptr;
    ok = ok && mdlElmdscr_new(&chain, nullptr, &chainHeader) == 0;
    mdlLine_create(el, nullptr, pts);
    mdlElmdscr_appendElement(chain, el);
    mdlArc_create(el, nullptr, &pts[1], 100, 100, nullptr, -M_PI / 2, M_PI);
    mdlElmdscr_appendElement(chain, el);
    ok = ok && mdlElmdscr_add(chain) != 0;
    mdlElmdscr_freeAll(&chain);
    return ok;
}

std::string runVerb(const std::string& verb, const std::string& args) {
    const sim::SessionVerb* fn = sim::findSessionVerb(verb);
    EXPECT_NE(fn, nullptr) << verb;
    std::string error;
    if (!fn) return "missing";
    sim::runEvent([&] { return (*fn)(args, error); });
    return error;
}

}  // namespace

TEST_F(DesignTest, SessionPlacesEveryConstructorSavesReopensAndDumpsIdentically) {
    MdlDesc* placer = sim::registerApplication("placer");
    placer->newDesignFileFunction = reinterpret_cast<void*>(&placerNewDesignFile);
    newFileCalls = 0;
    ASSERT_EQ(runVerb("open", path("session.design")), "");
    EXPECT_EQ(newFileCalls, 1);
    {
        sim::CurrentApplicationScope scope(placer);
        ASSERT_TRUE(sim::runEvent(placeEverything));
    }
    ASSERT_EQ(runVerb("save", ""), "");
    sim::clearOutputLog();
    ASSERT_EQ(runVerb("dump", ""), "");
    std::string first = sim::consoleText();
    ASSERT_EQ(runVerb("open", path("other.design")), "");
    ASSERT_EQ(runVerb("open", path("session.design")), "");
    EXPECT_EQ(newFileCalls, 3);
    sim::clearOutputLog();
    ASSERT_EQ(runVerb("dump", ""), "");
    EXPECT_EQ(sim::consoleText(), first);

    /* Every kind is there, components after their headers. */
    int lines = 0;
    for (char c : first) lines += c == '\n';
    EXPECT_EQ(lines, 8 + 3 + 3);
    for (const char* kind : {" line ", " linestring ", " shape ", " arc ", " ellipse ", " text ", " cell ", " chain "})
        EXPECT_NE(first.find(kind), std::string::npos) << kind;
    EXPECT_NE(first.find("9 cell type=2"), std::string::npos) << first;
    EXPECT_NE(first.find("10 line type=3 level=1 component"), std::string::npos) << first;
    EXPECT_NE(first.find("\"TARVIK\""), std::string::npos);
    EXPECT_NE(first.find("linkage 0x4f33 0810334f0d00030064696d00"), std::string::npos) << first;
    EXPECT_NE(first.find("\"H\xc3\xb8yde\""), std::string::npos);
    EXPECT_NE(first.find("angle 30 size 100x120 font 3 just 7 slant 30 \"12 500\""), std::string::npos) << first;
    EXPECT_EQ(runVerb("undo", ""), "nothing to undo");   /* the journal ends with the file it belongs to */
}

TEST_F(DesignTest, DisplayIsRecordedByDrawModeAndNothingIsStoredOutsideModeZero) {
    openFile("display.design");
    sim::design::clearShownLog();
    const Dpoint3d pts[2] = {{0, 0, 0}, {1, 1, 0}};
    mdlLine_create(dgnBufP, nullptr, pts);
    MSElementDescr* d = nullptr;
    mdlElmdscr_new(&d, nullptr, dgnBufP);
    mdlElmdscr_display(d, nullptr, 3);
    mdlElmdscr_display(d, nullptr, 2);
    ASSERT_EQ(sim::design::shownLog().size(), 2u);
    EXPECT_EQ(sim::design::shownLog()[0].drawMode, 3);
    EXPECT_EQ(sim::design::shownLog()[1].drawMode, 2);
    EXPECT_EQ(mdlModelRef_getEof(nullptr), 0u);
    int hooked = 0;
    sim::design::setDisplayHook([&](const MSElement*, DgnModelRefP, int mode) { hooked += mode == 1; });
    UInt32 pos = mdlElmdscr_add(d);
    ASSERT_NE(pos, 0u);
    EXPECT_EQ(mdlElmdscr_undoableDelete(d, pos, 1), 0);
    EXPECT_EQ(hooked, 1);
    mdlElmdscr_freeAll(&d);
}

/* The log keeps the latest entries when it trims its older half, and entries
** written into reused buffers hold exactly the element shown (no bytes of a
** longer element shown before). */
TEST_F(DesignTest, ShownLogTrimsItsOlderHalfAndKeepsTheLatestElementsExactly) {
    openFile("shownlog.design");
    sim::design::clearShownLog();
    MSElement shortLine, longString;
    const Dpoint3d pts[4] = {{0, 0, 0}, {1, 1, 0}, {2, 0, 0}, {3, 1, 0}};
    ASSERT_EQ(mdlLine_create(&shortLine, nullptr, pts), 0);
    ASSERT_EQ(mdlLineString_create(&longString, nullptr, pts, 4), 0);
    const size_t shown = 100000 + 30001;   /* past one trim of the older half */
    for (size_t i = 0; i < shown; ++i) mdlElement_display(i % 3 ? &shortLine : &longString, i % 2 ? 2 : 3);
    const auto& log = sim::design::shownLog();
    ASSERT_EQ(log.size(), shown - 50000);
    for (size_t k = 0; k < log.size(); k += 997) {
        size_t i = k + 50000;
        const MSElement& expected = i % 3 ? shortLine : longString;
        ASSERT_EQ(log[k].drawMode, i % 2 ? 2 : 3) << i;
        if (i % 2 == 0) {   /* dynamics are logged without their element */
            ASSERT_TRUE(log[k].element.empty()) << i;
            continue;
        }
        ASSERT_EQ(log[k].element.size(), static_cast<size_t>(mdlElement_size(&expected))) << i;
        ASSERT_EQ(0, std::memcmp(log[k].element.data(), expected.bytes, log[k].element.size())) << i;
    }
}
