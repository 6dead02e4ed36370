/* The host's output area: plot driver files, plot descriptions and plots of
** the fence rendered to PDF. Builds on dialogs and below. */
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace sim::plot {

struct Paper {
    std::string name;
    double width, height;   /* millimetres */
};

/* What a plot driver file says (host/mdlplot.h describes the format). */
struct Driver {
    std::string name, printer, file, extension = "pdf", spool;
    int toPrinter = 0, toNamedFile = 0;
    std::vector<Paper> papers;   /* never empty after a successful parse */
};

/* Parse the text of a plot driver file. False with ERROR ("line N: why")
** for anything it does not know; OUT is then unchanged. */
bool parseDriver(const std::string& text, Driver& out, std::string& error);

/* The platform's own printers, which the Windows side lends the host: a plot
** to a system printer among them goes to that printer (its spool folder or
** its print command) instead of the driver's spool folder. */
struct PlatformPrinters {
    std::function<bool(const std::string& name)> knows;
    /* Hand the finished local FILE to printer NAME; false with ERROR. */
    std::function<bool(const std::string& name, const std::string& file, std::string& error)> send;
};
void setPlatformPrinters(PlatformPrinters printers);

}  // namespace sim::plot
