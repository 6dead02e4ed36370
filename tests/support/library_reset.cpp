/* In test programs that link the library (and the application), the host's
** one reset puts their process-wide state back too: after the host unloaded
** the applications that used it (the host library registers its resets
** before this program's initialisers run), before the host's areas. */
#include "host/sim/base/base.h"
#include "lib/core/error_int.h"
#include "lib/core/main_int.h"
#include "lib/core/util_int.h"
#include "lib/dialogs/attrdialog_int.h"
#include "lib/dialogs/intro_int.h"
#include "lib/dialogs/select_int.h"
#include "lib/elements/elmattr_int.h"
#include "lib/geometry/clothoid_int.h"
#include "lib/geometry/geo_int.h"
#ifdef ZM_TEST_LINKS_APP
#include "app/tarvik_int.h"
#endif

namespace {

void resetLibrary() {
#ifdef ZM_TEST_LINKS_APP
    tarvik_resetState();
#endif
    zmlib::main::resetForTests();
    zmlib::error::resetForTests();
    zmlib::util::resetForTests();
    zmlib::elmattr::resetForTests();
    zmlib::attrdialog::resetForTests();
    zmlib::intro::resetForTests();
    zmlib::select::resetForTests();
    geo::resetForTests();
    clothoid::resetForTests();
}

sim::Registration registration([] { sim::registerReset(sim::ResetStage::Applications, resetLibrary); });

}  // namespace
