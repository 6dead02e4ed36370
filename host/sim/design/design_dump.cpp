/* Readable dumps of design files, and the session verbs and key-ins of the
** design area: open, save, undo, redo, dump. */
#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <string>

#include "host/mdlelement.h"
#include "host/sim/design/design.h"
#include "host/sim/base/base.h"

using namespace sim::elem;

namespace {

void appendf(std::string& out, const char* fmt, ...) __attribute__((format(printf, 2, 3)));
void appendf(std::string& out, const char* fmt, ...) {
    char buf[512];
    va_list args;
    va_start(args, fmt);
    int n = std::vsnprintf(buf, sizeof buf, fmt, args);
    va_end(args);
    if (n > 0) out.append(buf, std::min<size_t>(static_cast<size_t>(n), sizeof buf - 1));
}

/* Print -0 as 0 so that equal geometry always reads the same. */
double tidy(double v) { return v == 0.0 ? 0.0 : v; }

void point(std::string& out, const Dpoint3d& p) { appendf(out, "(%.10g,%.10g,%.10g)", tidy(p.x), tidy(p.y), tidy(p.z)); }

/* Direction of a rotation's x axis in degrees. */
double angleOf(const RotMatrix& r) { return tidy(std::atan2(r.form3d[1][0], r.form3d[0][0]) * 180.0 / M_PI); }

std::string utf16(const uint8_t* p, uint32_t n) {
    std::u16string s;
    for (uint32_t i = 0; i < n; ++i) s += static_cast<char16_t>(get2(p + 2 * i));
    return sim::utf16ToUtf8(s.c_str());
}

void hex(std::string& out, const uint8_t* p, uint32_t n) {
    static const char digits[] = "0123456789abcdef";
    for (uint32_t i = 0; i < n; ++i) {
        out += digits[p[i] >> 4];
        out += digits[p[i] & 15];
    }
}

const char* typeName(int t) {
    switch (t) {
    case CELL_HEADER_ELM: return "cell";
    case LINE_ELM: return "line";
    case LINE_STRING_ELM: return "linestring";
    case SHAPE_ELM: return "shape";
    case CMPLX_STRING_ELM: return "chain";
    case TEXT_NODE_ELM: return "textnode";
    case CMPLX_SHAPE_ELM: return "complexshape";
    case ELLIPSE_ELM: return "ellipse";
    case ARC_ELM: return "arc";
    case TEXT_ELM: return "text";
    case DATA_ELM: return "data";
    default: return "element";
    }
}

}  // namespace

namespace sim::design {

std::string describeElement(uint32_t filePos, const uint8_t* e) {
    std::string out;
    int t = type(e);
    appendf(out, "%u %s type=%d level=%u", filePos, typeName(t), t, get4(e + H_LEVEL));
    if (get4(e) & COMPONENT_BIT) out += " component";
    if (isGraphicType(t)) {
        appendf(out, " colour=%u weight=%u style=%d", get4(e + D_COLOUR), get4(e + D_WEIGHT),
                static_cast<int32_t>(get4(e + D_STYLE)));
        if (uint32_t gg = get4(e + D_GGROUP)) appendf(out, " group=%u", gg);
        if (uint32_t cls = get2(e + D_CLASS)) appendf(out, " class=%u", cls);
        if (uint32_t props = get2(e + D_PROPS)) appendf(out, " props=0x%x", props);
        if (get2(e + D_PROPS) & ELEMPROP_FILLED) appendf(out, " fill=%u", get4(e + D_FILL));
    }
    switch (t) {
    case LINE_ELM:
    case LINE_STRING_ELM:
    case SHAPE_ELM:
        out += " points";
        for (int i = 0, n = vertexCount(e); i < n; ++i) {
            out += ' ';
            point(out, vertex(e, i));
        }
        break;
    case ELLIPSE_ELM:
    case ARC_ELM:
        out += " centre ";
        point(out, getP(e + E_CENTRE));
        appendf(out, " axes %.10g %.10g angle %.10g", tidy(getD(e + E_AXIS1)), tidy(getD(e + E_AXIS2)), angleOf(getM(e + E_ROT)));
        if (t == ARC_ELM) appendf(out, " start %.10g sweep %.10g", tidy(getD(e + A_START)), tidy(getD(e + A_SWEEP)));
        break;
    case TEXT_ELM:
        out += " origin ";
        point(out, getP(e + T_ORIGIN));
        appendf(out, " angle %.10g size %.10gx%.10g font %u just %u", angleOf(getM(e + T_ROT)), tidy(getD(e + T_WIDTH)),
                tidy(getD(e + T_HEIGHT)), get4(e + T_FONT), get2(e + T_JUST));
        if (get2(e + T_FLAGS) & TXTPARAM_SLANT) appendf(out, " slant %.10g", tidy(getD(e + T_SLANT) * 180.0 / M_PI));
        out += " \"" + utf16(e + T_CHARS, get4(e + T_COUNT)) + "\"";
        break;
    case CELL_HEADER_ELM: {
        uint32_t nl = get2(e + C_NAMELEN), dl = get2(e + C_DESCLEN);
        out += " \"" + utf16(e + C_NAME, nl) + "\"";
        if (dl) out += " description \"" + utf16(e + C_NAME + 2 * nl, dl) + "\"";
        out += " origin ";
        point(out, getP(e + C_ORIGIN));
        appendf(out, " angle %.10g components %u range ", angleOf(getM(e + C_ROT)), get4(e + C_COUNT));
        point(out, getP(e + C_LOW));
        out += '-';
        point(out, getP(e + C_HIGH));
        if (get2(e + C_FLAGS) & 1) out += " point";
        break;
    }
    case CMPLX_STRING_ELM:
    case CMPLX_SHAPE_ELM:
        appendf(out, " components %u", get4(e + X_COUNT));
        break;
    case TEXT_NODE_ELM:
        out += " origin ";
        point(out, getP(e + TN_ORIGIN));
        appendf(out, " spacing %.10g components %u", tidy(getD(e + TN_SPACING)), get4(e + X_COUNT));
        break;
    default:
        if (!isGraphicType(t) || 2 * attrWords(e) > GRAPHIC_BODY_OFFSET) {
            uint32_t from = isGraphicType(t) ? GRAPHIC_BODY_OFFSET : ELEMENT_HEADER_SIZE;
            out += " body ";
            hex(out, e + from, 2 * attrWords(e) - from);
        }
        break;
    }
    uint32_t pos = 2 * attrWords(e), end = sizeBytes(e);
    while (pos + 4 <= end) {
        uint32_t w = static_cast<uint32_t>(mdlLinkage_getWords(reinterpret_cast<const LinkageHeader*>(e + pos)));
        if (w < 2 || pos + 2 * w > end) break;
        appendf(out, " linkage 0x%04x ", get2(e + pos + 2));
        hex(out, e + pos, 2 * w);
        pos += 2 * w;
    }
    return out;
}

void dump(DgnModel* model, std::string& out) {
    DgnModel* m = model ? model : activeModel();
    if (!m) return;
    for (uint32_t p = 1; p <= m->slots.size(); ++p) {
        const Slot& s = m->slots[p - 1];
        if (!s.data || s.deleted) continue;
        out += describeElement(p, s.data);
        out += '\n';
    }
}

}  // namespace sim::design

