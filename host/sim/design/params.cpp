/* The host's settings block as the add-ins reach it: locks and active
** parameters. With a design file open they live in its settings block (and
** are written through as part of the current event); without one, in a
** process-wide block. State: the process-wide values. */
#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <string>

#include "host/mdlcommand.h"
#include "host/mdllevel.h"
#include "host/sim/base/base.h"
#include "host/sim/design/design.h"

namespace {

enum class ParamForm { Int, Double, Text };

struct ParamInfo {
    int param;
    ParamForm form;
};
const ParamInfo paramTable[] = {
    {ACTIVEPARAM_COLOR,         ParamForm::Int},
    {ACTIVEPARAM_LINEWEIGHT,    ParamForm::Int},
    {ACTIVEPARAM_LINESTYLE,     ParamForm::Int},
    {ACTIVEPARAM_LEVEL,         ParamForm::Int},
    {ACTIVEPARAM_CLASS,         ParamForm::Int},
    {ACTIVEPARAM_FONT,          ParamForm::Int},
    {ACTIVEPARAM_ANGLE,         ParamForm::Double},
    {ACTIVEPARAM_SCALE,         ParamForm::Double},
    {ACTIVEPARAM_TEXTHEIGHT,    ParamForm::Double},
    {ACTIVEPARAM_TEXTWIDTH,     ParamForm::Double},
    {ACTIVEPARAM_GRAPHICGROUP,  ParamForm::Int},
    {ACTIVEPARAM_LINESTYLENAME, ParamForm::Text},
};

struct ParamsState {
    std::map<int, int> locks;
    std::map<int, int32_t> ints;
    std::map<int, double> doubles;
    std::map<int, std::string> texts;
};
ParamsState state;

const ParamInfo* findParam(int param) {
    for (const ParamInfo& p : paramTable)
        if (p.param == param) return &p;
    return nullptr;
}

sim::design::Settings* fileSettings() {
    DgnFile* f = sim::design::activeFile();
    return f ? &f->settings : nullptr;
}

/* The settings-block field behind an integer parameter, or null. */
template <typename Fn>
bool withIntField(sim::design::Settings& s, int param, Fn fn) {
    switch (param) {
    case ACTIVEPARAM_COLOR: { int32_t v = static_cast<int32_t>(s.activeColour); fn(v); s.activeColour = static_cast<uint32_t>(v); return true; }
    case ACTIVEPARAM_LINEWEIGHT: { int32_t v = static_cast<int32_t>(s.activeWeight); fn(v); s.activeWeight = static_cast<uint32_t>(v); return true; }
    case ACTIVEPARAM_LINESTYLE: { int32_t v = s.activeStyle; fn(v); s.activeStyle = v; return true; }
    case ACTIVEPARAM_LEVEL: { int32_t v = static_cast<int32_t>(s.activeLevel); fn(v); s.activeLevel = static_cast<uint32_t>(v); return true; }
    case ACTIVEPARAM_CLASS: { int32_t v = s.activeClass; fn(v); s.activeClass = v; return true; }
    case ACTIVEPARAM_FONT: { int32_t v = s.activeFont; fn(v); s.activeFont = v; return true; }
    case ACTIVEPARAM_GRAPHICGROUP: { int32_t v = static_cast<int32_t>(s.graphicGroup); fn(v); s.graphicGroup = static_cast<uint32_t>(v); return true; }
    default: return false;
    }
}

/* The settings-block field behind a double parameter (the angle is kept in degrees there). */
template <typename Fn>
bool withDoubleField(sim::design::Settings& s, int param, Fn fn) {
    switch (param) {
    case ACTIVEPARAM_ANGLE: { double v = s.activeAngle * M_PI / 180.0; fn(v); s.activeAngle = v * 180.0 / M_PI; return true; }
    case ACTIVEPARAM_TEXTHEIGHT: { double v = s.textHeight; fn(v); s.textHeight = v; return true; }
    case ACTIVEPARAM_TEXTWIDTH: { double v = s.textWidth; fn(v); s.textWidth = v; return true; }
    default: return false;
    }
}

}  // namespace

