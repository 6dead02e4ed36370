/* The application's working state: the records MdlMain allocates (the
** settings, the state of the running command, the modify commands' copy of
** a dimension) and the values the commands share, all reached through
** tarvik(). Every app file depends on this room, not on the start-up. */
#pragma once

#include <cstdint>
#include "app/dimension.h"
#include "app/settings.h"
#include "host/mdltypes.h"

struct MenuBarMenu;

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
    int locatedPrompt;                /* prompt once the element is located: what the next point does */
    bool textTyped;                   /* dimText was typed for the next new segment (measured texts wait) */
    bool refusalShown;                /* the status field says why the pick at refusedAt took nothing */
    Dpoint3d refusedAt;
    int pickRefusal;                  /* during locate_find: the first reason met (0 none); -1 otherwise */
};
TarvikState& tarvik();

/* Allocate the settings (with their defaults), the working state and
** editCopy, and make dimTemplate the active dimension. False when any is
** missing: the user was told, and the application cannot work without them. */
bool tarvikState_allocateRecords();
/* Free the three records; the pointers to them become null. */
void tarvikState_freeRecords();
/* Free the records and put every value back to its start. */
void tarvikState_resetForTests();