namespace {

/* Each element of M as a console line of its own, as it is described: a
** large model is never held as one text. */
void printModel(DgnModel* m) {
    for (uint32_t p = 1; p <= m->slots.size(); ++p) {
        const sim::design::Slot& s = m->slots[p - 1];
        if (!s.data || s.deleted) continue;
        std::string line = sim::design::describeElement(p, s.data);
        line += '\n';
        sim::addOutput(sim::OutputKind::Console, 0, std::move(line));
    }
}

bool verbOpen(const std::string& args, std::string& error) {
    if (args.empty()) {
        error = "open: a design file name is needed";
        return false;
    }
    return sim::design::open(args, true, error);
}

bool verbSave(const std::string&, std::string& error) { return sim::design::save(error); }

bool verbUndo(const std::string&, std::string& error) {
    if (sim::design::undo()) return true;
    error = "nothing to undo";
    return false;
}

bool verbRedo(const std::string&, std::string& error) {
    if (sim::design::redo()) return true;
    error = "nothing to redo";
    return false;
}

bool verbDump(const std::string& args, std::string& error) {
    if (args.empty()) {
        DgnModel* m = sim::design::activeModel();
        if (!m) {
            error = "dump: no design file is open";
            return false;
        }
        printModel(m);
        return true;
    }
    std::unique_ptr<sim::design::DesignFile> f = sim::design::load(args, true, error);
    if (!f) return false;
    printModel(f->models.front().get());
    /* A cell library lists each cell model after the default one. */
    for (size_t i = 1; i < f->models.size(); ++i) {
        DgnModel* m = f->models[i].get();
        std::string title = std::string(m->isCell ? "cell model \"" : "model \"") + m->name + "\"";
        if (!m->description.empty()) title += " description \"" + m->description + "\"";
        sim::addOutput(sim::OutputKind::Console, 0, title + "\n");
        printModel(m);
    }
    return true;
}

const sim::Registration registration([] {
    sim::registerSessionVerb("open", verbOpen);
    sim::registerSessionVerb("save", verbSave);
    sim::registerSessionVerb("undo", verbUndo);
    sim::registerSessionVerb("redo", verbRedo);
    sim::registerSessionVerb("dump", verbDump);
    /* Undo and redo answer quietly when there is nothing to do, as a key-in. */
    sim::registerKeyin("undo", [](const std::string&, std::string&) { sim::design::undo(); return true; });
    sim::registerKeyin("redo", [](const std::string&, std::string&) { sim::design::redo(); return true; });
});

}  // namespace
