/* The simulated Windows layer as a whole: its one reset, which the host's
** reset runs with the system area's, and the printers it lends the host's
** plotting. */
#include "host/sim/base/base.h"
#include "host/sim/output/output.h"
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

/* A plot to a printer of the table is printed there. An empty name is no
** printer's here: the table's default stands for "any printer" only when asked. */
const sim::Registration printersRegistration([] {
    sim::plot::setPlatformPrinters({
        [](const std::string& name) { return !name.empty() && win::findPrinter(name).has_value(); },
        [](const std::string& name, const std::string& file, std::string& error) {
            std::optional<win::Printer> printer = win::findPrinter(name);
            if (!printer) {
                error = "no printer " + name;
                return false;
            }
            return win::sendToPrinter(*printer, file, error);
        },
    });
});
}
