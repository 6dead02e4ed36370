/* Platform API of windows and fonts: what hooks draw in a dialog (kept for
** tests and pictures), extent, title, docking and closing of a dialog's
** window, and the host's fixed font model. */
#include <cstring>

#include "host/mdldialog.h"
#include "host/sim/dialogs/dialog_int.h"

using namespace sim::dialogs;

namespace {
std::string rectText(const DialogRect& r) {
    return std::to_string(r.left) + " " + std::to_string(r.top) + " " + std::to_string(r.right) + " " +
           std::to_string(r.bottom);
}
}  // namespace

namespace sim {
std::vector<std::string> dialogDrawings(DialogBox* db) { return live(db) ? db->drawings : std::vector<std::string>(); }
}  // namespace sim

HOST_API void mdlDialog_drawText(DialogBox* db, int x, int y, int font, const char* text) {
    if (live(db) && text)
        db->drawings.push_back("text " + std::to_string(x) + " " + std::to_string(y) + " " + std::to_string(font) + " " + text);
}

HOST_API StatusInt mdlDialog_drawIcon(DialogBox* db, uint32_t type, int32_t id, const DialogRect* rect) {
    if (!live(db) || !rect) return HOST_ERROR;
    std::vector<uint8_t> bytes;
    if (sim::findResource(type, id, bytes) != RSC_SUCCESS) return HOST_ERROR;
    db->drawings.push_back("icon " + sim::fourCCText(type) + " " + std::to_string(id) + " " + rectText(*rect));
    return HOST_SUCCESS;
}

HOST_API StatusInt mdlWindow_transparentRgbDataDraw(DialogBox* db, const DialogRect* rect, uint32_t type, int32_t id,
                                                    int size, int red, int green, int blue) {
    if (!live(db) || !rect) return HOST_ERROR;
    std::vector<uint8_t> bytes;
    sim::RasterRsc raster;
    if (sim::findResource(type, id, bytes) != RSC_SUCCESS || sim::decodeRaster(bytes.data(), bytes.size(), raster) != RSC_SUCCESS ||
        raster.format != sim::RasterFormat::Rgb)
        return HOST_ERROR;
    db->drawings.push_back("image " + sim::fourCCText(type) + " " + std::to_string(id) + " " + rectText(*rect) +
                           sim::format(" transparent #%02x%02x%02x", red & 0xFF, green & 0xFF, blue & 0xFF));
    return HOST_SUCCESS;
}

HOST_API void mdlDialog_rectDrawBeveled(DialogBox* db, const DialogRect* rect, BoolInt raised) {
    if (live(db) && rect) db->drawings.push_back("bevel " + rectText(*rect));
}

HOST_API void mdlWindow_rectFill(DialogBox* window, const DialogRect* rect, int colour) {
    if (live(window) && rect) window->drawings.push_back("fill " + rectText(*rect) + " " + std::to_string(colour));
}

HOST_API void mdlWindow_lineStyleSet(DialogBox* window, int drawMode, int style, int colour) {
    if (live(window))
        window->drawings.push_back("style " + std::to_string(drawMode) + " " + std::to_string(style) + " " +
                                   std::to_string(colour));
}

HOST_API void mdlWindow_lineDraw(DialogBox* window, int x1, int y1, int x2, int y2) {
    if (live(window))
        window->drawings.push_back("line " + rectText(DialogRect{x1, y1, x2, y2}));
}

/* The window palette of this host: fixed colour N is colour index 256 + N. */
HOST_API int mdlWindow_fixedColorIndexGet(DialogBox* window, int fixedColour) {
    (void)window;
    return 256 + fixedColour;
}

HOST_API StatusInt mdlWindow_extentGet(DialogRect* extent, DialogBox* window) {
    if (!live(window) || !extent) return HOST_ERROR;
    *extent = window->extent;
    return HOST_SUCCESS;
}

HOST_API StatusInt mdlWindow_extentSet(DialogBox* window, const DialogRect* extent) {
    if (!live(window) || !extent || extent->right < extent->left || extent->bottom < extent->top) return HOST_ERROR;
    DialogRect old = window->extent;
    window->extent = *extent;
    if (std::memcmp(&old, extent, sizeof old) != 0 && active(window)) {
        DialogMessage m{};
        m.messageType = DIALOG_MESSAGE_RESIZE;
        m.u.resize.oldExtent = old;
        m.u.resize.newExtent = *extent;
        sendDialog(window, m);
    }
    return HOST_SUCCESS;
}

HOST_API StatusInt mdlWindow_titleSet(DialogBox* window, const char* title) {
    if (!live(window) || !title) return HOST_ERROR;
    window->title = title;
    return HOST_SUCCESS;
}

HOST_API StatusInt mdlWindow_titleGet(char* buffer, int size, DialogBox* window) {
    if (!live(window) || !buffer) return HOST_ERROR;
    sim::copyFixed(buffer, size, window->title);
    return HOST_SUCCESS;
}

HOST_API StatusInt mdlWindow_close(DialogBox* window) {
    if (!live(window)) return HOST_ERROR;
    closeDialog(window, ACTIONBUTTON_CANCEL);
    return HOST_SUCCESS;
}

HOST_API BoolInt mdlWindow_getDocked(DialogBox* window, int* edge) {
    if (edge) *edge = DOCK_NONE;
    if (!live(window)) return 0;
    if (edge) *edge = window->dock;
    return window->dock != DOCK_NONE;
}

HOST_API StatusInt mdlWindow_dock(DialogBox* window, int edge) {
    if (!live(window) || edge < DOCK_NONE || edge > DOCK_RIGHT) return HOST_ERROR;
    window->dock = edge;
    return HOST_SUCCESS;
}

HOST_API void mdlWindow_organizeApplicationArea(int area) {
    /* Docked windows are stacked along their edge, in the order they were opened. */
    int offset[5] = {0, 0, 0, 0, 0};
    for (auto& d : state.open) {
        if (d->dock == DOCK_NONE) continue;
        DialogRect& e = d->extent;
        int w = e.right - e.left, h = e.bottom - e.top;
        int& o = offset[d->dock];
        if (d->dock == DOCK_TOP || d->dock == DOCK_BOTTOM) {
            e.left = o;
            e.top = 0;
            o += w + 1;
        } else {
            e.left = 0;
            e.top = o;
            o += h + 1;
        }
        e.right = e.left + w;
        e.bottom = e.top + h;
    }
    ++state.organizeCount;
}

HOST_API void mdlWindow_clear(DialogBox* window) {
    if (live(window)) window->drawings.clear();
}
HOST_API void mdlWindow_cursorTurnOff(void) {}

HOST_API int mdlDialog_stringWidth(DialogBox* db, int font, const char* text) {
    if (!text) return 0;
    int width = 0;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p; ++p) {
        unsigned char c = *p;
        if ((c & 0xC0) == 0x80) continue;
        if (std::strchr("il.,:;'|!` ", c)) width += 3;
        else if (std::strchr("mwMW@", c)) width += 9;
        else if ((c >= 'A' && c <= 'Z') || c == '%' || c == '&') width += 8;
        else width += 6;
    }
    return width;
}

HOST_API int mdlDialog_fontGetHeight(DialogBox* db, int font) { return 14; }
