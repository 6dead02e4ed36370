/* The host's own drawing commands "place line" (two data points) and "place
** linestring" (data points, a reset ends it), data points typed as "xy=X,Y"
** key-ins, and the session verbs point, move and reset. State: the points
** of the running drawing command. */
#include <algorithm>
#include <cctype>
#include <sstream>
#include <vector>

#include "host/mdlcommand.h"
#include "host/mdlelement.h"
#include "host/mdlstate.h"
#include "host/mdlsystem.h"
#include "host/mdltext.h"
#include "host/mdlview.h"
#include "host/sim/base/base.h"
#include "host/sim/interaction/interaction.h"
#include "host/sim/system/system.h"

namespace {

struct PlaceState {
    std::vector<Dpoint3d> points;   /* the drawing command's points so far */
    std::string text;               /* what "place text" places */
    int lastView = 1;               /* the view of the last data point: "xy=" points go there */
};
PlaceState state;

sim::Registration resetRegistration([] { sim::registerReset(sim::ResetStage::Interaction, [] { state = PlaceState{}; }); });

/* Show the active symbology's elements of POINTS (with CURSOR when given) in DRAWMODE; mode 0 also stores. */
bool draw(std::vector<Dpoint3d> points, int drawMode) {
    if (points.size() < 2) return false;
    std::vector<uint8_t> buffer(sizeof(MSElement));
    MSElement* el = reinterpret_cast<MSElement*>(buffer.data());
    StatusInt st = points.size() == 2 ? mdlLine_create(el, nullptr, points.data())
                                      : mdlLineString_create(el, nullptr, points.data(), static_cast<int>(points.size()));
    if (st != HOST_SUCCESS) return false;
    if (drawMode == DRAW_MODE_NORMAL && !mdlElement_add(el)) {
        mdlOutput_printf(MSG_ERROR, "Element not stored");
        return false;
    }
    mdlElement_display(el, drawMode);
    return true;
}

void placeLineStart();
void placeLineStringStart();

void lineDynamics(Dpoint3d* point, int, int drawMode) {
    if (!state.points.empty()) draw({state.points.front(), *point}, drawMode);
}

void lineSecond(Dpoint3d* point, int view) {
    state.lastView = view;
    draw({state.points.front(), *point}, DRAW_MODE_NORMAL);
    mdlState_restartCurrentCommand();
    state.points.clear();
    mdlOutput_printf(MSG_PROMPT, "Enter first point");
}

void lineFirst(Dpoint3d* point, int view) {
    state.lastView = view;
    state.points.assign(1, *point);
    mdlState_setFunction(STATEFUNC_DATAPOINT, reinterpret_cast<StateFunc>(lineSecond));
    mdlState_setFunction(STATEFUNC_DYNAMICS, reinterpret_cast<StateFunc>(lineDynamics));
    mdlOutput_printf(MSG_PROMPT, "Enter end point");
}

void placeLineStart() {
    state.points.clear();
    mdlState_startPrimitive(lineFirst, placeLineStart, 0, 0);
    mdlOutput_printf(MSG_COMMAND, "Place line");
    mdlOutput_printf(MSG_PROMPT, "Enter first point");
}

void lineStringDynamics(Dpoint3d* point, int, int drawMode) {
    std::vector<Dpoint3d> pts = state.points;
    pts.push_back(*point);
    draw(pts, drawMode);
}

void lineStringPoint(Dpoint3d* point, int view) {
    state.lastView = view;
    if (state.points.size() >= static_cast<size_t>(MAX_VERTICES)) {
        mdlOutput_printf(MSG_ERROR, "A line string holds at most %d points", static_cast<int>(MAX_VERTICES));
        return;
    }
    state.points.push_back(*point);
    mdlState_setFunction(STATEFUNC_DYNAMICS, reinterpret_cast<StateFunc>(lineStringDynamics));
    mdlOutput_printf(MSG_PROMPT, "Enter next point or reset to complete");
}

void lineStringReset() {
    if (state.points.size() >= 2) draw(state.points, DRAW_MODE_NORMAL);
    placeLineStringStart();
}

void placeLineStringStart() {
    state.points.clear();
    mdlState_startPrimitive(lineStringPoint, lineStringReset, 0, 0);
    mdlOutput_printf(MSG_COMMAND, "Place line string");
    mdlOutput_printf(MSG_PROMPT, "Enter first point");
}

/* "place text TEXT": each data point places TEXT there, left below, in the
** active symbology and text size; a reset ends the command. */
bool textAt(const Dpoint3d& point, int drawMode) {
    static MSElement text;
    TextParamWide params{};
    params.font = -1;
    params.just = 2;   /* left bottom */
    params.textStyleId = -1;
    params.viewIndependent = -1;
    if (mdlText_create(&text, nullptr, state.text.c_str(), &point, nullptr, nullptr, &params, nullptr) != HOST_SUCCESS)
        return false;
    if (drawMode == DRAW_MODE_NORMAL && !mdlElement_add(&text)) {
        mdlOutput_printf(MSG_ERROR, "Element not stored");
        return false;
    }
    mdlElement_display(&text, drawMode);
    return true;
}

void textDynamics(Dpoint3d* point, int, int drawMode) { textAt(*point, drawMode); }

void textPoint(Dpoint3d* point, int view) {
    state.lastView = view;
    textAt(*point, DRAW_MODE_NORMAL);
}

void textReset() { mdlState_startDefaultCommand(); }

bool placeText(const std::string& rest, std::string& error) {
    std::string text = sim::trim(rest, " \t");
    if (text.size() >= 2 && text.front() == '"' && text.back() == '"') text = text.substr(1, text.size() - 2);
    if (text.empty()) {
        error = "usage: place text TEXT";
        return false;
    }
    state.text = text;
    mdlState_startPrimitive(textPoint, textReset, 0, 0);
    mdlState_setFunction(STATEFUNC_DYNAMICS, reinterpret_cast<StateFunc>(textDynamics));
    mdlOutput_printf(MSG_COMMAND, "Place text");
    mdlOutput_printf(MSG_PROMPT, "Enter text origin");
    return true;
}

/* "active textsize W [H]": the active text width and height, in master units. */
bool activeTextSize(const std::string& rest, std::string& error) {
    std::istringstream in(rest);
    std::string w, h, extra;
    in >> w >> h >> extra;
    Dpoint3d size;
    if (w.empty() || !extra.empty() || !sim::interact::parseMasterPoint(w + " " + (h.empty() ? w : h), size, error)) {
        if (error.empty()) error = "usage: active textsize WIDTH [HEIGHT]";
        return false;
    }
    if (size.x <= 0 || size.y <= 0) {
        error = "active textsize: sizes must be positive";
        return false;
    }
    mdlParams_setActive(&size.x, ACTIVEPARAM_TEXTWIDTH);
    mdlParams_setActive(&size.y, ACTIVEPARAM_TEXTHEIGHT);
    return true;
}

/* "X Y [VIEW]" of the session verbs point and move. */
bool parseVerbPoint(const std::string& args, Dpoint3d& point, int& view, std::string& error) {
    std::string text = args;
    std::replace(text.begin(), text.end(), ',', ' ');
    std::istringstream in(text);
    std::string x, y, v, extra;
    in >> x >> y >> v >> extra;
    view = 1;
    if (y.empty() || !extra.empty()) {
        error = "usage: point|move X Y [VIEW] (master units)";
        return false;
    }
    if (!v.empty()) {
        char* end = nullptr;
        long n = std::strtol(v.c_str(), &end, 10);
        if (*end || n < 1 || n > MAX_VIEWS) {
            error = "view number must be 1 to 8: " + v;
            return false;
        }
        view = static_cast<int>(n);
    }
    return sim::interact::parseMasterPoint(x + " " + y, point, error);
}

bool noCommand(std::string& error) {
    error = "no command is running";
    return false;
}

bool verbPoint(const std::string& args, std::string& error) {
    Dpoint3d p;
    int view;
    if (!parseVerbPoint(args, p, view, error)) return false;
    /* A data point with no command running is ignored, as a click in an idle view is. */
    if (!sim::interact::commandRunning()) return true;
    return sim::interact::dataPoint(p, view) || noCommand(error);
}

bool verbMove(const std::string& args, std::string& error) {
    Dpoint3d p;
    int view;
    if (!parseVerbPoint(args, p, view, error)) return false;
    if (!sim::interact::commandRunning()) return true;
    return sim::interact::cursorMove(p, view) || noCommand(error);
}

bool verbReset(const std::string& args, std::string& error) {
    if (!args.empty()) {
        error = "usage: reset";
        return false;
    }
    if (!sim::interact::commandRunning()) return true;
    return sim::interact::reset() || noCommand(error);
}

bool startsWithXy(const std::string& keyin) {
    size_t b = keyin.find_first_not_of(" \t");
    return b != std::string::npos && keyin.size() >= b + 3 && std::tolower(static_cast<unsigned char>(keyin[b])) == 'x' &&
           std::tolower(static_cast<unsigned char>(keyin[b + 1])) == 'y' && keyin[b + 2] == '=';
}

bool runXy(const std::string& keyin, std::string& error) {
    size_t b = keyin.find('=');
    Dpoint3d p;
    if (!sim::interact::parseMasterPoint(keyin.substr(b + 1), p, error)) return false;
    if (!sim::interact::commandRunning()) return true;
    return sim::interact::dataPoint(p, state.lastView) || noCommand(error);
}

sim::Registration registration([] {
    sim::registerSessionVerb("point", verbPoint);
    sim::registerSessionVerb("move", verbMove);
    sim::registerSessionVerb("reset", verbReset);
    sim::registerKeyin("place line", [](const std::string&, std::string&) {
        placeLineStart();
        return true;
    });
    sim::registerKeyin("place linestring", [](const std::string&, std::string&) {
        placeLineStringStart();
        return true;
    });
    sim::registerKeyin("place text", placeText);
    sim::registerKeyin("active textsize", activeTextSize);
    /* "xy=X,Y" is one word: it cannot be a registered key-in of words. */
    sim::addKeyinSource({[](const std::string& keyin) -> size_t { return startsWithXy(keyin) ? 1 : 0; }, runXy});
});

}  // namespace
