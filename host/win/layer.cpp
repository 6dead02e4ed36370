/* The simulated Windows layer as a whole: its one reset, which the host's
** reset runs with the system area's. */
#include "host/sim/base/base.h"
#include "host/win/win.h"

namespace win {

void resetForTests() {
    resetDde();
    resetProcesses();
    resetRegistry();
}

}  // namespace win

namespace {
const sim::Registration resetRegistration([] { sim::registerReset(sim::ResetStage::System, win::resetForTests); });
}
