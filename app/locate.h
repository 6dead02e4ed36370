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

/* A filter's answers that tell the user why: refusing shows status text
** STATUS (list 4) in the status field, once for the pick at POINT (the
** nearest candidate's reason stands; in locate_find only when no candidate
** is taken); accepting clears a reason shown. Answer LOCATE_FILTER_REJECT
** and LOCATE_FILTER_ACCEPT. */
int locate_refuse(const Dpoint3d* point, int status);
int locate_accept();
/* Locate at POINT in VIEW for a command's own pick (next: the next
** candidate); when nothing is taken, the status field says why. Answers
** the located element's file position, 0 when none. */
UInt32 locate_find(Dpoint3d* point, int view, bool next);
