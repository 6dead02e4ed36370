/* What was shown: every element displayed goes to the views' sink, then to
** the display hook or, without one, to a log that tests read. State:
** ShownState (the hook and the log); the views' sink and refresh outlive it. */
#include <cstring>
#include <utility>

#include "host/mdlelement.h"
#include "host/mdlview.h"
#include "host/sim/design/design_int.h"

using namespace sim::elem;

namespace sim::design {
namespace {

constexpr size_t MAX_SHOWN = 100000;

struct ShownState {
    DisplayHook hook;
    std::vector<Shown> shown;
    std::vector<std::vector<uint8_t>> spareShown;   /* buffers of trimmed log entries, for reuse */
};
ShownState state;

ViewSink viewSink = nullptr;        /* neither is part of STATE: resetForTests keeps them */
ViewRefresh viewRefresh = nullptr;

}  // namespace

void setDisplayHook(DisplayHook hook) { state.hook = std::move(hook); }

void setViewSink(ViewSink sink) { viewSink = sink; }

void setViewRefresh(ViewRefresh refresh) { viewRefresh = refresh; }

const std::vector<Shown>& shownLog() { return state.shown; }

void clearShownLog() { state.shown.clear(); }

void resetShown() { state = ShownState{}; }

void refreshViews() {
    if (viewRefresh) viewRefresh();
}

}  // namespace sim::design

using namespace sim::design;

void mdlElement_display(const MSElement* element, int drawMode) {
    if (!element || !wellFormed(element->bytes, MAX_ELEMENT_SIZE)) return;
    if (viewSink) viewSink(element, activeModel(), drawMode);
    if (state.hook) {
        state.hook(element, activeModel(), drawMode);
        return;
    }
    if (state.shown.size() >= MAX_SHOWN) {
        /* Trim the older half; its buffers serve the next entries, so that a
        ** long dynamics session does not allocate for every element shown. */
        for (size_t i = 0; i < MAX_SHOWN / 2 && state.spareShown.size() < MAX_SHOWN / 2; ++i)
            if (state.shown[i].element.capacity()) state.spareShown.push_back(std::move(state.shown[i].element));
        state.shown.erase(state.shown.begin(), state.shown.begin() + MAX_SHOWN / 2);
    }
    std::vector<uint8_t> copy;
    if (drawMode == DRAW_MODE_TEMP_DRAW) {
        /* Dynamics are logged by their mode alone: they come at every cursor
        ** move, and the views' transient layer holds their records. */
        state.shown.push_back({drawMode, std::move(copy)});
        return;
    }
    if (!state.spareShown.empty()) {
        copy = std::move(state.spareShown.back());
        state.spareShown.pop_back();
    }
    copy.assign(element->bytes, element->bytes + sizeBytes(element->bytes));
    state.shown.push_back({drawMode, std::move(copy)});
}
