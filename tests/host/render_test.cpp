#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

#include "host/mdlelement.h"
#include "host/mdlgeom.h"
#include "host/mdlview.h"
#include "host/sim/base/base.h"
#include "view_fixture.h"

namespace {

class RenderTest : public ViewTest {
protected:
    static constexpr double U = 1000.0;   /* UORs per master unit of a new file */

    void symbology(MSElement& el, UInt32 colour, UInt32 weight, Int32 style) {
        ASSERT_EQ(mdlElement_setSymbology(&el, &colour, &weight, &style), 0);
    }
    MSElement text(const char* s, double x, double y, double degrees, double slantDegrees, int just) {
        MSElement el;
        RotMatrix r;
        mdlRMatrix_fromAngle(&r, degrees * M_PI / 180);
        TextSizeParam size{1, {2 * U, 3 * U}, 1.5};
        TextParamWide params{};
        params.font = 1;
        params.just = just;
        params.flags = TXTPARAM_SLANT;
        params.slant = slantDegrees * M_PI / 180;
        Dpoint3d origin{x * U, y * U, 0};
        EXPECT_EQ(mdlText_create(&el, nullptr, s, &origin, &r, &size, &params, nullptr), 0);
        return el;
    }
    /* Lines, a filled shape, two slanted texts, a cell, a hatched triangle,
    ** a highlighted line and a line in dynamics, in master units 0..100. */
    void drawKnownDrawing() {
        MSElement el;
        Dpoint3d l[2] = {{10 * U, 10 * U, 0}, {60 * U, 10 * U, 0}};
        ASSERT_EQ(mdlLine_create(&el, nullptr, l), 0);
        symbology(el, 3, 2, 2);
        mdlElement_display(&el, DRAW_MODE_NORMAL);

        Dpoint3d sq[4] = {{10 * U, 20 * U, 0}, {30 * U, 20 * U, 0}, {30 * U, 40 * U, 0}, {10 * U, 40 * U, 0}};
        ASSERT_EQ(mdlShape_create(&el, nullptr, sq, 4, 0), 0);
        symbology(el, 1, 0, 0);
        ASSERT_EQ(mdlShape_create(&el, &el, sq, 4, 1), 0);
        mdlElement_display(&el, DRAW_MODE_NORMAL);

        el = text("100.0", 45, 30, 30, -30, 8);
        symbology(el, 4, 0, 0);
        mdlElement_display(&el, DRAW_MODE_NORMAL);
        el = text("20", 45, 50, -30, 30, 8);
        symbology(el, 7, 0, 0);
        mdlElement_display(&el, DRAW_MODE_NORMAL);

        MSElement cell;
        ASSERT_EQ(mdlCell_create(&cell, u"BOX", nullptr, 0), 0);
        MSElementDescr* d = nullptr;
        ASSERT_EQ(mdlElmdscr_new(&d, nullptr, &cell), 0);
        Dpoint3d c1[2] = {{10 * U, 55 * U, 0}, {30 * U, 55 * U, 0}}, c2[2] = {{30 * U, 55 * U, 0}, {30 * U, 70 * U, 0}};
        ASSERT_EQ(mdlLine_create(&el, nullptr, c1), 0);
        symbology(el, 2, 1, 0);
        ASSERT_EQ(mdlElmdscr_appendElement(d, &el), 0);
        ASSERT_EQ(mdlLine_create(&el, nullptr, c2), 0);
        symbology(el, 2, 1, 5);
        ASSERT_EQ(mdlElmdscr_appendElement(d, &el), 0);
        el = text("CELL", 12, 60, 0, 0, 2);
        ASSERT_EQ(mdlElmdscr_appendElement(d, &el), 0);
        ASSERT_EQ(mdlElmdscr_validate(d, nullptr), 0);
        mdlElmdscr_display(d, nullptr, DRAW_MODE_NORMAL);
        mdlElmdscr_freeAll(&d);

        Dpoint3d tri[3] = {{60 * U, 20 * U, 0}, {90 * U, 20 * U, 0}, {75 * U, 45 * U, 0}};
        ASSERT_EQ(mdlShape_create(&el, nullptr, tri, 3, 0), 0);
        symbology(el, 6, 1, 0);
        MSElementDescr* outline = nullptr;
        ASSERT_EQ(mdlElmdscr_new(&outline, nullptr, &el), 0);
        symbology(el, 2, 0, 0);
        MSElementDescr* hatch = nullptr;
        ASSERT_EQ(mdlPattern_hatch(&hatch, outline, &el, M_PI / 4, 3 * U, nullptr), 0);
        mdlElmdscr_display(outline, nullptr, DRAW_MODE_NORMAL);
        mdlElmdscr_display(hatch, nullptr, DRAW_MODE_NORMAL);
        hatchLines_ = mdlElmdscr_count(hatch);
        mdlElmdscr_freeAll(&outline);
        mdlElmdscr_freeAll(&hatch);

        Dpoint3d h[2] = {{50 * U, 65 * U, 0}, {90 * U, 65 * U, 0}};
        ASSERT_EQ(mdlLine_create(&el, nullptr, h), 0);
        mdlElement_display(&el, DRAW_MODE_NORMAL);
        mdlElement_display(&el, DRAW_MODE_HILITE);
        Dpoint3d dyn[2] = {{50 * U, 5 * U, 0}, {95 * U, 70 * U, 0}};
        ASSERT_EQ(mdlLine_create(&el, nullptr, dyn), 0);
        symbology(el, 5, 3, 0);
        mdlElement_display(&el, DRAW_MODE_TEMP_DRAW);
    }
    static int count(const std::string& svg, const std::string& what) {
        int n = 0;
        for (size_t p = svg.find(what); p != std::string::npos; p = svg.find(what, p + 1)) ++n;
        return n;
    }
    int hatchLines_ = 0;
};

}  // namespace

