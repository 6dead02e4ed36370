/* Texts and strokes of the platform: text metrics and outlines, the string of
** a text element, string compression, elements stroked into points, and the
** symbology an element shows once by-level values are resolved.
**
** Text metric model of this host: every character takes a cell as wide as the
** text's width and as high as its height, with no gap between cells. A text
** of n characters is n x width long and height high. Its outline is that
** box placed by the justification about the origin, sheared by the slant
** (the top edge moves by height x tan(slant) along the text's x axis) and
** turned by the text's rotation. */
#pragma once

#include "host/mdltypes.h"

union MSElement;
struct MSElementDescr;
struct TextSizeParam;
struct TextParamWide;

/* Size of a text by the metric model: x its length, y its height (UORs). */
struct TextExtent {
    double length;
    double height;
};

/* Everything about a text element; any output may be null.
**   STRING/STRINGSIZE  the text in UTF-8, cut at a character boundary to fit
**                      STRINGSIZE bytes with its NUL
**   ORIGIN             the placement point (where the justification puts it)
**   LOWERLEFT          the lower-left corner of the unslanted text box
**   ROTATION           the text's rotation
**   SIZE               mode 1, width and height (UORs), aspect height / width
**   PARAMS             font, justification, slant (flag set when non-zero),
**                      line spacing; the rest zero, text style -1
**   CHARACTERCOUNT     number of characters
**   EXTENT             length and height by the metric model
** 0, or HOST_ERROR when ELEMENT is not a well-formed text element. */
HOST_API StatusInt mdlText_extract(char* string, int stringSize, Dpoint3d* origin, Dpoint3d* lowerLeft,
                                   RotMatrix* rotation, TextSizeParam* size, TextParamWide* params,
                                   int* characterCount, const MSElement* element, TextExtent* extent);

/* The outline of a text element: lower left, lower right, upper right, upper
** left and the lower left again, in world coordinates (SHAPE holds five
** points). 0, or HOST_ERROR for anything but a text element. */
HOST_API StatusInt mdlText_extractShape(Dpoint3d* shape, const MSElement* element);

/* A text node header: the symbology, level and properties of TEMPLATE (null:
** the active ones), ORIGIN in the frame's coordinates and LINESPACING (UORs)
** between its lines. Its lines are text components appended to its descriptor. */
HOST_API StatusInt mdlTextNode_create(MSElement* out, const MSElement* templ, const Dpoint3d* origin,
                                      double lineSpacing);

/* The string of a text element in UTF-8, cut to SIZE bytes with its NUL at a
** character boundary. 0, or HOST_ERROR for anything but a text element. */
HOST_API StatusInt mdlText_extractString(char* out, int size, const MSElement* element);

/* Options of mdlText_compressString. White space is blank, tab, carriage
** return and line feed. */
enum TextCompressOption : int {
    TEXT_COMPRESS_LEADING = 0x1,    /* drop leading white space */
    TEXT_COMPRESS_TRAILING = 0x2,   /* drop trailing white space */
    TEXT_COMPRESS_INTERNAL = 0x4,   /* each inner run of white space becomes one blank */
    TEXT_COMPRESS_ALL = 0x8,        /* all three */
};
/* Compress TEXT in place, first cutting it to MAXCHARS bytes (at a character
** boundary; MAXCHARS <= 0: no limit). Answers the new length, -1 for null. */
HOST_API int mdlText_compressString(char* text, int maxChars, int options);

/* Stroke an element into points (UORs) no farther than TOLERANCE from the
** true curve (TOLERANCE <= 0: a tolerance of one UOR). Lines give their end
** points, line strings and shapes their vertices (shapes closed), arcs and
** ellipses chords (ellipses closed), texts their outline (five points),
** complex headers nothing. *POINTS is allocated with dlmSystem_mdlMalloc and
** freed by the caller with dlmSystem_mdlFree; *COUNT gets its number of
** points. 0, or HOST_ERROR (bad element, out of memory; *POINTS null). */
HOST_API StatusInt mdlElement_stroke(Dpoint3d** points, int* count, const MSElement* element, double tolerance);
/* The same for a whole descriptor (DESCR and its components, the elements of
** its chain), the strokes joined end to end in one array. */
HOST_API StatusInt mdlElmdscr_stroke(Dpoint3d** points, int* count, const MSElementDescr* descr, double tolerance);

/* The colour, weight and line style an element shows in MODEL (null: the
** active model): by-level values become the level's element symbology, and
** a level whose overrides are on shows its override symbology instead. Any
** output may be null. 0, or HOST_ERROR for a non-graphic element. */
HOST_API StatusInt mdlElement_getEffectiveSymbology(UInt32* colour, UInt32* weight, Int32* style,
                                                    const MSElement* element, DgnModelRefP model);
