/* Interactive commands of the platform: the command state machine that
** carries the user's data points, resets and cursor moves to the running
** command, locate (finding the element under a data point), AccuSnap
** switches and the element that locate last accepted.
**
** ---- The state machine ----------------------------------------------------
** At most one command runs at a time; starting a command ends the one before
** (its clean function runs when it had an element on show). Events:
**   data point (point, view)  a click or an "xy=" key-in
**   reset                     the right button
**   cursor move (point, view) the pointer moved: dynamics
** Each event is one host event (one transaction, one undo step). Every state
** function runs on behalf of the application that installed it.
**
** Primitive command, mdlState_startPrimitive(dataPoint, reset, cmd, prompt):
**   data point  -> the current data point function (point, view)
**   reset       -> the current reset function ()
**   cursor move -> the current dynamics function (point, view, DRAW_MODE_TEMP_DRAW),
**                  when one is installed with mdlState_setFunction(STATEFUNC_DYNAMICS)
** The command changes its own states by installing other functions with
** mdlState_setFunction; mdlLocate_findElement locates on its behalf.
**
** Modify command, mdlState_startModifyCommand(reset, dataPoint, dynamics,
** show, clean, cmd, prompt, modifyFence, pointCount):
**   LOCATE  data point: locate at the point with the search set up by
**           mdlLocate_* (the post-locate filter decides); nothing accepted:
**           stay. Accepted: the element is highlighted and the show
**           function runs; with pointCount 1 the same point goes on to the
**           data point function at once (state ACCEPTED), otherwise the
**           command waits in SHOWN.
**           reset: the reset function. No dynamics.
**   SHOWN   data point: the data point function (the element is accepted;
**           state ACCEPTED). reset: the clean function, then the next
**           candidate at the same place (shown again) or, when there is
**           none, back to LOCATE. cursor move: the dynamics function.
**   ACCEPTED every event goes to the functions installed now (the command
**           may replace them with mdlState_setFunction), as in a primitive
**           command.
** mdlState_restartCurrentCommand puts back the functions the command was
** started with, forgets the located element (un-highlighting it when it
** still exists), clears dynamics and shows the command's messages again.
** mdlState_startDefaultCommand ends the command; events then do nothing.
**
** Messages: CMD and PROMPT are numbers of the starting application's
** command and prompt message lists (mdlState_registerStringIds; list 1 for
** both until then) in its resource file, shown in the command and prompt
** fields (0: leave the field as it is).
**
** ---- Locate ----------------------------------------------------------------
** A data point locates the elements of the active model whose drawing passes
** within LOCATE_TOLERANCE_PIXELS of the point in the view (the view's window
** area over VIEW_PIXEL_WIDTH pixels gives the scale). Components of cells and
** complex chains are candidates of their own; the located element is then
** the top header (file position 1) and the component the one hit (file
** position 5); right after that candidate the same component comes once
** more as an element of its own (then file positions 1 and 5 are both the
** component's), so that a "next" search reaches a component by itself.
** Candidates are ordered by distance, ties by the later file position first. A candidate passes the search mask when its own type and
** its header's type are in the mask, and, after mdlLocate_noElemNoLocked,
** when it is not locked; the post-locate filter then answers
** LOCATE_FILTER_ACCEPT (2) or LOCATE_FILTER_REJECT (0). */
#pragma once

#include "host/mdltypes.h"

union MSElement;

/* ---- State functions ------------------------------------------------------ */
typedef void (*StateFunc)(void);   /* any state function, cast to this type */
typedef void (*StateFunc_DataPoint)(Dpoint3d* point, int view);
typedef void (*StateFunc_Reset)(void);
typedef void (*StateFunc_Dynamics)(Dpoint3d* point, int view, int drawMode);
typedef void (*StateFunc_Show)(void);
typedef void (*StateFunc_Clean)(void);

enum StateFunctionType : int {
    STATEFUNC_DATAPOINT = 1,
    STATEFUNC_RESET = 2,
    STATEFUNC_DYNAMICS = 4,
};

/* Start a primitive command (see above). Null functions do nothing. */
HOST_API void mdlState_startPrimitive(StateFunc_DataPoint dataPoint, StateFunc_Reset reset, int commandMessage,
                                      int promptMessage);
