/* What the application's other files and the tests may reach: its records
** and working state, the start-up steps, the callbacks, hooks and commands. */
#pragma once

#include <cstdint>
#include "app/dimension.h"
#include "app/settings.h"
#include "host/mdltypes.h"

struct DialogMessage;
struct DialogItemMessage;
struct MenuBarMenu;
union MSElement;

/* State of the running command and the current settings file. */
struct WorkingState {
    int32_t current;             /* segments placed so far, or the index of the located component */
    Dpoint3d firstPoint;         /* first data point of a command, UORs */
    Dpoint3d projectedPoint;     /* the cursor projected on an isometric direction through firstPoint */
    Dpoint3d baseOrigin;         /* first vertex of the located segment */
    Dpoint3d locatedEnd;         /* second vertex of the located segment */
    double locatedAngle;         /* direction of that segment, radians in [0, 2 pi) */
    double locatedAxisAngle;     /* isometric axis the locate filter matched */
    int32_t locatedRotation;     /* 1 (30 degrees), 2 (330), 3 (90) */
    double textStart;            /* position of a text along its segment when a move starts */
    uint8_t skewMode;            /* 1 while a skew-triangle command runs */
    int32_t pickView;            /* view of the first data point of a locate-based command */
    char settingsFile[256];      /* full path of the current settings file */
};

typedef void (*LocatedElementFunction)(Dpoint3d* point, int drawMode);

/* The application's module-level values. */
struct TarvikState {
    UserInterfaceData* settings;      /* published as "uid" */
    WorkingState* gd;
    DimensionRecord* editCopy;        /* the dimension the modify commands rebuild */
    DimensionRecord* activeDimension; /* dimTemplate or editCopy */
    int savedLockState;               /* lock 517 when placement took its first point: -1 unknown, 0 off, 1 on */
    MenuBarMenu* menu;                /* inserted into the command window's menu bar */
    LocatedElementFunction locatedElementFunction;
    bool exiting;                     /* the unload is queued: the main dialog's end queues no second one */
};
TarvikState& tarvik();

enum : int32_t {
    DIALOG_SETTINGS = 2,
    DIALOG_TEXT_EDIT = 3,
    DIALOG_DEFAULT_SETUPS = 4,
    DIALOG_MAIN = 10,
    HOOK_MAIN_DIALOG = 1,
    HOOK_DEFAULT_SETUP_OPTION = 3,
    ITEM_DEFAULT_SETUP_OPTION = 2,
    MENU_TARVIK = 1,
    MENU_HOST_BEFORE = -522,
    LIST_PROMPTS = 1,
    LIST_LABELS = 2,
    LIST_COMMANDS = 3,
};

enum : uint32_t {
    TYPE_PULLDOWN = 0x70644D6E, /* 'pdMn' */
    TYPE_OPTIONBUTTON = 0x6F42746E, /* 'oBtn' */
    TYPE_DIALOG = 0x64426F78, /* 'dBox' */
};

/* Start-up steps. */
void tarvik_readConfigFile();
void tarvik_insertMenu();
/* Find the settings file into gd->settingsFile. */
void tarvik_findSettingsFile();
void tarvik_openMainDialog();
/* Register the command numbers and load the key-in table. */
void tarvik_registerCommands();

/* Callbacks installed with the host. */
int tarvik_unload(int unloadType);
void tarvik_newDesignFile(const char* fileName, int state);
void tarvik_cleanUp();
/* Queue the host's unload of this application and start the default command. */
void tarvik_queueUnload();

/* Lock 517 around the placement and locate commands. */
void tarvik_saveLock();
void tarvik_restoreLock();

/* The locate-based commands share these steps: the placement filter (an
** isometric line, or with skewMode a skew one, into baseOrigin, locatedEnd,
** locatedAngle, locatedRotation and locatedAxisAngle) and the locate
** handler with its confirm and next steps, which run the stored
** locatedElementFunction. RESTART is the running command's own start. */
int tarvik_placementFilter(MSElement* element, DgnModelRefP model, UInt32 filePos, Dpoint3d* point, int view);
void tarvik_locateHandler(Dpoint3d* point, int view);
/* Show prompt N of the prompt list in the prompt field. */
void tarvik_prompt(int n);

/* Dialog hooks. */
void tarvikHook_mainDialog(DialogMessage* message);
void tarvikHook_defaultSetupOption(DialogItemMessage* message);

/* Commands. */
void cmdAbout(char* unparsed);
void cmdHelp(char* unparsed);
void cmdPlaceDimension(char* unparsed);
void cmdDimensionElement(char* unparsed);
void cmdModifyDimension(char* unparsed);
void cmdInsertPoint(char* unparsed);
void cmdEditText(char* unparsed);
void cmdDeletePoint(char* unparsed);
void cmdSkewHorizontal(char* unparsed);
void cmdSkewVertical(char* unparsed);
void cmdSkewCombined(char* unparsed);
void cmdExit(char* unparsed);
void cmdAttributes(char* unparsed);
void cmdOpenToolbox(char* unparsed);
void cmdOpenSettings(char* unparsed);
void cmdSaveSettings(char* unparsed);
void cmdSaveSettingsAs(char* unparsed);
void cmdLoadSettings(char* unparsed);
void cmdOpenDefaultSetups(char* unparsed);

/* Free every record (tests, and the add-in's own unload). */
void tarvik_resetForTests();
