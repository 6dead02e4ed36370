/* The host's settings block as the add-ins reach it: locks and active
** parameters. Kept process-wide for now; it moves into the design file's
** settings once design files carry one. State: the lock and parameter values. */
#include <algorithm>
#include <cstring>
#include <map>
#include <string>

#include "host/mdlcommand.h"
#include "host/sim/sim_dialog.h"

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

}  // namespace

namespace sim {
void resetParams() { state = ParamsState{}; }
}  // namespace sim

HOST_API int mdlParams_getLock(int lock) {
    auto it = state.locks.find(lock);
    return it == state.locks.end() ? 0 : it->second;
}

HOST_API void mdlParams_setLock(int lock, int value) { state.locks[lock] = value ? 1 : 0; }

HOST_API StatusInt mdlParams_getActive(void* value, int param) {
    const ParamInfo* p = findParam(param);
    if (!p || !value) return HOST_ERROR;
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
        const std::string& t = state.texts[param];
        char* out = static_cast<char*>(value);
        size_t n = std::min(t.size(), static_cast<size_t>(MAX_PARAM_TEXT - 1));
        std::memcpy(out, t.data(), n);
        out[n] = '\0';
        break;
    }
    }
    return HOST_SUCCESS;
}

HOST_API StatusInt mdlParams_setActive(const void* value, int param) {
    const ParamInfo* p = findParam(param);
    if (!p || !value) return HOST_ERROR;
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
