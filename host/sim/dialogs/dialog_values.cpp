/* Item values: what an item shows, read from and written to the application's
** variables through its access string (with the item's display format), the
** rows of list items, and refreshing and drawing an item. No state of its own. */
#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>

#include "host/mdlcontrol.h"
#include "host/sim/base/base.h"
#include "host/sim/dialogs/dialog_int.h"

namespace sim::dialogs {

namespace {

/* A text item's "minimum" and "maximum" properties bound the number it
** takes: a setting far outside them would reach the drawing unchecked. A
** text that is no number is left to the write to refuse. */
bool withinRange(const ItemState& it, std::string& error) {
    const std::string* low = property(it, "minimum");
    const std::string* high = property(it, "maximum");
    if (!low && !high) return true;
    const char* text = it.text.c_str();
    char* end = nullptr;
    double v = std::strtod(text, &end);
    while (end && std::isspace(static_cast<unsigned char>(*end))) ++end;
    if (end == text || (end && *end)) return true;
    if ((low && !(v >= std::strtod(low->c_str(), nullptr))) || (high && !(v <= std::strtod(high->c_str(), nullptr)))) {
        error = "\"" + it.text + "\" is out of range (" + (low ? *low : std::string("any")) + " to " +
                (high ? *high : std::string("any")) + ")";
        return false;
    }
    return true;
}

/* A "%[flags][width][.precision]conv" format with text around it, checked
** so that resource texts never reach printf unchecked. */
struct NumberFormat {
    std::string prefix, conversion, suffix;
    char conv = 0;
};

bool parseFormat(const std::string& f, NumberFormat& out) {
    size_t p = f.find('%');
    while (p != std::string::npos && p + 1 < f.size() && f[p + 1] == '%') p = f.find('%', p + 2);
    if (p == std::string::npos) return false;
    size_t i = p + 1;
    while (i < f.size() && f[i] && std::strchr("-+ #0", f[i])) ++i;
    /* Width and precision of at most two digits: a resource cannot ask for megabytes. */
    auto digits = [&] {
        size_t b = i;
        while (i < f.size() && std::isdigit(static_cast<unsigned char>(f[i]))) ++i;
        return i - b <= 2;
    };
    if (!digits()) return false;
    if (i < f.size() && f[i] == '.') {
        ++i;
        if (!digits()) return false;
    }
    while (i < f.size() && (f[i] == 'l' || f[i] == 'h')) ++i;
    if (i >= f.size() || !f[i] || !std::strchr("diouxXfFeEgGs", f[i])) return false;
    out.conv = f[i];
    std::string conversion = f.substr(p, i - p);
    conversion.erase(std::remove_if(conversion.begin(), conversion.end(), [](char c) { return c == 'l' || c == 'h'; }),
                     conversion.end());
    out.conversion = conversion;
    out.prefix = f.substr(0, p);
    out.suffix = f.substr(i + 1);
    for (const std::string* part : {&out.prefix, &out.suffix})
        for (size_t k = part->find('%'); k != std::string::npos; k = part->find('%', k + 2)) {
            if (k + 1 >= part->size() || (*part)[k + 1] != '%') return false;
        }
    return true;
}

std::string unescapePercent(const std::string& s) {
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        out += s[i];
        if (s[i] == '%' && i + 1 < s.size() && s[i + 1] == '%') ++i;
    }
    return out;
}

std::string formatValue(const sim::AccessValue& v, const std::string* format) {
    NumberFormat f;
    if (format && parseFormat(*format, f)) {
        std::string body;
        if (f.conv == 's')
            body = sim::format((f.conversion + "s").c_str(), v.isText ? v.text.c_str()
                                                                : (v.isInteger ? std::to_string(v.integer).c_str() : sim::format("%g", v.number).c_str()));
        else if (v.isText)
            body = v.text;
        else if (std::strchr("diouxX", f.conv))
            body = sim::format((f.conversion + "ll" + f.conv).c_str(),
                               static_cast<long long>(v.isInteger ? v.integer : static_cast<int64_t>(v.number)));
        else
            body = sim::format((f.conversion + f.conv).c_str(), v.isInteger ? static_cast<double>(v.integer) : v.number);
        return unescapePercent(f.prefix) + body + unescapePercent(f.suffix);
    }
    if (v.isText) return v.text;
    if (v.isInteger) return std::to_string(v.integer);
    return sim::format("%g", v.number);
}

bool takesValue(uint32_t type) {
    return type == ITEMTYPE_TEXT || type == ITEMTYPE_COMBOBOX || type == ITEMTYPE_TOGGLE ||
           type == ITEMTYPE_OPTIONBUTTON || type == ITEMTYPE_LISTBOX;
}

/* Read the item's value from its access string. False with ERROR set when it
** has one that does not resolve. */
bool loadValue(DialogBox* db, ItemState* it, std::string& error) {
    if (it->access.empty() || !takesValue(it->pub.type)) return true;
    sim::AccessValue v;
    if (!sim::readAccessValue(it->access, db->owner, v, error)) return false;
    uint32_t t = it->pub.type;
    if (t == ITEMTYPE_TEXT || t == ITEMTYPE_COMBOBOX) {
        it->text = formatValue(v, property(*it, "format"));
    } else if (v.isText) {
        error = "\"" + it->access + "\" is a text, not a number";
        return false;
    } else {
        int64_t x = v.isInteger ? v.integer : static_cast<int64_t>(v.number);
        if (t == ITEMTYPE_TOGGLE) {
            it->value = it->mask ? ((static_cast<uint64_t>(x) & it->mask) != 0) : (x != 0);
        } else if (t == ITEMTYPE_OPTIONBUTTON) {
            it->value = static_cast<int32_t>(x);
        } else {
            it->selected.clear();
            if (x >= 0 && x < rowCount(*it)) it->selected.insert(static_cast<int>(x));
        }
    }
    return true;
}

}  // namespace

