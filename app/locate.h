/* The steps the locate-based commands share: lock 517 around them, the
** placement filter, the locate handler with its confirm and next steps,
** and the prompt field. */
#pragma once

#include "host/mdltypes.h"

union MSElement;

/* Switch lock 517 off for a command, remembering the user's state in
** savedLockState; put that state back. */
void locate_saveLock();
void locate_restoreLock();

/* The placement filter: an isometric line, or with skewMode a skew one,
** into baseOrigin, locatedEnd, locatedAngle, locatedRotation and
** locatedAxisAngle of the working state. */
int locate_placementFilter(MSElement* element, DgnModelRefP model, UInt32 filePos, Dpoint3d* point, int view);
/* The locate handler: finds the element under POINT, then runs the stored
** locatedElementFunction in dynamics, on confirm, and tries the next
** candidate on reset. */
void locate_handler(Dpoint3d* point, int view);
/* Show prompt N of the prompt list in the prompt field. */
void locate_prompt(int n);
