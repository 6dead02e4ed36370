/* A picture of a whole dialog, as the user would see it: the title bar, each
** shown item drawn as its kind of control with its label and value, and
** what the application drew into the dialog on top. */
#include <algorithm>
#include <sstream>

#include "host/sim/dialogs/dialog_int.h"
#include "host/sim/display/display.h"

namespace sim::dialogs {

namespace {

constexpr int TITLE_HEIGHT = 22;
constexpr int ROW_HEIGHT = 16;
constexpr const char* FONT = "font-family=\"DejaVu Sans, sans-serif\" font-size=\"12\"";

/* A menu or button label without its accelerator marks ("~File"). */
std::string shownLabel(const std::string& label) {
    std::string out;
    for (char c : label)
        if (c != '~') out += c;
    return out;
}

class Painter {
public:
    explicit Painter(std::ostringstream& out) : out_(out) {}

    void box(int x, int y, int w, int h, const char* fill, const char* stroke) {
        out_ << "<rect x=\"" << x << "\" y=\"" << y << "\" width=\"" << std::max(w, 1) << "\" height=\""
             << std::max(h, 1) << "\" fill=\"" << fill << "\" stroke=\"" << stroke << "\"/>\n";
    }
    /* TEXT with its base line at Y; ANCHOR start, middle or end. */
    void text(int x, int y, const std::string& text, bool enabled, const char* anchor = "start",
              const char* colour = nullptr) {
        if (text.empty()) return;
        out_ << "<text x=\"" << x << "\" y=\"" << y << "\" " << FONT << " text-anchor=\"" << anchor << "\" fill=\""
             << (colour ? colour : enabled ? "#000000" : "#8c8c8c") << "\">" << sim::view::xmlText(text) << "</text>\n";
    }
    void line(int x1, int y1, int x2, int y2, const char* stroke) {
        out_ << "<line x1=\"" << x1 << "\" y1=\"" << y1 << "\" x2=\"" << x2 << "\" y2=\"" << y2 << "\" stroke=\""
             << stroke << "\"/>\n";
    }

private:
    std::ostringstream& out_;
};

void drawItem(Painter& p, const ItemState& it) {
    const DialogRect& r = it.pub.rect;
    const int x = r.left, y = r.top, w = r.right - r.left + 1, h = r.bottom - r.top + 1;
    const int base = y + h / 2 + 4; /* the base line of a text centred in the item */
    const bool on = it.pub.enabled != 0;
    const uint32_t t = it.pub.type;
    /* Fields, combo boxes and option buttons carry their label on their left. */
    auto sideLabel = [&] { p.text(x - 6, base, it.label, on, "end"); };
    if (t == ITEMTYPE_TEXT || t == ITEMTYPE_COMBOBOX) {
        sideLabel();
        p.box(x, y, w, h, on ? "#ffffff" : "#f0f0f0", "#7a7a7a");
        p.text(x + 4, base, it.text, on);
        if (t == ITEMTYPE_COMBOBOX) p.text(x + w - 4, base, "\u25BE", on, "end");
    } else if (t == ITEMTYPE_OPTIONBUTTON) {
        sideLabel();
        p.box(x, y, w, h, "#e1e1e1", "#7a7a7a");
        int i = optionIndexOfValue(it, it.value);
        p.text(x + 4, base, i < 0 ? std::string() : it.options[static_cast<size_t>(i)].label, on);
        p.text(x + w - 4, base, "\u25BE", on, "end");
    } else if (t == ITEMTYPE_TOGGLE) {
        const int side = 12, top = y + (h - side) / 2;
        p.box(x, top, side, side, on ? "#ffffff" : "#f0f0f0", "#7a7a7a");
        if (it.value) {
            p.line(x + 2, top + 6, x + 5, top + 9, "#000000");
            p.line(x + 5, top + 9, x + 10, top + 3, "#000000");
        }
        p.text(x + side + 6, base, it.label, on);
    } else if (t == ITEMTYPE_PUSHBUTTON) {
        p.box(x, y, w, h, "#e1e1e1", "#7a7a7a");
        p.text(x + w / 2, base, shownLabel(it.label), on, "middle");
    } else if (t == ITEMTYPE_LABEL) {
        p.text(x, base, it.label, on);
    } else if (t == ITEMTYPE_GROUPBOX) {
        p.box(x, y + 6, w, std::max(h - 6, 1), "none", "#b4b4b4");
        if (!it.label.empty()) p.text(x + 8, y + 10, it.label, on);
    } else if (t == ITEMTYPE_LISTBOX) {
        if (!it.label.empty()) p.text(x, y - 4, it.label, on);
        p.box(x, y, w, h, "#ffffff", "#7a7a7a");
        const int rows = rowCount(it), fits = std::max(1, (h - 2) / ROW_HEIGHT);
        for (int row = it.topRow, line = 0; row < rows && line < fits; ++row, ++line) {
            const int top = y + 1 + line * ROW_HEIGHT;
            const bool chosen = it.selected.count(row) != 0;
            if (chosen) p.box(x + 1, top, w - 2, ROW_HEIGHT, "#3875d7", "none");
            std::string cells;
            for (int column = 0; column < std::max(1, it.columns); ++column) {
                if (column) cells += "   ";
                cells += cellText(it, row, column);
            }
            p.text(x + 4, top + ROW_HEIGHT - 4, cells, on, "start", chosen ? "#ffffff" : nullptr);
        }
    } else if (t == ITEMTYPE_MENUBAR) {
        p.box(x, y, w, h, "#f0f0f0", "none");
        int at = x + 8;
        for (const MenuRsc& m : it.menus) {
            std::string title = shownLabel(m.title);
            p.text(at, base, title, on);
            at += 8 * static_cast<int>(title.size()) + 16;
        }
    } else if (t == ITEMTYPE_GENERIC) {
        p.box(x, y, w, h, "none", "#b4b4b4");
    }
    /* Pop-up menus, icons and composites show nothing of their own. */
}

}  // namespace

std::string dialogControlsSvg(const DialogBox* db, int32_t outer[4]) {
    const DialogRect& e = db->extent;
    outer[0] = e.left;
    outer[1] = e.top - TITLE_HEIGHT;
    outer[2] = e.right + 1;
    outer[3] = e.bottom + 1;
    std::ostringstream out;
    Painter p(out);
    p.box(e.left, e.top - TITLE_HEIGHT, e.right - e.left + 1, TITLE_HEIGHT, "#2b579a", "none");
    p.text(e.left + 8, e.top - 6, db->title, true, "start", "#ffffff");
    for (const auto& item : db->items)
        if (item->pub.visible) drawItem(p, *item);
    return out.str();
}

}  // namespace sim::dialogs

namespace sim {

bool renderDialogPicture(DialogBox* db, const std::string& path, std::string& error) {
    if (!dialogs::live(db)) {
        error = "the dialog is not open";
        return false;
    }
    int32_t outer[4];
    std::string controls = dialogs::dialogControlsSvg(db, outer);
    return view::renderWindowPicture(db, outer, controls, dialogDrawings(db), path, error);
}

}  // namespace sim