TEST_F(RenderTest, AKnownDrawingShowsEveryElementWithItsSymbology) {
    openFile("render.dgn");
    std::string error;
    ASSERT_TRUE(sim::view::setWindowMaster(1, 0, 0, 100, 75, error)) << error;
    drawKnownDrawing();
    std::string svg = sim::view::svgOf(1);
    if (const char* keep = std::getenv("ZM_KEEP_RENDER")) std::ofstream(keep) << svg;

    EXPECT_EQ(svg.rfind("<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"1000\" height=\"750\"", 0), 0u);
    /* The red, weight-2 line with style 2 from (10,10) to (60,10): 10 pixels per master unit. */
    EXPECT_NE(svg.find("<polyline data-type=\"3\" points=\"100.00,650.00 600.00,650.00\" fill=\"none\" stroke=\"#FF0000\" "
                       "stroke-width=\"3.00\" stroke-dasharray=\"8,4\""),
              std::string::npos) << svg;
    /* The filled blue square. */
    EXPECT_NE(svg.find("<polygon data-type=\"6\" points=\"100.00,550.00 300.00,550.00 300.00,350.00 100.00,350.00 "
                       "100.00,550.00\" fill=\"#0000FF\""),
              std::string::npos);
    /* Texts: size, rotation (screen y runs down), slant, length of the metric model. */
    EXPECT_NE(svg.find("font-size=\"30.00\" textLength=\"100.00\""), std::string::npos);
    EXPECT_NE(svg.find("rotate(-30.00) skewX(30.00)\">100.0</text>"), std::string::npos);
    EXPECT_NE(svg.find("rotate(30.00) skewX(-30.00)\">20</text>"), std::string::npos);
    EXPECT_NE(svg.find(">CELL</text>"), std::string::npos);
    /* The cell's components, the second dashed by style 5. */
    EXPECT_NE(svg.find("points=\"300.00,200.00 300.00,50.00\" fill=\"none\" stroke=\"#00FF00\" stroke-width=\"2.00\" "
                       "stroke-dasharray=\"4,4\""),
              std::string::npos);
    /* The hatch: its lines plus the other lines of the picture. */
    ASSERT_GT(hatchLines_, 3);
    EXPECT_EQ(count(svg, "<polyline data-type=\"3\""), hatchLines_ + 4 + 1);
    EXPECT_EQ(count(svg, "<polygon data-type=\"6\""), 2);
    EXPECT_NE(svg.find("stroke=\"#FF40FF\""), std::string::npos);   /* the highlighted line */
    /* Dynamics on top, after the view's own elements. */
    size_t dynamics = svg.find("<g id=\"dynamics\">");
    ASSERT_NE(dynamics, std::string::npos);
    EXPECT_GT(dynamics, svg.find("</g>"));
    EXPECT_NE(svg.find("stroke=\"#FF00FF\" stroke-width=\"4.00\"", dynamics), std::string::npos);

    sim::view::clearTransient();
    EXPECT_EQ(sim::view::svgOf(1).find("<g id=\"dynamics\">"), std::string::npos);
    ASSERT_TRUE(sim::view::setWindowMaster(1, 200, 200, 300, 275, error));
    EXPECT_EQ(count(sim::view::svgOf(1), "data-type"), 0);   /* nothing in that window */
}

