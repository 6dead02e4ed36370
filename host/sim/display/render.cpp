/* Pictures of views as SVG: colours from the design file's colour table on a
** black ground, weights as stroke widths, line styles as dash patterns,
** fills, texts by the host's metric model, cells by their components,
** highlighted elements over a halo of the highlight colour and the dynamics layer on
** top. Also the session verb "render VIEW FILE.svg". No state. */
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "host/mdlelement.h"
#include "host/mdlgeom.h"
#include "host/mdltext.h"
#include "host/mdlview.h"
#include "host/sim/design/design.h"
#include "host/sim/system/system.h"
#include "host/sim/base/base.h"
#include "host/sim/display/display.h"
#include "host/sim/resources/resources.h"

using namespace sim::elem;

namespace {

constexpr double PIXEL_W = VIEW_PIXEL_WIDTH, PIXEL_H = VIEW_PIXEL_HEIGHT;
constexpr const char* BACKGROUND = "#000000";
constexpr const char* HIGHLIGHT = "#FF40FF";

/* Dash patterns of the standard styles 1 to 7, in pixels (screen styles). */
const char* const STANDARD_DASHES[8] = {"",        "2,4",          "8,4",        "16,6",
                                        "12,4,2,4", "4,4", "16,4,2,4,2,4", "16,4,4,4"};

struct Mapping {
    RotMatrix rotation;
    Dpoint3d origin;      /* window origin in view coordinates */
    double scale;         /* pixels (on paper: points) per UOR */
    double left = 0;      /* the pixel of the origin */
    double bottom = PIXEL_H;
    bool paper = false;   /* white ground: light colours print black, weights in points */
};

Mapping mappingOf(int view) {
    const sim::view::Window& w = sim::view::window(view);
    Mapping m{w.rotation, w.origin, PIXEL_W / w.delta.x};
    mdlRMatrix_rotatePoint(&m.origin, &m.rotation);
    return m;
}

void pixel(const Mapping& m, Dpoint3d p, double& x, double& y) {
    mdlRMatrix_rotatePoint(&p, &m.rotation);
    x = m.left + (p.x - m.origin.x) * m.scale;
    y = m.bottom - (p.y - m.origin.y) * m.scale;
}

std::string num(double v) {
    char b[32];
    std::snprintf(b, sizeof b, "%.2f", std::fabs(v) < 0.005 ? 0.0 : v);
    return b;
}

std::string colourOf(uint32_t index, bool paper = false) {
    const sim::design::DesignFile* f = sim::design::activeFile();
    uint32_t rgb = f && index < 256 ? f->colours[index] : 0xFFFFFF;
    /* What is bright on the screen's black ground is ink on white paper. */
    if (paper && ((rgb >> 16 & 0xFF) + (rgb >> 8 & 0xFF) + (rgb & 0xFF)) > 3 * 0xE0) rgb = 0;
    char b[8];
    std::snprintf(b, sizeof b, "#%06X", rgb & 0xFFFFFF);
    return b;
}

/* The dash array of STYLE for the element, in pixels ("" solid). */
std::string dashes(int32_t style, const uint8_t* e, double scale) {
    if (style >= 1 && style <= 7) return STANDARD_DASHES[style];
    if (style >= 0) return "";
    const sim::design::DesignFile* f = sim::design::activeFile();
    if (!f) return "";
    for (const auto& ls : f->lineStyles) {
        if (ls.number != style || ls.dashes.empty()) continue;
        /* Custom styles are in master units, times the element's style scale. */
        LineStyleParams params{};
        double k = f->units.uorPerMaster * scale;
        MSElement* el = const_cast<MSElement*>(reinterpret_cast<const MSElement*>(e));
        if (mdlElement_getLineStyleParams(&params, el) == HOST_SUCCESS && (params.modifiers & STYLEMOD_SCALE) &&
            params.scale > 0)
            k *= params.scale;
        std::string out;
        std::stringstream in(ls.dashes);
        std::string part;
        while (std::getline(in, part, ',')) {
            if (!out.empty()) out += ',';
            out += num(std::max(0.5, std::atof(part.c_str()) * k));
        }
        return out;
    }
    return "";
}

struct Look {
    std::string stroke;
    double width;
    std::string dash;
};

constexpr double PAPER_POINTS_PER_WEIGHT = 0.5;

Look lookOf(const uint8_t* e, const Mapping& m) {
    UInt32 colour = 0, weight = 0;
    Int32 style = 0;
    mdlElement_getEffectiveSymbology(&colour, &weight, &style, reinterpret_cast<const MSElement*>(e), nullptr);
    double width = 1.0 + std::min<UInt32>(weight, 31);
    if (m.paper) width *= PAPER_POINTS_PER_WEIGHT;
    return {colourOf(colour, m.paper), width, dashes(style, e, m.scale)};
}

void strokeAttributes(std::ostream& out, const Look& look) {
    out << " stroke=\"" << look.stroke << "\" stroke-width=\"" << num(look.width) << "\"";
    if (!look.dash.empty()) out << " stroke-dasharray=\"" << look.dash << "\"";
}

void points(std::ostream& out, const Mapping& m, const std::vector<Dpoint3d>& pts) {
    out << " points=\"";
    for (size_t i = 0; i < pts.size(); ++i) {
        double x, y;
        pixel(m, pts[i], x, y);
        out << (i ? " " : "") << num(x) << ',' << num(y);
    }
    out << "\"";
}

void drawText(std::ostream& out, const Mapping& m, const uint8_t* e, const Look& look) {
    Dpoint3d shape[5];
    sim::text::outline(e, shape);
    double x0, y0, x1, y1, x3, y3;
    pixel(m, shape[0], x0, y0);
    pixel(m, shape[1], x1, y1);
    pixel(m, shape[3], x3, y3);
    double length = std::hypot(x1 - x0, y1 - y0);
    double height = getD(e + T_HEIGHT) * m.scale;
    if (length <= 0 || height <= 0) return;
    double angle = std::atan2(y1 - y0, x1 - x0) * 180.0 / M_PI;   /* screen y runs down */
    /* Slant: the top edge's shift along the base, seen on screen. */
    double ux = (x1 - x0) / length, uy = (y1 - y0) / length;
    double shift = (x3 - x0) * ux + (y3 - y0) * uy;
    double slant = std::atan2(shift, height) * 180.0 / M_PI;
    out << "<text data-type=\"17\" x=\"0\" y=\"0\" font-family=\"monospace\" font-size=\"" << num(height)
        << "\" textLength=\"" << num(length) << "\" lengthAdjust=\"spacingAndGlyphs\" fill=\"" << look.stroke
        << "\" transform=\"translate(" << num(x0) << ' ' << num(y0) << ") rotate(" << num(angle) << ") skewX("
        << num(-slant) << ")\">" << sim::view::xmlText(sim::text::string(e)) << "</text>\n";
}

void drawElement(std::ostream& out, const Mapping& m, const uint8_t* e, bool highlighted) {
    int t = type(e);
    if (t == CELL_HEADER_ELM || t == CMPLX_STRING_ELM || t == TEXT_NODE_ELM || t == DATA_ELM) return;   /* components draw */
    Look look = lookOf(e, m);
    if (t == TEXT_ELM) {
        if (highlighted) look.stroke = HIGHLIGHT;
        drawText(out, m, e, look);
        return;
    }
    std::vector<Dpoint3d> pts;
    if (t == CMPLX_SHAPE_ELM) return;   /* drawn by its components; a filled one is filled below */
    if (!sim::stroke::element(e, 0.25 / m.scale, pts) || pts.size() < 2) return;
    bool closed = t == SHAPE_ELM || t == ELLIPSE_ELM;
    UInt32 fill = 0;
    bool filled = closed && mdlElement_isFilled(reinterpret_cast<const MSElement*>(e), &fill);
    if (highlighted) {
        /* A halo under the element, so that a highlight reads whatever its colour. */
        out << "<" << (closed ? "polygon" : "polyline") << " class=\"highlight\"";
        points(out, m, pts);
        out << " fill=\"none\" stroke=\"" << HIGHLIGHT << "\" stroke-opacity=\"0.5\" stroke-width=\""
            << num(look.width + 6) << "\" stroke-linecap=\"round\" stroke-linejoin=\"round\"/>\n";
    }
    out << "<" << (closed ? "polygon" : "polyline") << " data-type=\"" << t << "\"";
    points(out, m, pts);
    out << " fill=\"" << (filled ? colourOf(fill, m.paper) : "none") << "\"";
    strokeAttributes(out, look);
    out << " stroke-linecap=\"round\" stroke-linejoin=\"round\"/>\n";
}

/* A filled complex shape: its components' strokes joined into one polygon. */
void fillComplexShapes(std::ostream& out, const Mapping& m, const std::vector<const sim::view::Shown*>& shown) {
    for (size_t i = 0; i < shown.size(); ++i) {
        const uint8_t* e = shown[i]->record;
        UInt32 fill = 0;
        if (type(e) != CMPLX_SHAPE_ELM || !mdlElement_isFilled(reinterpret_cast<const MSElement*>(e), &fill)) continue;
        uint32_t n = get4(e + X_COUNT);
        std::vector<Dpoint3d> pts;
        for (size_t j = i + 1; j < shown.size() && j <= i + n; ++j) sim::stroke::element(shown[j]->record, 0.25 / m.scale, pts);
        if (pts.size() < 3) continue;
        out << "<polygon data-type=\"14\"";
        points(out, m, pts);
        out << " fill=\"" << colourOf(fill, m.paper) << "\" stroke=\"none\"/>\n";
    }
}

bool renderVerb(const std::string& args, std::string& error) {
    std::istringstream in(args);
    std::string number, file, extra;
    in >> number >> file >> extra;
    char* end = nullptr;
    long view = std::strtol(number.c_str(), &end, 10);
    if (number.empty() || *end || view < 1 || view > MAX_VIEWS || file.empty() || !extra.empty()) {
        error = "usage: render VIEW FILE.svg|FILE.png (VIEW 1 to 8)";
        return false;
    }
    return sim::view::renderPicture(static_cast<int>(view), file, error);
}

sim::Registration registerRender([] { sim::registerSessionVerb("render", renderVerb); });

}  // namespace