namespace sim {
void resetParams() { state = ParamsState{}; }

static Registration resetRegistration([] { registerReset(ResetStage::Design, resetParams); });
}  // namespace sim

HOST_API int mdlParams_getLock(int lock) {
    if (sim::design::Settings* s = fileSettings()) {
        for (auto& [number, on] : s->locks)
            if (number == lock) return on;
        return 0;
    }
    auto it = state.locks.find(lock);
    return it == state.locks.end() ? 0 : it->second;
}

HOST_API void mdlParams_setLock(int lock, int value) {
    int on = value ? 1 : 0;
    if (sim::design::Settings* s = fileSettings()) {
        auto it = std::find_if(s->locks.begin(), s->locks.end(), [&](auto& l) { return l.first == lock; });
        if (it != s->locks.end()) it->second = on;
        else s->locks.emplace_back(lock, on);
        sim::design::saveSettings();
        return;
    }
    state.locks[lock] = on;
}

HOST_API StatusInt mdlParams_getActive(void* value, int param) {
    const ParamInfo* p = findParam(param);
    if (!p || !value) return HOST_ERROR;
    if (sim::design::Settings* s = fileSettings()) {
        if (withIntField(*s, param, [&](int32_t& v) { std::memcpy(value, &v, sizeof v); })) return HOST_SUCCESS;
        if (withDoubleField(*s, param, [&](double& v) { std::memcpy(value, &v, sizeof v); })) return HOST_SUCCESS;
        if (param == ACTIVEPARAM_LINESTYLENAME)
            return mdlLineStyle_nameFromNumber(static_cast<char*>(value), MAX_PARAM_TEXT, s->activeStyle, nullptr) == 0
                       ? HOST_SUCCESS : HOST_ERROR;
    }
    switch (p->form) {
    case ParamForm::Int: {
        int32_t v = state.ints.count(param) ? state.ints[param] : (param == ACTIVEPARAM_SCALE ? 1 : 0);
        std::memcpy(value, &v, sizeof v);
        break;
    }
    case ParamForm::Double: {
        double v = state.doubles.count(param) ? state.doubles[param] : (param == ACTIVEPARAM_SCALE ? 1.0 : 0.0);
        std::memcpy(value, &v, sizeof v);
        break;
    }
    case ParamForm::Text: {
        sim::copyFixed(static_cast<char*>(value), MAX_PARAM_TEXT, state.texts[param]);
        break;
    }
    }
    return HOST_SUCCESS;
}

HOST_API StatusInt mdlParams_setActive(const void* value, int param) {
    const ParamInfo* p = findParam(param);
    if (!p || !value) return HOST_ERROR;
    if (sim::design::Settings* s = fileSettings()) {
        const sim::design::Settings before = *s;
        bool done = withIntField(*s, param, [&](int32_t& v) { std::memcpy(&v, value, sizeof v); }) ||
                    withDoubleField(*s, param, [&](double& v) { std::memcpy(&v, value, sizeof v); });
        if (!done && param == ACTIVEPARAM_LINESTYLENAME) {
            char name[MAX_PARAM_TEXT];
            sim::copyFixed(name, static_cast<const char*>(value));
            Int32 number = 0;
            if (mdlLineStyle_numberFromName(&number, name, nullptr) != 0) return HOST_ERROR;
            s->activeStyle = number;
            done = true;
        }
        if (done) {
            /* Commands set the same values over and over while they draw: only a change is written. */
            if (!(*s == before)) sim::design::saveSettings();
            return HOST_SUCCESS;
        }
    }
    switch (p->form) {
    case ParamForm::Int: std::memcpy(&state.ints[param], value, sizeof(int32_t)); break;
    case ParamForm::Double: std::memcpy(&state.doubles[param], value, sizeof(double)); break;
    case ParamForm::Text: {
        const char* t = static_cast<const char*>(value);
        state.texts[param] = std::string(t, strnlen(t, MAX_PARAM_TEXT - 1));
        break;
    }
    }
    return HOST_SUCCESS;
}
