/* Plot descriptions and the plot: the fence's area of the active model drawn
** on one sheet of the chosen paper as a PDF file, one page per copy, or
** handed to the system printer's spool folder. State: none beyond the
** descriptions the callers hold. */
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <sys/stat.h>

#include "host/mdlplot.h"
#include "host/mdlsystem.h"
#include "host/sim/base/base.h"
#include "host/sim/design/design.h"
#include "host/sim/display/display.h"
#include "host/sim/interaction/interaction.h"
#include "host/sim/output/output.h"
#include "host/sim/system/system.h"

struct PlotDesc {
    sim::plot::Driver driver;
    size_t paper = 0;
    int units = 0;
    UInt32 viewFlags = 0;
    int copies = 1;
    bool fenced = false, maximized = false;
    Dpoint3d low{}, high{};
};

namespace {

constexpr double POINTS_PER_MM = 72.0 / 25.4;
enum : int { MAX_COPIES = 99, MAX_SPOOL_JOBS = 9999 };

void say(const std::string& text) { sim::addOutput(sim::OutputKind::Console, 0, text + "\n"); }

bool readText(const std::string& local, std::string& text) {
    std::ifstream in(local, std::ios::binary);
    if (!in) return false;
    std::ostringstream all;
    all << in.rdbuf();
    text = all.str();
    return true;
}

bool exists(const std::string& local) {
    struct stat st;
    return ::stat(local.c_str(), &st) == 0;
}

sim::plot::PlatformPrinters platformPrinters;
int printerJobs = 0; /* plots handed to platform printers in this process */

/* A job's name: the active design file's name without its extension. */
std::string jobBase() {
    std::string base = "plot";
    if (const sim::design::DesignFile* f = sim::design::activeFile()) {
        base = f->path.substr(f->path.find_last_of('/') + 1);
        base = base.substr(0, base.find('.'));
    }
    return base;
}

/* A free job name in the spool folder: "<design>_NNNN.pdf". */
std::string spoolFile(const std::string& folder, std::string& error) {
    std::string local = sim::hostPath(sim::expandVariables(folder));
    if (local.empty() || !exists(local)) {
        error = "the system printer's spool folder " + folder + " does not exist";
        return {};
    }
    if (local.back() != '/') local += '/';
    const std::string base = jobBase();
    for (int n = 1; n <= MAX_SPOOL_JOBS; ++n) {
        char name[32];
        std::snprintf(name, sizeof name, "_%04d.pdf", n);
        if (!exists(local + base + name)) return local + base + name;
    }
    error = "the system printer's spool folder is full";
    return {};
}

bool copyOut(char* value, int size, const std::string& text) {
    if (!value || size <= 0) return false;
    sim::copyFixed(value, size, text);
    return true;
}

}  // namespace

StatusInt mdlPlotDesc_createFromTCBAndPltFile(PlotDesc** out, const char* pltFile) {
    if (!out) return HOST_ERROR;
    *out = nullptr;
    std::string found, text, error;
    if (!pltFile || !sim::findFile(pltFile, "MS_PLTR", ".plt", true, found)) {
        say(std::string("plot driver file ") + (pltFile ? pltFile : "") + " not found");
        return HOST_ERROR;
    }
    if (!readText(sim::hostPath(found), text)) {
        say("cannot read the plot driver file " + found);
        return HOST_ERROR;
    }
    auto desc = std::make_unique<PlotDesc>();
    if (!sim::plot::parseDriver(text, desc->driver, error)) {
        say("plot driver file " + found + ": " + error);
        return HOST_ERROR;
    }
    *out = desc.release();
    return HOST_SUCCESS;
}

void mdlPlotDesc_destroy(PlotDesc** desc) {
    if (!desc) return;
    delete *desc;
    *desc = nullptr;
}

StatusInt mdlPlotDesc_setPaperSize(PlotDesc* desc, const char* paperName) {
    if (!desc || !paperName) return HOST_ERROR;
    std::string wanted = sim::lower(paperName);
    for (size_t i = 0; i < desc->driver.papers.size(); ++i) {
        if (desc->driver.papers[i].name != wanted) continue;
        desc->paper = i;
        return HOST_SUCCESS;
    }
    return HOST_ERROR;
}

StatusInt mdlPlotDesc_setUnits(PlotDesc* desc, int units) {
    if (!desc) return HOST_ERROR;
    desc->units = units;
    return HOST_SUCCESS;
}

StatusInt mdlPlotDesc_setViewFlags(PlotDesc* desc, UInt32 viewFlags) {
    if (!desc) return HOST_ERROR;
    desc->viewFlags = viewFlags;
    return HOST_SUCCESS;
}

StatusInt mdlPlotDesc_setNumCopies(PlotDesc* desc, int copies) {
    if (!desc || copies < 1 || copies > MAX_COPIES) return HOST_ERROR;
    desc->copies = copies;
    return HOST_SUCCESS;
}

StatusInt mdlPlotDesc_setFenceFromTCB(PlotDesc* desc) {
    if (!desc || !sim::fence::box(desc->low, desc->high)) return HOST_ERROR;
    desc->fenced = true;
    return HOST_SUCCESS;
}

StatusInt mdlPlotDesc_maximize(PlotDesc* desc) {
    if (!desc) return HOST_ERROR;
    desc->maximized = true;
    return HOST_SUCCESS;
}