TEST_F(RenderTest, TheRenderVerbWritesTheFileAndRefusesBadArguments) {
    openFile("verb.dgn");
    drawKnownDrawing();
    const sim::SessionVerb* render = sim::findSessionVerb("render");
    ASSERT_NE(render, nullptr);
    std::string error, file = path("view1.svg");
    ASSERT_TRUE((*render)("1 " + file, error)) << error;
    EXPECT_EQ(readFile(file), sim::view::svgOf(1));
    EXPECT_FALSE((*render)("9 " + file, error));
    EXPECT_FALSE((*render)("1", error));
    EXPECT_FALSE((*render)("x " + file, error));
    EXPECT_FALSE((*render)("1 " + path("missing/dir/view.svg"), error));
    EXPECT_NE(error.find("cannot write"), std::string::npos);
}

/* The width and height in a PNG file's header, or 0 x 0 when it is no PNG. */
std::pair<uint32_t, uint32_t> pngSize(const std::string& bytes) {
    static const std::string signature = "\x89PNG\r\n\x1a\n";
    if (bytes.size() < 24 || bytes.compare(0, 8, signature) != 0 || bytes.compare(12, 4, "IHDR") != 0) return {0, 0};
    auto be = [&](size_t at) {
        uint32_t v = 0;
        for (size_t i = 0; i < 4; ++i) v = (v << 8) | static_cast<uint8_t>(bytes[at + i]);
        return v;
    };
    return {be(16), be(20)};
}

TEST_F(RenderTest, ThePngPictureHasTheViewsSizeAndOtherExtensionsAreRefused) {
    openFile("png.dgn");
    drawKnownDrawing();
    const sim::SessionVerb* render = sim::findSessionVerb("render");
    ASSERT_NE(render, nullptr);
    std::string error, file = path("view1.PNG");
    /* A text holding control characters (from a damaged file, say) still gives a picture. */
    MSElement odd = text("bell\x07 and\x01", 50, 50, 0, 0, 1);
    mdlElement_display(&odd, DRAW_MODE_NORMAL);
    ASSERT_TRUE((*render)("1 " + file, error)) << error;
    EXPECT_EQ(pngSize(readFile(file)), std::make_pair(1000u, 750u));
    EXPECT_FALSE((*render)("1 " + path("view1.jpg"), error));
    EXPECT_NE(error.find(".svg or .png"), std::string::npos) << error;
    EXPECT_FALSE(std::ifstream(path("view1.jpg")).good());
    EXPECT_FALSE((*render)("1 " + path("missing/dir/view.png"), error));
}