/* Start a modify command (see above). MODIFYFENCE is kept for callers. */
HOST_API void mdlState_startModifyCommand(StateFunc_Reset reset, StateFunc_DataPoint dataPoint,
                                          StateFunc_Dynamics dynamics, StateFunc_Show show, StateFunc_Clean clean,
                                          int commandMessage, int promptMessage, int modifyFence, int pointCount);
/* The message lists of the calling application's command and prompt numbers. */
HOST_API void mdlState_registerStringIds(int commandListId, int promptListId);
/* Install FN (null: none) as the running command's function of TYPE
** (STATEFUNC_*). 0, or HOST_ERROR for another type or no running command. */
HOST_API StatusInt mdlState_setFunction(int type, StateFunc fn);
/* Back to the running command's first state (see above). */
HOST_API void mdlState_restartCurrentCommand(void);
/* mdlState_startDefaultCommand is declared in host/mdlcommand.h. */

/* ---- Locate --------------------------------------------------------------- */
enum : int {
    LOCATE_TOLERANCE_PIXELS = 10,
    LOCATE_FILTER_REJECT = 0,
    LOCATE_FILTER_ACCEPT = 2,
    LOCATE_POSTLOCATE = 4,     /* mdlLocate_setFunction: the post-locate filter */
};
/* The post-locate filter: ELEMENT is the located (top) element at FILEPOS of
** MODEL; POINT the data point. Answer LOCATE_FILTER_ACCEPT or LOCATE_FILTER_REJECT. */
typedef int (*LocateFilterFunc)(MSElement* element, DgnModelRefP model, UInt32 filePos, Dpoint3d* point, int view);

/* Search every graphic type, locked elements included. */
HOST_API void mdlLocate_normal(void);
/* Search no type (add them with mdlLocate_setElemSearchMask) and never locked elements. */
HOST_API void mdlLocate_noElemNoLocked(void);
/* Add COUNT element TYPES to the search. */
HOST_API void mdlLocate_setElemSearchMask(int count, const int* types);
/* Forget the candidates and the located element (a new search). */
HOST_API void mdlLocate_init(void);
/* Show the locate cursor. */
HOST_API void mdlLocate_setCursor(void);
/* Install FN for TYPE (LOCATE_POSTLOCATE; null removes it). 0 or HOST_ERROR. */
HOST_API StatusInt mdlLocate_setFunction(int type, LocateFilterFunc fn);
/* Locate at POINT in VIEW (NEXT 0: a new search there; NEXT non-zero: the
** next candidate of the last search, POINT and VIEW then unused). SEARCHTYPE
** is kept for callers. HILITE non-zero highlights the accepted element (and
** un-highlights the previous one). Answers the located element's file
** position, 0 when no candidate was accepted. */
HOST_API UInt32 mdlLocate_findElement(Dpoint3d* point, int view, BoolInt next, int searchType, BoolInt hilite);
/* The point of the located component nearest the data point (world) and, for
** a line, line string or shape, the index k of the hit segment (vertices k
** and k + 1; -1 for other types). Either output may be null. 0, or HOST_ERROR
** when nothing is located. */
HOST_API StatusInt mdlLocate_getProjectedPoint(Dpoint3d* point, int* segment);

enum : int {
    FILEPOS_LOCATED_ELEMENT = 1,    /* the located top element */
    FILEPOS_LOCATED_COMPONENT = 5,  /* the component that was hit (the element itself when simple) */
};
/* File position of the located element or component (WHAT as above); MODEL
** (may be null) gets its model. 0 when nothing is located or WHAT is another value. */
HOST_API UInt32 mdlElement_getFilePos(int what, DgnModelRefP* model);

/* ---- AccuSnap ------------------------------------------------------------- */
HOST_API void mdlAccuSnap_enableLocate(BoolInt on);
HOST_API void mdlAccuSnap_enableSnap(BoolInt on);
HOST_API BoolInt mdlAccuSnap_isLocateEnabled(void);
HOST_API BoolInt mdlAccuSnap_isSnapEnabled(void);
