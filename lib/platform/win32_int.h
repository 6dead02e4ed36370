/* What the tests may reach of the Windows services. */
#pragma once

#include <string>

namespace zmlib::win32 {

enum : int {
    COMMAND_LINE_SIZE = 1024, /* zmlibWin32_execCommand's line, terminator included */
    DDE_COMMAND_SIZE = 256,   /* a built spreadsheet command, terminator included */
};

/* TEXT as a spreadsheet text argument: between double quotes, each quote doubled. */
std::string spreadsheetText(const std::string& text);
/* Whether a DDE conversation is open. */
bool ddeConnected();
/* Close the conversation and the DDE instance (tests, and the library's unload). */
void resetForTests();

}  // namespace zmlib::win32
