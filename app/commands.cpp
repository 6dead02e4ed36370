/* The application's commands: the command table that maps command numbers
** to functions, and what each command does on entry. No state of its own. */
#include "app/commands.h"

#include <cstring>
#include <iterator>
#include <string>

#include "app/resourceids.h"
#include "app/settings.h"
#include "app/tarvik_int.h"
#include "app/tarvikstate.h"
#include "host/mdlcommand.h"
#include "host/mdldialog.h"
#include "host/mdlstate.h"
#include "lib/core/error.h"
#include "lib/core/util.h"
#include "lib/dialogs/attrdialog.h"
#include "lib/dialogs/intro.h"

namespace {

const MdlCommandNumber commandNumbers[] = {
    {cmdAbout,             0x01010000},
    {cmdHelp,              0x01050000},
    {cmdPlaceDimension,    0x01030000},
    {cmdDimensionElement,  0x01030200},
    {cmdModifyDimension,   0x01030400},
    {cmdInsertPoint,       0x01030500},
    {cmdEditText,          0x01030600},
    {cmdDeletePoint,       0x01030700},
    {cmdSkewHorizontal,    0x01030110},
    {cmdSkewVertical,      0x01030120},
    {cmdSkewCombined,      0x01030130},
    {cmdExit,              0x01020000},
    {cmdAttributes,        0x01040100},
    {cmdOpenToolbox,       0x01040700},
    {cmdOpenSettings,      0x01040200},
    {cmdSaveSettings,      0x01040300},
    {cmdSaveSettingsAs,    0x01040400},
    {cmdLoadSettings,      0x01040500},
    {cmdOpenDefaultSetups, 0x01040600},
    {nullptr,              0},
};
static_assert(std::size(commandNumbers) == 20, "19 commands and the end row");

}  // namespace

void commands_register() {
    mdlSystem_registerCommandNumbers(commandNumbers);
    mdlState_registerStringIds(LIST_COMMANDS, LIST_PROMPTS);
    if (!mdlParse_loadCommandTable(0)) zmlibError_msgBoxPrintf(ZMLIB_MSGBOX_INFO_OK, "Can't load command table");
}

/* ---- Commands ------------------------------------------------------------------------------
** The dimension commands live in dimcommands.cpp and dimmodify.cpp, the skew
** commands with their triangles in skew.cpp.
** Commands of the later stages are registered with their numbers and key-ins
** now; until their behaviour is wired in they print nothing and change nothing. */

/* Open the about box with the application's texts and settings file. */
void cmdAbout(char*) {
    auto label = [](int number) {
        std::string text(1024, '\0');
        mdlOutput_rscsPrintf(text.data(), 0, LIST_LABELS, number);
        text.resize(std::strlen(text.c_str()));
        return text;
    };
    std::string title = label(9), purpose = label(10), settings = label(11);
    WorkingState* gd = tarvik().gd;
    zmlibIntro_msgBoxNew("Tarvik", "02.04 - 13.04.2010", title.c_str(), purpose.c_str(), "for", "the CAD platform",
                         settings.c_str(), gd ? gd->settingsFile : nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                         nullptr, 0);
}

/* Open the application's manual in the host's web browser; without a
** manual in the installation nothing opens. */
void cmdHelp(char*) { zmlibWeb_openApplHelp(); }


/* Clean up and leave: the unload is queued for the application's own task. */
void cmdExit(char*) {
    tarvik_cleanUp();
    tarvik_queueUnload();
}

/* Open the attribute dialog. */
void cmdAttributes(char*) { zmlibElmAttr_dialogOpen(); }

void cmdOpenToolbox(char*) { tarvik_openMainDialog(); }

void cmdOpenSettings(char*) { mdlDialog_open(0, DIALOG_SETTINGS); }

/* Save the settings to the current settings file without asking. */
void cmdSaveSettings(char*) {
    if (WorkingState* gd = tarvik().gd) settings_save(gd->settingsFile, false);
}

/* Ask for a file and save the settings to it. */
void cmdSaveSettingsAs(char*) {
    if (WorkingState* gd = tarvik().gd) settings_save(gd->settingsFile, true);
}

/* Ask for a file and load the settings from it. */
void cmdLoadSettings(char*) {
    if (WorkingState* gd = tarvik().gd) settings_load(gd->settingsFile, true);
}

void cmdOpenDefaultSetups(char*) { mdlDialog_open(0, DIALOG_DEFAULT_SETUPS); }
