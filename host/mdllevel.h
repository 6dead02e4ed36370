/* Levels, line styles and text styles of the platform: levels by name and id
** in a model and in the level library, their element and override
** symbology, line styles by name and number, text styles, the list models
** of colours, line styles and weights, and the graphic group counters. */
#pragma once

#include "host/mdltypes.h"

struct TextParamWide;
struct ListModel;   /* rows of cells; see the dialog manager's mdlListModel_* calls */

enum : int {
    MAX_LEVEL_NAME = 512,   /* wide characters, without the NUL */
};

/* ---- Levels ------------------------------------------------------------------------
** MODEL null means the active model. Level ids of a model are unique; the
** level library (a model reference of its own) holds further levels whose
** ids do not collide with the model's, and the model's level calls find them
** too. Names compare case-insensitively. */

/* Create level NAME in MODEL with CODE (-1: the next free code); *LEVELID
** gets its id. 0; HOST_ERROR for an empty or too long name, a name that
** exists already, the level library, a read-only or missing model. */
HOST_API StatusInt mdlLevel_create(UInt32* levelId, DgnModelRefP model, const MSWChar* name, int code);
/* The id of level NAME in MODEL (or in the library for its reference).
** 0 when it is valid there, HOST_ERROR when not. */
HOST_API StatusInt mdlLevel_getIdFromName(UInt32* levelId, DgnModelRefP model, const MSWChar* name);
/* True when LEVELID is a level of MODEL (or of the level library). */
HOST_API BoolInt mdlLevel_isValid(DgnModelRefP model, UInt32 levelId);
/* The name (at most SIZE characters with the NUL) and code of a level. */
HOST_API StatusInt mdlLevel_getName(MSWChar* name, int size, DgnModelRefP model, UInt32 levelId);
HOST_API StatusInt mdlLevel_getCode(int* code, DgnModelRefP model, UInt32 levelId);
/* Number of levels of MODEL, and the id of the INDEX-th in id order. */
HOST_API int mdlLevel_getCount(DgnModelRefP model);
HOST_API StatusInt mdlLevel_getIdAtIndex(UInt32* levelId, DgnModelRefP model, int index);

/* The level library of the active design file as a model reference (never
** null while a file is open; null otherwise). */
HOST_API DgnModelRefP mdlLevelLibrary_getModelRef(void);

/* Element symbology of a level: what by-level values of its elements show.
** Null pointers leave a value alone. FILLCOLOUR is accepted for callers
** that pass one; this host fills by-level elements in the level colour.
** STYLEPARAMS must be null (levels carry no style parameters here). */
HOST_API StatusInt mdlLevel_setElementSymbology(DgnModelRefP model, UInt32 levelId, const UInt32* colour,
                                                const Int32* style, const void* styleParams, const UInt32* weight,
                                                const UInt32* fillColour);
HOST_API StatusInt mdlLevel_getElementSymbology(UInt32* colour, Int32* style, void* styleParams, UInt32* weight,
                                                UInt32* fillColour, DgnModelRefP model, UInt32 levelId);
/* Override symbology of a level, shown instead of everything else when the
** level's overrides are on. */
HOST_API StatusInt mdlLevel_setSymbology(DgnModelRefP model, UInt32 levelId, const UInt32* colour, const Int32* style,
                                         const UInt32* weight);
HOST_API StatusInt mdlLevel_getSymbology(UInt32* colour, Int32* style, UInt32* weight, DgnModelRefP model,
                                         UInt32 levelId);
HOST_API StatusInt mdlLevel_setOverrideSymbologyOn(DgnModelRefP model, UInt32 levelId, BoolInt on);
/* Write the level table of MODEL through to its file (part of the current
** event's transaction). 0, HOST_ERROR for a read-only or missing model. */
HOST_API StatusInt mdlLevelTable_rewrite(DgnModelRefP model);

/* ---- Line styles -------------------------------------------------------------------
** Numbers 0 to 7 are the standard styles (their names are "0" to "7");
** named custom styles have negative numbers. Names compare case-insensitively. */
HOST_API StatusInt mdlLineStyle_numberFromName(Int32* number, const char* name, DgnModelRefP model);
HOST_API StatusInt mdlLineStyle_nameFromNumber(char* name, int size, Int32 number, DgnModelRefP model);

/* ---- Text styles ------------------------------------------------------------------- */
struct MdlTextStyle;
/* A copy of text style NAME of MODEL, freed with mdlTextStyle_free; null
** when there is none (or out of memory). */
HOST_API MdlTextStyle* mdlTextStyle_getByName(const MSWChar* name, DgnModelRefP model);
HOST_API void mdlTextStyle_free(MdlTextStyle* style);
/* The style's text parameters (font, justification, line spacing in UORs,
** slant with its flag, text style id) and its width and height in UORs of
** the model it came from. Any output may be null. */
HOST_API StatusInt mdlTextStyle_getTextParamWideFromStyle(TextParamWide* params, double* width, double* height,
                                                          const MdlTextStyle* style);

/* ---- List models of symbology --------------------------------------------------------
** One row per choice; cell 0 holds the value as its long value and a
** display text. Colours: "ByLevel" (0xFFFFFFFF), then 0 to 255 ("0" ...),
** with cell 1 holding 0xRRGGBB and "#RRGGBB". Line styles: "ByLevel"
** (0x7FFFFFFF), 0 to 7, then every custom style with the long value
** LINESTYLE_CUSTOM_ROW and its name as the text. Weights: "ByLevel"
** (0xFFFFFFFF), then 0 to 31. The caller destroys the model
** (mdlListModel_destroy). Null when no file is open or memory runs out. */
enum : int64_t { LINESTYLE_CUSTOM_ROW = 0x7FFFFF00 };
HOST_API ListModel* mdlLevelList_getColorListModel(DgnModelRefP model);
HOST_API ListModel* mdlLevelList_getStyleListModel(DgnModelRefP model);
HOST_API ListModel* mdlLevelList_getWeightListModel(DgnModelRefP model);
/* Fonts: one row per font the host draws texts with (every font the file's
** text styles or active settings name among them), cell 0 the number as its
** long value and text, cell 1 the font's name. Text styles: "(none)" and
** "(active)", then every text style of the file by name (long value: its id). */
HOST_API ListModel* mdlLevelList_getFontListModel(DgnModelRefP model);
HOST_API ListModel* mdlLevelList_getTextStyleListModel(DgnModelRefP model);

/* ---- Graphic groups ------------------------------------------------------------------
** The active graphic group (new elements take it) and the next free number
** live in the design file's settings block. */
HOST_API UInt32 mdlSystem_getGraphicGroup(void);
HOST_API void mdlSystem_setGraphicGroup(UInt32 group);
HOST_API UInt32 mdlSystem_getNextGraphicGroup(void);
HOST_API void mdlSystem_setNextGraphicGroup(UInt32 next);
/* Make the counters consistent (the next number lies above the active
** group) and write them through to the design file. */
HOST_API void mdlSystem_updateGraphicGroup(void);