StatusInt mdlPlotDesc_plot(PlotDesc* desc, const char* outFile) {
    if (!desc) return HOST_ERROR;
    if (!desc->fenced) {
        say("plot: no fence to plot");
        return HOST_ERROR;
    }
    const sim::plot::Paper& paper = desc->driver.papers[desc->paper];
    double width = paper.width * POINTS_PER_MM, height = paper.height * POINTS_PER_MM;
    double dx = desc->high.x - desc->low.x, dy = desc->high.y - desc->low.y;
    /* Unscaled, a master unit is a millimetre on the paper. */
    double uorPerMaster = sim::design::uorPerMaster(nullptr);
    double pointsPerUor = desc->maximized ? std::min(width / dx, height / dy)
                                          : uorPerMaster > 0 ? POINTS_PER_MM / uorPerMaster : 0;

    std::string error, local, shown;
    std::string jobFolder; /* a plot to a platform printer is made here first */
    if (outFile && *outFile) {
        local = sim::hostPath(outFile);
        shown = outFile;
        if (local.empty()) error = std::string("cannot write ") + outFile;
    } else if (!desc->driver.printer.empty() && platformPrinters.knows && platformPrinters.knows(desc->driver.printer)) {
        std::error_code ec;
        std::string pattern = (std::filesystem::temp_directory_path(ec) / "hostsim-plot-XXXXXX").string();
        if (!ec && ::mkdtemp(pattern.data())) {
            jobFolder = pattern;
            /* Jobs are numbered in the process, so that a printer's folder keeps every page. */
            char name[32];
            std::snprintf(name, sizeof name, "_%04d.pdf", ++printerJobs);
            local = jobFolder + "/" + jobBase() + name;
            shown = desc->driver.printer;
        } else {
            error = "cannot make a plot for " + desc->driver.printer;
        }
    } else {
        std::string folder = desc->driver.spool.empty() ? "$(MS_PLTFILES)" : desc->driver.spool;
        local = spoolFile(folder, error);
        /* Named as the workspace names the folder, so that logs read the same on every machine. */
        shown = folder;
        if (!shown.empty() && shown.back() != '\\' && shown.back() != '/') shown += '\\';
        shown += local.substr(local.find_last_of('/') + 1);
    }
    std::string temporary = local + ".part";
    if (error.empty()) {
        std::string svg = sim::view::svgOfArea(desc->low, desc->high, width, height, pointsPerUor);
        if (!sim::view::writePdf(svg, width, height, desc->copies, temporary, error) ||
            std::rename(temporary.c_str(), local.c_str()) != 0) {
            std::remove(temporary.c_str());
            if (error.empty()) error = "cannot write " + shown;
        }
    }
    if (!jobFolder.empty()) {
        if (error.empty()) platformPrinters.send(desc->driver.printer, local, error);
        std::error_code ignored;
        std::filesystem::remove_all(jobFolder, ignored);
    }
    if (!error.empty()) {
        say("plot: " + error);
        return HOST_ERROR;
    }
    char line[64];
    std::snprintf(line, sizeof line, " (%s, %g x %g mm, %d page%s)", paper.name.c_str(), paper.width, paper.height,
                  desc->copies, desc->copies == 1 ? "" : "s");
    sim::addOutput(sim::OutputKind::Host, 0, "plotted " + shown + line);
    return HOST_SUCCESS;
}

StatusInt mdlPlotDesc_getInteger(int* value, PlotDesc* desc, int which) {
    if (!value || !desc) return HOST_ERROR;
    switch (which) {
    case PLOTDESC_INT_TO_PRINTER: *value = desc->driver.toPrinter; return HOST_SUCCESS;
    case PLOTDESC_INT_TO_NAMED_FILE: *value = desc->driver.toNamedFile; return HOST_SUCCESS;
    default: return HOST_ERROR;
    }
}

StatusInt mdlPlotDesc_getString(char* value, int size, PlotDesc* desc, int which) {
    if (!desc) return HOST_ERROR;
    switch (which) {
    case PLOTDESC_STRING_FILE: return copyOut(value, size, desc->driver.file) ? HOST_SUCCESS : HOST_ERROR;
    case PLOTDESC_STRING_EXTENSION: return copyOut(value, size, desc->driver.extension) ? HOST_SUCCESS : HOST_ERROR;
    default: return HOST_ERROR;
    }
}

StatusInt mdlPlotDesc_getSysPrinter(char* name, int size, PlotDesc* desc) {
    if (!desc) return HOST_ERROR;
    return copyOut(name, size, desc->driver.printer) ? HOST_SUCCESS : HOST_ERROR;
}

StatusInt mdlPlotter_showSystemPrintdlg(char* printer, int printerSize, char* paper, int paperSize) {
    char value[256];
    std::string chosenPrinter = "System printer", chosenPaper = "A4";
    if (mdlSystem_getenv(value, "_HOST_SYSTEM_PRINTER", sizeof value) == 0 && *value) chosenPrinter = value;
    if (mdlSystem_getenv(value, "_HOST_SYSTEM_PAPER", sizeof value) == 0 && *value) chosenPaper = value;
    copyOut(printer, printerSize, chosenPrinter);
    copyOut(paper, paperSize, chosenPaper);
    return HOST_SUCCESS;
}

namespace sim::plot {

void setPlatformPrinters(PlatformPrinters printers) { platformPrinters = std::move(printers); }

}  // namespace sim::plot
