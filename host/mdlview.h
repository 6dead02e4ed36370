/* Views of the platform: eight views, each a window area of the design over
** a fixed pixel size; standard view rotations; what the views show by draw
** mode; descriptors drawn into dialog items; hatching of closed shapes. */
#pragma once

#include "host/mdltypes.h"

union MSElement;
struct MSElementDescr;
struct DialogBox;    /* the dialog manager's dialog (its window) */
struct DialogRect;   /* four int32: left, top, right, bottom (pixels) */

enum : int {
    MAX_VIEWS = 8,
    VIEW_PIXEL_WIDTH = 1000,    /* every view's window, in pixels */
    VIEW_PIXEL_HEIGHT = 750,
};

/* Draw modes of the display calls. */
enum DrawMode : int {
    DRAW_MODE_NORMAL = 0,      /* draw (the only mode that goes with storing) */
    DRAW_MODE_ERASE = 1,
    DRAW_MODE_HILITE = 2,
    DRAW_MODE_TEMP_DRAW = 3,   /* dynamics: transient, replaced by a later event's dynamics */
};

/* Standard view rotations. */
enum StandardView : int {
    STDVIEW_TOP = 1, STDVIEW_BOTTOM = 2, STDVIEW_LEFT = 3, STDVIEW_RIGHT = 4,
    STDVIEW_FRONT = 5, STDVIEW_BACK = 6, STDVIEW_ISO = 7, STDVIEW_RIGHT_ISO = 8,
};
/* The rotation of standard view STANDARDVIEW (world to view). 0, or
** HOST_ERROR for a number outside 1..8. */
HOST_API StatusInt mdlView_getStandard(RotMatrix* rotation, int standardView);

/* Parameters of VIEW (1..8): ORIGIN the lower-left corner of its window area
** and DELTA its size, both in UORs of the active model; ROTATION world to
** view. Any output may be null. 0, or HOST_ERROR for a bad view number. */
HOST_API StatusInt mdlView_getParameters(Dpoint3d* origin, Dpoint3d* delta, RotMatrix* rotation, int view);
/* Set the window area of VIEW (UORs). A non-positive or non-finite DELTA in
** x or y is refused (HOST_ERROR). The view is redrawn from the file. */
HOST_API StatusInt mdlView_setArea(int view, const Dpoint3d* origin, const Dpoint3d* delta);
HOST_API BoolInt mdlView_isActive(int view);
/* Redraw VIEW (1..8; 0: every view) from the active model: what was shown
** and not stored disappears, highlights and dynamics are cleared. */
HOST_API StatusInt mdlView_updateSingle(int view);

/* Draw DESCR (with its chain and components) into the rectangle RECT of
** dialog WINDOW, looking along ROTATION at the box from ORIGIN (world) with
** size EXTENT (view coordinates). OVERRIDES is a 12-byte override record or
** null; IS3D the first byte of the display modes; EXTRA the caller's word.
** The host keeps the last drawing of each dialog item. */
HOST_API void mdlElmdscr_displayToWindow(DialogBox* window, const DialogRect* rect, const void* overrides,
                                         MSElementDescr* descr, const RotMatrix* rotation, const Dpoint3d* origin,
                                         const Dpoint3d* extent, int is3d, int extra);

/* Hatch the closed element BOUNDARY (a shape, complex shape or ellipse;
** the first element of the descriptor) with parallel lines at ANGLE
** (radians, counter-clockwise from the x axis) SPACING apart (UORs), one of
** them through ORIGIN (null: the boundary's first vertex). Each line is cut
** to the inside of the boundary. The lines take level, symbology and
** properties from TEMPL (null: the boundary's). *HATCH gets a chain of line
** elements (null when no line crosses the boundary); the caller frees it.
** 0; HOST_ERROR for a non-closed boundary, a spacing that is not positive
** or gives more than 100,000 lines, or no memory (*HATCH null). */
HOST_API StatusInt mdlPattern_hatch(MSElementDescr** hatch, const MSElementDescr* boundary, const MSElement* templ,
                                    double angle, double spacing, const Dpoint3d* origin);