namespace sim::view {

/* The SVG picture of VIEW into OUT, element by element. */
static void writeSvg(std::ostream& out, int view) {
    out << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" << VIEW_PIXEL_WIDTH << "\" height=\""
        << VIEW_PIXEL_HEIGHT << "\" viewBox=\"0 0 " << VIEW_PIXEL_WIDTH << ' ' << VIEW_PIXEL_HEIGHT << "\">\n";
    out << "<rect width=\"100%\" height=\"100%\" fill=\"" << BACKGROUND << "\"/>\n";
    if (view < 1 || view > MAX_VIEWS) {
        out << "</svg>\n";
        return;
    }
    Mapping m = mappingOf(view);
    std::vector<const Shown*> shown = persistentIn(view);
    out << "<g id=\"view" << view << "\">\n";
    fillComplexShapes(out, m, shown);
    for (const Shown* s : shown)
        if (!s->highlighted) drawElement(out, m, s->record, false);
    for (const Shown* s : shown)
        if (s->highlighted) drawElement(out, m, s->record, true);
    out << "</g>\n";
    std::vector<const uint8_t*> dynamics = transientIn(view);
    if (!dynamics.empty()) {
        out << "<g id=\"dynamics\">\n";
        for (const uint8_t* e : dynamics) drawElement(out, m, e, false);
        out << "</g>\n";
    }
    out << "</svg>\n";
}

std::string svgOf(int view) {
    std::ostringstream out;
    writeSvg(out, view);
    return out.str();
}

std::string svgOfArea(const Dpoint3d& low, const Dpoint3d& high, double width, double height, double pointsPerUor) {
    std::ostringstream out;
    out << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" << num(width) << "pt\" height=\"" << num(height)
        << "pt\" viewBox=\"0 0 " << num(width) << ' ' << num(height) << "\">\n";
    out << "<rect width=\"100%\" height=\"100%\" fill=\"#FFFFFF\"/>\n";
    DgnModel* model = sim::design::activeModel();
    if (!model || !(pointsPerUor > 0) || !std::isfinite(pointsPerUor)) return out.str() + "</svg>\n";
    Mapping m{};
    mdlRMatrix_getIdentity(&m.rotation);
    m.scale = pointsPerUor;
    m.bottom = height;
    m.paper = true;
    /* The area's centre on the sheet's centre. */
    m.origin = {(low.x + high.x) / 2 - width / 2 / pointsPerUor, (low.y + high.y) / 2 - height / 2 / pointsPerUor, 0};
    std::vector<Shown> elements;
    for (uint32_t pos = 1; pos <= model->slots.size(); ++pos) {
        const sim::design::Slot* slot = sim::design::slot(model, pos);
        if (slot && !slot->deleted && isGraphicType(slot->type)) elements.push_back({slot->data, false});
    }
    std::vector<const Shown*> shown;
    for (const Shown& e : elements) shown.push_back(&e);
    out << "<clipPath id=\"area\"><rect x=\"0\" y=\"0\" width=\"" << num(width) << "\" height=\"" << num(height)
        << "\"/></clipPath>\n<g clip-path=\"url(#area)\">\n";
    fillComplexShapes(out, m, shown);
    for (const Shown* e : shown) drawElement(out, m, e->record, false);
    out << "</g>\n</svg>\n";
    return out.str();
}

namespace {

/* Write what PRODUCE writes to a temporary file beside PATH, then rename it
** to PATH, so that a reader never sees half a picture. */
bool writeAtomically(const std::string& path, const std::function<bool(const std::string& local)>& produce,
                     std::string& error) {
    std::string local = sim::hostPath(path);
    if (local.empty()) {
        error = "cannot write " + path;
        return false;
    }
    std::string temporary = local + ".part";
    error.clear();
    if (!produce(temporary) || std::rename(temporary.c_str(), local.c_str()) != 0) {
        std::remove(temporary.c_str());
        if (error.empty()) error = "cannot write " + path;
        return false;
    }
    return true;
}

bool validView(int view, std::string& error) {
    if (view >= 1 && view <= MAX_VIEWS) return true;
    error = "view number must be 1 to 8";
    return false;
}

std::string lowerExtension(const std::string& path) {
    size_t dot = path.find_last_of("./\\");
    if (dot == std::string::npos || path[dot] != '.') return {};
    return sim::lower(path.substr(dot));
}

}  // namespace

std::string xmlText(const std::string& text) {
    std::string out;
    for (char c : text) {
        switch (c) {
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '&': out += "&amp;"; break;
        case '"': out += "&quot;"; break;
        default:
            /* XML has no place for control characters, and a picture with one would not be read. */
            if (static_cast<unsigned char>(c) >= 0x20 || c == '\t') out += c;
        }
    }
    return out;
}

bool renderSvg(int view, const std::string& path, std::string& error) {
    if (!validView(view, error)) return false;
    return writeAtomically(path, [&](const std::string& local) {
        /* Streamed to the file: a large drawing is never held as one text. */
        std::vector<char> buffer(1 << 16);
        std::ofstream out;
        out.rdbuf()->pubsetbuf(buffer.data(), static_cast<std::streamsize>(buffer.size()));
        out.open(local, std::ios::binary | std::ios::trunc);
        if (out) writeSvg(out, view);
        if (out) out.close();
        return static_cast<bool>(out);
    }, error);
}

bool renderPng(int view, const std::string& path, std::string& error) {
    if (!validView(view, error)) return false;
    return writeAtomically(path, [&](const std::string& local) {
        return rasterize(svgOf(view), VIEW_PIXEL_WIDTH, VIEW_PIXEL_HEIGHT, local, error);
    }, error);
}

namespace {

/* Window colours: index 0 the drawing ground, 256 + N the window's fixed colour N. */
std::string windowColour(int index) {
    switch (index) {
    case 0: return "#000000";
    case 256: return "#D4D0C8";
    case 256 + 7: return "#FFFFFF";
    default: return index > 0 && index < 256 ? colourOf(static_cast<uint32_t>(index)) : "#808080";
    }
}

/* An image or icon resource drawn into RECT: its pixels, those of colour
** TRANSPARENT (0xRRGGBB, or -1 for none) left out; nothing when the
** resource cannot be found or read. */
void drawRaster(std::ostream& out, const std::string& typeText, int32_t id, const int rect[4], long transparent) {
    uint32_t type = 0;
    std::vector<uint8_t> bytes;
    sim::RasterRsc raster;
    if (!sim::parseFourCC(typeText, &type) || sim::findResource(type, id, bytes) != RSC_SUCCESS ||
        sim::decodeRaster(bytes.data(), bytes.size(), raster) != RSC_SUCCESS)
        return;
    const size_t count = static_cast<size_t>(raster.width) * raster.height;
    std::vector<uint32_t> argb(count);
    for (size_t i = 0; i < count; ++i) {
        uint32_t rgb;
        if (raster.format == sim::RasterFormat::Rgb) {
            rgb = static_cast<uint32_t>(raster.pixels[3 * i]) << 16 | static_cast<uint32_t>(raster.pixels[3 * i + 1]) << 8 |
                  raster.pixels[3 * i + 2];
        } else {
            rgb = static_cast<uint32_t>(std::strtoul(windowColour(raster.pixels[i]).c_str() + 1, nullptr, 16));
        }
        argb[i] = static_cast<long>(rgb) == transparent ? 0 : 0xFF000000u | rgb;
    }
    std::string uri = pngDataUri(argb, raster.width, raster.height);
    if (uri.empty()) return;
    out << "<image x=\"" << rect[0] << "\" y=\"" << rect[1] << "\" width=\"" << std::max(rect[2] - rect[0] + 1, 1)
        << "\" height=\"" << std::max(rect[3] - rect[1] + 1, 1) << "\" preserveAspectRatio=\"none\" href=\"" << uri
        << "\"/>\n";
}

/* The window drawings of the dialog area ("bevel ...", "fill ...", "image ...", "style ...", "line ..."). */
void drawWindowDrawings(std::ostream& out, const std::vector<std::string>& drawings, bool lines) {
    std::string stroke = "#FFFFFF", ink = "#000000"; /* texts are black until a style says otherwise */
    for (const std::string& d : drawings) {
        std::istringstream in(d);
        std::string kind;
        int a = 0, b = 0, c = 0, e = 0, colour = 0;
        in >> kind;
        if (kind == "style") {
            in >> a >> b >> colour;
            stroke = ink = windowColour(colour);
        } else if (!lines && kind == "bevel" && (in >> a >> b >> c >> e)) {
            out << "<rect x=\"" << a << "\" y=\"" << b << "\" width=\"" << c - a << "\" height=\"" << e - b
                << "\" fill=\"none\" stroke=\"#808080\" stroke-width=\"2\"/>\n";
        } else if (!lines && (kind == "image" || kind == "icon")) {
            std::string typeText, word, colourText;
            int32_t id = 0;
            int rect[4];
            if (!(in >> typeText >> id >> rect[0] >> rect[1] >> rect[2] >> rect[3])) continue;
            long transparent = -1;
            if (in >> word >> colourText && word == "transparent" && colourText.size() == 7)
                transparent = std::strtol(colourText.c_str() + 1, nullptr, 16);
            drawRaster(out, typeText, id, rect, transparent);
        } else if (!lines && kind == "fill" && (in >> a >> b >> c >> e >> colour)) {
            out << "<rect x=\"" << a << "\" y=\"" << b << "\" width=\"" << c - a << "\" height=\"" << e - b
                << "\" fill=\"" << windowColour(colour) << "\"/>\n";
        } else if (lines && kind == "text" && (in >> a >> b >> c)) {
            std::string text;
            std::getline(in >> std::ws, text);
            out << "<text x=\"" << a << "\" y=\"" << b << "\" font-family=\"DejaVu Sans, sans-serif\" font-size=\"12\" fill=\""
                << ink << "\">" << xmlText(text) << "</text>\n";
        } else if (lines && kind == "line" && (in >> a >> b >> c >> e)) {
            out << "<line x1=\"" << a << "\" y1=\"" << b << "\" x2=\"" << c << "\" y2=\"" << e << "\" stroke=\""
                << stroke << "\" stroke-width=\"1\"/>\n";
        }
    }
}

}  // namespace

namespace {

/* Every item of the window, not one. */
constexpr int ALL_ITEMS = INT32_MIN;

/* The window's picture inside RECT: a plain background, CONTROLS, the
** window DRAWINGS and the last descriptor drawn into item ITEMID (or into
** any item), each fitted into its rectangle and seen through its rotation. */
std::string pictureSvg(const void* window, int itemId, const int32_t rect[4], const std::string& controls,
                       const std::vector<std::string>& drawings) {
    const int width = std::max(1, rect[2] - rect[0]), height = std::max(1, rect[3] - rect[1]);
    std::ostringstream out;
    out << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" << width << "\" height=\"" << height
        << "\" viewBox=\"" << rect[0] << ' ' << rect[1] << ' ' << width << ' ' << height << "\">\n";
    out << "<rect x=\"" << rect[0] << "\" y=\"" << rect[1] << "\" width=\"" << width << "\" height=\"" << height
        << "\" fill=\"" << windowColour(256) << "\"/>\n";
    out << controls;
    drawWindowDrawings(out, drawings, false);
    for (const ItemDrawing& d : itemDrawings()) {
        bool inside = d.rect[0] >= rect[0] && d.rect[1] >= rect[1] && d.rect[2] <= rect[2] && d.rect[3] <= rect[3];
        if (d.window != window) continue;
        if (itemId != ALL_ITEMS && d.itemId != itemId && !(d.itemId == 0 && inside)) continue;
        double w = d.rect[2] - d.rect[0], h = d.rect[3] - d.rect[1];
        double sx = d.extent.x > 0 ? w / d.extent.x : 0, sy = d.extent.y > 0 ? h / d.extent.y : 0;
        double scale = sx > 0 && sy > 0 ? std::min(sx, sy) : std::max(sx, sy);
        Mapping m{d.rotation, d.origin, scale};
        mdlRMatrix_rotatePoint(&m.origin, &m.rotation);
        /* Centre the drawing in the rectangle. */
        m.left = d.rect[0] + (w - d.extent.x * scale) / 2;
        m.bottom = d.rect[3] - (h - d.extent.y * scale) / 2;
        out << "<g id=\"item" << d.itemId << "\">\n";
        for (const auto& e : d.elements) drawElement(out, m, e.data(), false);
        out << "</g>\n";
    }
    drawWindowDrawings(out, drawings, true);
    out << "</svg>\n";
    return out.str();
}

bool writePicture(const std::string& svg, const int32_t rect[4], const std::string& path, std::string& error) {
    std::string ext = lowerExtension(path);
    if (ext != ".png" && ext != ".svg") {
        error = "a dialog or an item is rendered to a .png or .svg picture: " + path;
        return false;
    }
    const int width = std::max(1, rect[2] - rect[0]), height = std::max(1, rect[3] - rect[1]);
    return writeAtomically(path, [&](const std::string& local) {
        if (ext == ".png") return rasterize(svg, width, height, local, error);
        std::ofstream out(local, std::ios::binary | std::ios::trunc);
        if (out) out << svg;
        if (out) out.close();
        return static_cast<bool>(out);
    }, error);
}

}  // namespace

std::string itemSvg(const void* window, int itemId, const int32_t rect[4], const std::vector<std::string>& drawings) {
    return pictureSvg(window, itemId, rect, {}, drawings);
}

bool renderItemPicture(const void* window, int itemId, const int32_t rect[4], const std::vector<std::string>& drawings,
                       const std::string& path, std::string& error) {
    return writePicture(itemSvg(window, itemId, rect, drawings), rect, path, error);
}

bool renderWindowPicture(const void* window, const int32_t rect[4], const std::string& controls,
                         const std::vector<std::string>& drawings, const std::string& path, std::string& error) {
    return writePicture(pictureSvg(window, ALL_ITEMS, rect, controls, drawings), rect, path, error);
}

bool renderPicture(int view, const std::string& path, std::string& error) {
    std::string ext = lowerExtension(path);
    if (ext == ".svg") return renderSvg(view, path, error);
    if (ext == ".png") return renderPng(view, path, error);
    error = "render writes .svg or .png pictures, not " + (ext.empty() ? "a file without an extension" : ext) + ": " + path;
    return false;
}

}  // namespace sim::view