int optionIndexOfValue(const ItemState& it, int32_t value) {
    for (size_t i = 0; i < it.options.size(); ++i)
        if (it.options[i].value == value) return static_cast<int>(i);
    return -1;
}

int rowCount(const ItemState& it) {
    if (it.model) return static_cast<int>(it.model->rows.size());
    if (it.strList) return mdlStringList_size(it.strList) / std::max(1, it.columns);
    return static_cast<int>(it.rows.size());
}

int selectedRow(const ItemState& it) { return it.selected.empty() ? -1 : *it.selected.begin(); }

std::string cellText(const ItemState& it, int row, int column) {
    if (row < 0 || column < 0) return {};
    if (it.model) {
        if (row >= static_cast<int>(it.model->rows.size())) return {};
        auto& cells = it.model->rows[static_cast<size_t>(row)]->cells;
        return column < static_cast<int>(cells.size()) ? cells[static_cast<size_t>(column)].text : std::string();
    }
    if (it.strList) {
        if (column >= it.columns) return {};
        const char* text = nullptr;
        if (mdlStringList_getMember(&text, nullptr, it.strList, row * it.columns + column) != 0 || !text) return {};
        return text;
    }
    if (row >= static_cast<int>(it.rows.size())) return {};
    auto& r = it.rows[static_cast<size_t>(row)];
    return column < static_cast<int>(r.size()) ? r[static_cast<size_t>(column)] : std::string();
}

void loadValueOrReport(DialogBox* db, ItemState* it) {
    std::string error;
    if (!loadValue(db, it, error)) report(db, it, error);
}

/* Write what the item shows through its access string. *CHANGED tells
** whether the variable changed. */
bool storeValue(DialogBox* db, ItemState* it, bool* changed, std::string& error) {
    if (changed) *changed = false;
    if (it->access.empty() || !takesValue(it->pub.type)) return true;
    sim::AccessValue before;
    if (!sim::readAccessValue(it->access, db->owner, before, error)) return false;
    uint32_t t = it->pub.type;
    bool ok;
    if (t == ITEMTYPE_TEXT || t == ITEMTYPE_COMBOBOX) {
        ok = withinRange(*it, error) && sim::writeAccessText(it->access, db->owner, it->text, error);
    } else if (before.isText) {
        error = "\"" + it->access + "\" is a text, not a number";
        return false;
    } else {
        int64_t x;
        if (t == ITEMTYPE_TOGGLE) {
            int64_t old = before.isInteger ? before.integer : static_cast<int64_t>(before.number);
            x = it->mask ? (it->value ? (old | it->mask) : (old & ~static_cast<int64_t>(it->mask))) : it->value;
        } else if (t == ITEMTYPE_OPTIONBUTTON) {
            x = it->value;
        } else {
            x = selectedRow(*it);
        }
        ok = sim::writeAccessInteger(it->access, db->owner, x, error);
    }
    if (!ok) return false;
    sim::AccessValue after;
    std::string ignored;
    if (changed && sim::readAccessValue(it->access, db->owner, after, ignored))
        *changed = after.isText != before.isText || after.text != before.text || after.integer != before.integer ||
                   !(after.number == before.number);
    return true;
}

void synchItem(DialogBox* db, ItemState* it) {
    loadValueOrReport(db, it);
    if (!active(db)) return;
    sendItem(db, it, DITEM_MESSAGE_SYNCHRONIZE);
    if (!active(db)) return;
    if (takesValue(it->pub.type)) sendItem(db, it, DITEM_MESSAGE_SETSTATE);
}

void sendDraw(DialogBox* db, ItemState* it, int row) {
    DialogItemMessage m{};
    m.messageType = DITEM_MESSAGE_DRAW;
    m.u.draw.rect = it->pub.rect;
    m.u.draw.row = row;
    m.u.draw.column = -1;
    sendItem(db, it, m);
}

void drawItem(DialogBox* db, ItemState* it) {
    if (!active(db) || !it->pub.visible) return;
    sendDraw(db, it, -1);
}

}  // namespace sim::dialogs
