/* What the application's other files and the tests may reach of its
** start-up and life: the start-up steps, the host's callbacks and the main
** dialogs' hooks. The working state lives in tarvikstate.h. */
#pragma once

#include <cstdint>

struct DialogMessage;
struct DialogItemMessage;

/* Start-up steps. */
void tarvik_readConfigFile();
void tarvik_insertMenu();
/* Find the settings file into gd->settingsFile. */
void tarvik_findSettingsFile();
void tarvik_openMainDialog();

/* Callbacks installed with the host. */
int tarvik_unload(int unloadType);
void tarvik_newDesignFile(const char* fileName, int state);
void tarvik_cleanUp();
/* Queue the host's unload of this application and start the default command. */
void tarvik_queueUnload();

/* Dialog hooks. */
void tarvikHook_mainDialog(DialogMessage* message);
void tarvikHook_defaultSetupOption(DialogItemMessage* message);
void tarvikHook_segmentText(DialogItemMessage* message);

/* Free every record and list: at start (a run before may have left them,
** when another add-in kept the library loaded), at unload and in tests. */
void tarvik_resetState();
