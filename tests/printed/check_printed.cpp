/* Reads back what the pipe list's print session wrote, each file with a
** reader of its own: PostScript through Ghostscript, PCL through the PCL
** tokenizer, HPGL through hp2xx, the plotted PDF jobs through pdfinfo and
** the exported workbook through xlsx2csv.
** Usage: check_printed SESSION_FOLDER. Exit 0 when every file passes. */
#include <cstdio>
#include <string>

#include "lib/output/validators.h"

namespace {

int failures = 0;

void check(bool ok, const std::string& what, const std::string& detail = "") {
    std::printf("%s %s%s%s\n", ok ? "ok  " : "FAIL", what.c_str(), detail.empty() ? "" : ": ", detail.c_str());
    if (!ok) ++failures;
}

std::string readAll(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

/* The value pdfinfo gives after LABEL, trimmed. */
std::string pdfField(const std::string& info, const std::string& label) {
    size_t at = info.find(label);
    if (at == std::string::npos) return "";
    size_t start = info.find_first_not_of(' ', at + label.size());
    return info.substr(start, info.find('\n', start) - start);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: check_printed SESSION_FOLDER\n");
        return 2;
    }
    fs::path dir = argv[1], c = dir / "drive_c";

    GhostscriptResult gs = runGhostscript(c / "sheets.ps");
    check(gs.status == 0 && gs.pages == 2, "sheets.ps: Ghostscript reads 2 pages", gs.status ? gs.output : "");

    PclCheck pcl = checkPcl(readAll(c / "sheets.pcl"));
    check(pcl.fault.empty() && pcl.pages == 2, "sheets.pcl: well formed, 2 pages",
          pcl.fault.empty() ? std::to_string(pcl.pages) + " pages" : pcl.fault);

    Hp2xxResult hp = runHp2xx(c / "sheets.hpgl", dir / "hp2xx");
    check(hp.status == 0 && hp.ignored == 0 && hp.unexpected == 0, "sheets.hpgl: hp2xx draws it without complaint",
          hp.status || hp.ignored || hp.unexpected ? hp.output : "");

    std::string text = readAll(c / "sheets.txt");
    check(text.find("Pipe list") != std::string::npos && text.find("1500 / 1000") != std::string::npos,
          "sheets.txt: the material list with its skew pipe legs");

    for (const char* job : {"sheets_0001.pdf", "sheets_0002.pdf"}) {
        auto [status, info] = runCommand("pdfinfo '" + (c / job).string() + "'");
        std::string pages = pdfField(info, "Pages:"), size = pdfField(info, "Page size:");
        check(status == 0 && pages == "1" && size.rfind("595.276 x 841.89 pts", 0) == 0,
              std::string(job) + ": one A4 page", status ? info : pages + " page(s), " + size);
    }

    auto [xlsxStatus, csv] = runCommand("xlsx2csv -n P2 '" + (c / "sheets.xlsx").string() + "'");
    check(xlsxStatus == 0 && csv.find("skew,1322.875753,1500 / 1000") != std::string::npos,
          "sheets.xlsx: sheet P2 holds the pipe list", xlsxStatus ? csv : "");

    std::string png = readAll(dir / "preview.png");
    check(png.compare(0, 8, "\x89PNG\r\n\x1a\n") == 0, "preview.png: the preview area as a PNG picture");
    return failures ? 1 : 0;
}
