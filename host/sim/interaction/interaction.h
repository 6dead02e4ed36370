/* The host's interaction area: commands and their state functions, locate,
** placement, the command queue and the host's own drawing commands. Builds
** on display and below. */
#pragma once

#include <cstddef>
#include <functional>
#include <string>

#include "host/mdlstate.h"

/* The interaction area as hostsim, the host's own commands and the tests
** reach it: the user's data points, resets and cursor moves (see
** host/mdlstate.h for what the running command does with them). */

namespace sim::interact {

/* A data point, a reset, a cursor move: each runs as one event. POINT in
** UORs (world), VIEW 1..8. False when there is no running command or the
** view number is bad (nothing happens then). */
bool dataPoint(const Dpoint3d& point, int view);
bool reset();
bool cursorMove(const Dpoint3d& point, int view);

/* A running command (the default command is none). */
bool commandRunning();
/* Where the modify command stands: 0 locating, 1 element shown, 2 accepted;
** -1 for a primitive command or none. */
int modifyPhase();
/* True after mdlLocate_setCursor until the next command starts. */
bool locateCursorShown();

/* Parse "X,Y" or "X Y" (master units) into UORs of the active model. */
bool parseMasterPoint(const std::string& text, Dpoint3d& point, std::string& error);

/* End any command, forget locate and AccuSnap settings (tests). */
void resetForTests();

}  // namespace sim::interact

/* The fence (host/mdlplot.h): its box in world coordinates. */
namespace sim::fence {
/* False when no fence is defined. */
bool box(Dpoint3d& low, Dpoint3d& high);
/* Define the fence as the box with corners A and B. */
void set(const Dpoint3d& a, const Dpoint3d& b);
}  // namespace sim::fence

namespace sim {

/* ---- Commands --------------------------------------------------------------------- */

/* Run the queued commands now (the host does it after every event). */
void runCommandQueue();
size_t queuedCommands();
/* How often the default command was started. */
int defaultCommandStarts();
/* Called when the default command starts (the interaction area ends its command). */
void setDefaultCommandHook(std::function<void()> hook);
/* Forget every command number, command table and queued command (tests). */
void resetCommands();

}  // namespace sim
