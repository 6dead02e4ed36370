/* Elements of the platform: element records and their accessors,
** constructors, symbology and properties, attribute linkages, descriptors,
** cells, file access with undo, scanning and model references. */
#pragma once

#include "host/mdltypes.h"

/* ---- Element records ---------------------------------------------------------
** An element is a byte buffer, little-endian:
**   OFFSET SIZE  FIELD
**      0     4   type in the low 16 bits; bit 16 marks a component of a complex element
**      4     4   size of the whole element in 16-bit words
**      8     4   attribute offset in words: linkages run from here to the end
**     12     4   level id
**     16     8   element id (filled in by the host when the element is added)
**     24     8   time stamp, milliseconds since 1970 (filled in when added or rewritten)
** Graphic elements (every type but 66) continue with their display header:
**     32     4   colour (0xFFFFFFFF: by level)
**     36     4   weight (0xFFFFFFFF: by level)
**     40     4   line style, signed (0x7FFFFFFF: by level; negative: a custom style)
**     44     4   graphic group
**     48     2   element class
**     50     2   property bits ELEMPROP_*
**     52     4   fill colour
** and the type's own fields from byte 56 (see ElementLayout in the host's
** documentation of each constructor). A type-66 data element has its own
** fields from byte 32. Every linkage starts with a header word (length in
** words, see mdlLinkage_setWords) and its primary id. */
enum : int {
    MAX_ELEMENT_WORDS = 65536,
    MAX_ELEMENT_SIZE = 2 * MAX_ELEMENT_WORDS,  /* bytes */
    MAX_VERTICES = 5000,                       /* of line strings and shapes */
    ELEMENT_HEADER_SIZE = 32,
    GRAPHIC_BODY_OFFSET = 56,
};

union MSElement {
    uint8_t bytes[MAX_ELEMENT_SIZE];
    uint16_t buf[MAX_ELEMENT_WORDS];
};

enum ElementType : int {
    CELL_HEADER_ELM = 2,
    LINE_ELM = 3,
    LINE_STRING_ELM = 4,
    SHAPE_ELM = 6,
    TEXT_NODE_ELM = 7,      /* a header of text lines */
    CMPLX_STRING_ELM = 12,
    CMPLX_SHAPE_ELM = 14,
    ELLIPSE_ELM = 15,
    ARC_ELM = 16,
    TEXT_ELM = 17,
    DATA_ELM = 66,          /* non-graphic data element */
};

enum ElementProperty : int {
    ELEMPROP_FILLED = 0x1,
    ELEMPROP_HOLE = 0x2,
    ELEMPROP_LOCKED = 0x4,
    ELEMPROP_NEW = 0x8,
    ELEMPROP_MODIFIED = 0x10,
    ELEMPROP_VIEW_INDEPENDENT = 0x20,
};

enum : UInt32 {
    COLOR_BYLEVEL = 0xFFFFFFFFu,
    WEIGHT_BYLEVEL = 0xFFFFFFFFu,
};
enum : Int32 { STYLE_BYLEVEL = 0x7FFFFFFF };

/* Accessors of the header. The element need not be in the file. */
HOST_API int mdlElement_getType(const MSElement* element);
HOST_API int mdlElement_size(const MSElement* element);          /* bytes */
HOST_API BoolInt mdlElement_isComplexHeader(const MSElement* element);
HOST_API BoolInt mdlElement_isGraphic(const MSElement* element);
/* Check that the record is well formed: known type, sizes within bounds,
** attribute offset within the element, type fields consistent, linkages
** ending exactly at the element's end. 0 when it is, HOST_ERROR when not. */
HOST_API StatusInt mdlElement_validate(const MSElement* element);

/* Copy IN (its size) to OUT; answers the number of bytes copied, 0 when OUT
** is a descriptor node's element without room for it. */
HOST_API int mdlElement_memcpy(MSElement* out, const MSElement* in);
/* Copy IN to OUT without any attribute linkage. 0, or HOST_ERROR for a
** malformed element. */
HOST_API StatusInt mdlElement_stripAttributes(MSElement* out, const MSElement* in);

/* ---- Symbology and properties ---------------------------------------------
** Null pointers leave a value unchanged. 0, or HOST_ERROR for a non-graphic
** or malformed element. */
HOST_API StatusInt mdlElement_setSymbology(MSElement* element, const UInt32* colour, const UInt32* weight, const Int32* style);
HOST_API StatusInt mdlElement_getSymbology(UInt32* colour, UInt32* weight, Int32* style, const MSElement* element);

/* Parameters of a custom line style. */
enum LineStyleModifier : UInt32 {
    STYLEMOD_SCALE = 0x1,
    STYLEMOD_SWIDTH = 0x8,
    STYLEMOD_EWIDTH = 0x10,
};
struct LineStyleParams {
    UInt32 modifiers;      /* STYLEMOD_* bits saying which fields apply */
    double scale;
    double startWidth;
    double endWidth;
};
/* Set the line style number and, when given, its parameters (kept in a
** linkage of primary id LINKAGEID_STYLE_PARAMS). */
HOST_API StatusInt mdlElement_setLineStyle(MSElement* element, const Int32* style, const LineStyleParams* params);
/* The style parameters of an element: 0 when it has some, HOST_ERROR when not. */
HOST_API StatusInt mdlElement_getLineStyleParams(LineStyleParams* params, const MSElement* element);

/* Level, graphic group, class and property bits. */
HOST_API StatusInt mdlElement_setProperties(MSElement* element, const UInt32* level, const UInt32* graphicGroup,
                                            const int* elementClass, const BoolInt* locked, const BoolInt* newElement,
                                            const BoolInt* modified, const BoolInt* viewIndependent, const BoolInt* solidHole);
HOST_API StatusInt mdlElement_getProperties(UInt32* level, UInt32* graphicGroup, int* elementClass, BoolInt* locked,
                                            BoolInt* newElement, BoolInt* modified, BoolInt* viewIndependent,
                                            BoolInt* solidHole, const MSElement* element);
/* True for a closed element (shape, complex shape, ellipse) with fill; FILLCOLOUR may be null. */
HOST_API BoolInt mdlElement_isFilled(const MSElement* element, UInt32* fillColour);

/* ---- Constructors -------------------------------------------------------------
** OUT receives the element (it may be dgnBufP, and it may equal TEMPLATE).
** TEMPLATE, when given, supplies level, symbology and properties; otherwise
** the active settings do. Points are in the current transform's frame.
** 0 on success, HOST_ERROR for bad arguments (OUT untouched). */
HOST_API StatusInt mdlLine_create(MSElement* out, const MSElement* templ, const Dpoint3d* points);
HOST_API StatusInt mdlLineString_create(MSElement* out, const MSElement* templ, const Dpoint3d* points, int count);
/* FILLMODE: 0 none, 1 filled with the element colour, -1 as the template. */
HOST_API StatusInt mdlShape_create(MSElement* out, const MSElement* templ, const Dpoint3d* points, int count, int fillMode);
/* ROTATION null: the frame's axes. Angles in radians. */
HOST_API StatusInt mdlArc_create(MSElement* out, const MSElement* templ, const Dpoint3d* centre, double primaryAxis,
                                 double secondaryAxis, const RotMatrix* rotation, double startAngle, double sweepAngle);
/* Circular arc from START counter-clockwise (CLOCKWISE non-zero: clockwise)
** about CENTRE to the direction of END; NORMAL may be null (the frame's z). */
HOST_API StatusInt mdlArc_createByCenter(MSElement* out, const MSElement* templ, const Dpoint3d* start,
                                         const Dpoint3d* centre, const Dpoint3d* end, int clockwise);
HOST_API StatusInt mdlEllipse_create(MSElement* out, const MSElement* templ, const Dpoint3d* centre, double primaryAxis,
                                     double secondaryAxis, const RotMatrix* rotation, int fillMode);

/* Text size: MODE 1 gives width (size.x) and height (size.y). */
struct TextSizeParam {
    Int32 mode;
    Dpoint2d size;
    double aspectRatio;
};
enum TextParamFlag : UInt32 { TXTPARAM_SLANT = 0x1, TXTPARAM_UNDERLINE = 0x2 };
/* Justification codes: 0 left top, 1 left centre, 2 left bottom, 3-5 left
** margin, 6 centre top, 7 centre centre, 8 centre bottom, 9-11 right margin,
** 12 right top, 13 right centre, 14 right bottom. */
struct TextParamWide {       /* 208 bytes */
    Int32 font;              /* font number; -1 the active font */
    Int32 just;              /* justification code; -1 the active justification */
    Int32 textStyleId;       /* -1: no style */
    Int32 viewIndependent;   /* -1: not set */
    double lineSpacing;
    double slant;            /* radians, used when TXTPARAM_SLANT is set */
    double characterSpacing;
    UInt32 flags;            /* TXTPARAM_* */
    uint8_t reserved[164];
};
static_assert(sizeof(TextParamWide) == 208);
/* TEXT null or empty is refused. ORIGIN null: the template's origin.
** ROTATION null: the template's, or the active angle about the frame's z.
** SIZE null: the template's, or the active text size. PARAMS null: the
** template's, or the active font and justification. Texts hold at most 512
** characters. TEXTOPTIONS is reserved (may be null). */
HOST_API StatusInt mdlText_create(MSElement* out, const MSElement* templ, const char* text, const Dpoint3d* origin,
                                  const RotMatrix* rotation, const TextSizeParam* size, const TextParamWide* params,
                                  const void* textOptions);
HOST_API StatusInt mdlText_createWide(MSElement* out, const MSElement* templ, const MSWChar* text, const Dpoint3d* origin,
                                      const RotMatrix* rotation, const TextSizeParam* size, const TextParamWide* params,
                                      const void* textOptions);
/* The string of a text element (UTF-16, at most SIZE characters with NUL). */
HOST_API StatusInt mdlText_extractStringWide(MSWChar* out, int size, const MSElement* element);

/* Cells: a header (name and description as wide strings of at most 512
** characters) followed by its components. ORIGIN is in the frame's
** coordinates; POINTCELL non-zero makes a point cell. */
HOST_API StatusInt mdlCell_create(MSElement* out, const MSWChar* name, const Dpoint3d* origin, BoolInt pointCell);
/* Any output may be null. NAMESIZE is the capacity of NAME in characters. */
HOST_API StatusInt mdlCell_extract(Dpoint3d* origin, DRange3d* range, RotMatrix* rotation, BoolInt* pointCell,
                                   MSWChar* name, int nameSize, const MSElement* element);
HOST_API StatusInt mdlCell_extractName(MSWChar* name, int nameSize, const MSElement* element);
HOST_API StatusInt mdlCell_extractDescription(MSWChar* description, int size, const MSElement* element);
/* Set the name or description; the element grows or shrinks in place
** (HOST_ERROR when that would run past its descriptor node's room). */
HOST_API StatusInt mdlCell_setName(MSElement* element, const MSWChar* name);
HOST_API StatusInt mdlCell_setDescription(MSElement* element, const MSWChar* description);
/* Set the origin and rotation stored in a cell header. */
HOST_API StatusInt mdlCell_setOrigin(MSElement* element, const Dpoint3d* origin, const RotMatrix* rotation);

/* Complex chains (SHAPE 0) and complex shapes (SHAPE 1) are headers whose
** components are appended with mdlElmdscr_appendElement. */
HOST_API StatusInt mdlComplexChain_createHeader(MSElement* out, BoolInt shape, int fillMode);

/* Vertices of a line, line string or shape (or the end points of an arc),
** at most MAX_VERTICES. COUNT gets their number. */
HOST_API StatusInt mdlLinear_extract(Dpoint3d* points, int* count, const MSElement* element, DgnModelRefP model);
/* The segment of a linear element closest to POINT: SEGMENT (two points, may
** be null) gets its ends, POINT is moved onto it. Answers the segment index,
** or -1 for an element without segments. */
HOST_API int mdlLinear_getClosestSegment(Dpoint3d* segment, Dpoint3d* point, const MSElement* element);

/* Transform an element (points, axes, sizes and rotations). */
HOST_API StatusInt mdlElement_transform(MSElement* out, const MSElement* in, const Transform* transform);

/* ---- Linkages -------------------------------------------------------------------
** A linkage: header word (flags and length in words), primary id, body. */
struct LinkageHeader {
    UInt16 headerWord;       /* LINKAGE_USER_FLAG and the length, see mdlLinkage_setWords */
    UInt16 primaryID;
};
enum : UInt16 {
    LINKAGE_USER_FLAG = 0x1000,
    LINKAGEID_STYLE_PARAMS = 0x7D01,  /* the host's own: custom line style parameters */
};
enum : int { MAX_LINKAGE_WORDS = 0x7FFF };
/* Store WORDS (2..MAX_LINKAGE_WORDS, header included) as the linkage length. */
HOST_API StatusInt mdlLinkage_setWords(LinkageHeader* header, int words);
HOST_API int mdlLinkage_getWords(const LinkageHeader* header);
/* Append the linkage HEADER + BODY (length from the header) at the element's
** end. DATADEF and CONVERT are reserved (must be null). 0 on success;
** HOST_ERROR for a malformed element or header, or when the element would
** exceed MAX_ELEMENT_SIZE or its descriptor node's room (the element is
** unchanged). */
HOST_API StatusInt mdlLinkage_appendToElement(MSElement* element, const LinkageHeader* header, const void* body,
                                              const void* dataDef, void* convert);
/* Copy the first linkage of PRIMARYID (header included) into OUT, which
** holds OUTSIZE bytes. Answers a pointer to the linkage inside the element,
** or null when there is none, when it does not fit OUT, or when the
** linkages are malformed (a stated length that runs past the element). */
HOST_API const void* mdlLinkage_extractFromElement(void* out, int outSize, const MSElement* element, int primaryId,
                                                   const void* dataDef, void* convert, void* params);
/* Delete every linkage of PRIMARYID. Answers how many were deleted, or -1
** for a malformed element (unchanged). */
HOST_API int mdlLinkage_deleteFromElement(MSElement* element, int primaryId);
/* Number of linkages of the element, -1 when malformed. */
HOST_API int mdlLinkage_count(const MSElement* element);

/* ---- Descriptors ------------------------------------------------------------------
** A descriptor is a chain of elements; a complex header holds its components
** as a child chain. Each node's element has room for its size plus at least
** MAX_DESCR_GROWTH bytes, so that a linkage or a longer cell name can be
** added to it in place; the host's in-place functions refuse to grow it
** beyond that room (capacity). A larger change goes through a new node
** (mdlElmdscr_replaceDscr). */
enum : int { MAX_DESCR_GROWTH = 512 };
struct MSElementDescr {
    MSElementDescr* next;        /* next element of the same chain */
    MSElementDescr* previous;
    MSElementDescr* parent;      /* the complex header this is a component of, or null */
    MSElementDescr* firstChild;  /* components of a complex header */
    DgnModelRefP modelRef;       /* where it was read from, or null */
    UInt32 filePos;              /* its file position, 0 when not in a file */
    UInt32 capacity;             /* bytes available in el */
    MSElement el;                /* only capacity bytes are allocated */
};

/* Make a descriptor of ELEMENT. With HEADER, it is appended as HEADER's last
** component and *OUT points to the new node. 0 or HOST_ERROR (out of memory,
** malformed element). */
HOST_API StatusInt mdlElmdscr_new(MSElementDescr** out, MSElementDescr* header, const MSElement* element);
/* Append a copy of ELEMENT: as a component when DESCR is a complex header,
** otherwise at the end of DESCR's chain. The caller keeps DESCR. */
HOST_API StatusInt mdlElmdscr_appendElement(MSElementDescr* descr, const MSElement* element);
/* Append the descriptor chain APPEND (taken over) the same way. */
HOST_API StatusInt mdlElmdscr_appendDscr(MSElementDescr* descr, MSElementDescr* append);
/* Read the complete element at FILEPOS (a complex element with every
** component) from MODEL (null: active). NEXTFILEPOS may be null. Answers the
** size read in bytes, 0 when there is no element there. */
HOST_API int mdlElmdscr_read(MSElementDescr** out, UInt32 filePos, DgnModelRefP model, BoolInt expandShared, UInt32* nextFilePos);
/* Add the descriptor to the active model; components get consecutive file
** positions. Answers the header's file position, 0 on refusal. */
HOST_API UInt32 mdlElmdscr_add(MSElementDescr* descr);
/* Show the descriptor in DRAWMODE (0 draw, 1 erase, 2 highlight, 3 dynamics).
** Nothing is stored. */
HOST_API void mdlElmdscr_display(MSElementDescr* descr, DgnModelRefP model, int drawMode);
HOST_API void mdlElement_display(const MSElement* element, int drawMode);

enum ElmdscrOperation : int {
    ELMD_ELEMENT = 0x1,      /* visit elements that are not complex headers */
    ELMD_PRE_HDR = 0x2,      /* visit the top header before its components */
    ELMD_POST_HDR = 0x4,     /* visit the top header after its components */
    ELMD_NESTED_HDRS = 0x8,  /* visit nested headers too (before their components) */
    ELMD_ALL_ONCE = 11,      /* every element once, headers included */
};
/* Called for each visited element; answer 0 to go on, non-zero to stop. */
typedef int (*ElmdscrOperationFunc)(MSElement* element, void* params, DgnModelRefP model, MSElementDescr* descr,
                                    MSElementDescr** newDescr);
/* Visit the elements of the chain in order. Answers 0, or the non-zero
** answer that stopped the walk. */
HOST_API int mdlElmdscr_operation(MSElementDescr* descr, ElmdscrOperationFunc fn, void* params, int operation);
HOST_API void mdlElmdscr_transform(MSElementDescr* descr, const Transform* transform);
/* Range of every element of the descriptor, transformed by TRANSFORM when given. */
HOST_API StatusInt mdlElmdscr_computeRange(Dpoint3d* low, Dpoint3d* high, const MSElementDescr* descr, const Transform* transform);
/* Bring the headers up to date: component counts, cell ranges, component
** marks. 0, or HOST_ERROR when an element is malformed. */
HOST_API StatusInt mdlElmdscr_validate(MSElementDescr* descr, DgnModelRefP model);
/* Set the range of a cell header from its components. */
HOST_API StatusInt mdlCell_setRange(MSElementDescr* descr, DgnModelRefP model);
HOST_API void mdlElmdscr_freeAll(MSElementDescr** descr);
/* Put the chain NEWDESCR (taken over; null: nothing) where the node *OLDDESCR
** is, in its chain or among its header's components, and free that node with
** its components. *OLDDESCR becomes NEWDESCR. */
HOST_API StatusInt mdlElmdscr_replaceDscr(MSElementDescr** oldDescr, MSElementDescr* newDescr);
/* Delete the element at FILEPOS with all its components, as one undo step of
** the current event. DISPLAY non-zero erases it from the views. */
HOST_API StatusInt mdlElmdscr_undoableDelete(MSElementDescr* descr, UInt32 filePos, BoolInt display);
/* Number of elements of the chain, components included. */
HOST_API int mdlElmdscr_count(const MSElementDescr* descr);

/* ---- File access ---------------------------------------------------------------- */
/* Add the element to the active model. Sets its id and time stamp in the
** buffer. Answers its file position, 0 when refused (no file, malformed
** element, read-only file, a complex header: use mdlElmdscr_add). */
HOST_API UInt32 mdlElement_add(MSElement* element);
/* Read the element at FILEPOS of MODEL (null: active). 0, or HOST_ERROR when
** there is none (or it is deleted). */
HOST_API StatusInt mdlElement_read(MSElement* out, DgnModelRefP model, UInt32 filePos);
/* Replace the element at FILEPOS by NEWELEMENT. Answers FILEPOS, 0 on refusal. */
HOST_API UInt32 mdlElement_rewrite(MSElement* newElement, const MSElement* oldElement, UInt32 filePos);
/* Delete the element (and, for a complex header, its components). */
HOST_API StatusInt mdlElement_undoableDelete(MSElement* element, UInt32 filePos, BoolInt display);

enum ModifyStatus : int { MODIFY_STATUS_NOCHANGE = 0, MODIFY_STATUS_REPLACE = 1, MODIFY_STATUS_DELETE = 2 };
typedef int (*ModifyFunc)(MSElement* element, void* params, DgnModelRefP model, MSElementDescr* descr,
                          MSElementDescr** newDescr);
/* Read the element at FILEPOS + COMPONENTOFFSET of MODEL, give it to FN and
** rewrite it when FN answers MODIFY_STATUS_REPLACE, delete it for
** MODIFY_STATUS_DELETE. TYPE and MODE are kept for callers (unused).
** 0, or HOST_ERROR when there is no element there. */
HOST_API StatusInt mdlModify_elementSingle(DgnModelRefP model, UInt32 filePos, int type, int mode, ModifyFunc fn,
                                           void* params, int componentOffset);

/* ---- Scanning ---------------------------------------------------------------------- */
typedef struct ScanCriteria* ScanCriteriaP;
enum ScanStatus : int { SCAN_END_OF_MODEL = 10, SCAN_BUFFER_FULL = 11 };
enum ScanReturnType : int { SCAN_RETURN_ELEMENTS = 0, SCAN_RETURN_FILEPOS = 1 };
HOST_API ScanCriteriaP mdlScanCriteria_create(void);
HOST_API StatusInt mdlScanCriteria_free(ScanCriteriaP criteria);
HOST_API StatusInt mdlScanCriteria_setModel(ScanCriteriaP criteria, DgnModelRefP model);
/* Type tests accumulate: elements of any added type pass. */
HOST_API StatusInt mdlScanCriteria_addSingleElementTypeTest(ScanCriteriaP criteria, int type);
HOST_API StatusInt mdlScanCriteria_addSingleLevelTest(ScanCriteriaP criteria, UInt32 level);
/* Elements whose class bit (1 << class) is in MASK pass; 0 (default) passes all. */
HOST_API StatusInt mdlScanCriteria_setClassTest(ScanCriteriaP criteria, UInt32 classMask);
/* RETURNTYPE: SCAN_RETURN_FILEPOS fills 32-bit file positions (two words
** each); SCAN_RETURN_ELEMENTS fills whole element records. ONEELEMENT
** non-zero returns at most one per call; NESTCELLS non-zero also tests
** components of complex elements. */
HOST_API StatusInt mdlScanCriteria_setReturnType(ScanCriteriaP criteria, int returnType, BoolInt oneElement, BoolInt nestCells);
/* Start again from the first element. */
HOST_API StatusInt mdlScanCriteria_reset(ScanCriteriaP criteria);
/* Fill BUFFER: *WORDS is its capacity in 16-bit words on entry and the
** number of words filled on return. Answers SCAN_BUFFER_FULL (11) when more
** matching elements follow, SCAN_END_OF_MODEL (10) at the end, HOST_ERROR
** for bad arguments. NEXTFILEPOS (may be null) gets where the scan goes on. */
HOST_API int mdlScanCriteria_scan(ScanCriteriaP criteria, UInt32* buffer, int* words, UInt32* nextFilePos);

/* ---- Models and references ------------------------------------------------------------ */
/* The active model of the open design file, null when none is open. */
HOST_API DgnModelRefP mdlModelRef_getActive(void);
/* The file name of MODEL's design file (null: the active one) as it was
** opened, at most SIZE bytes with its NUL. 0, or HOST_ERROR when there is none. */
HOST_API StatusInt mdlModelRef_getFileName(DgnModelRefP model, char* name, int size);
HOST_API BoolInt mdlModelRef_isReference(DgnModelRefP model);
/* Number of elements (positions) of the model. */
HOST_API UInt32 mdlModelRef_getEof(DgnModelRefP model);

typedef struct ModelRefIterator* ModelRefIteratorP;
enum ModelRefIterateFlag : int { MRITERATE_ROOT = 0x1, MRITERATE_PRIMARY_CHILD_REFS = 0x2 };
/* Iterate over ROOT (MRITERATE_ROOT) and its references (MRITERATE_PRIMARY_CHILD_REFS). */
HOST_API StatusInt mdlModelRefIterator_create(ModelRefIteratorP* out, DgnModelRefP root, int flags, int depth);
HOST_API DgnModelRefP mdlModelRefIterator_getFirst(ModelRefIteratorP iterator);
HOST_API DgnModelRefP mdlModelRefIterator_getNext(ModelRefIteratorP iterator);
HOST_API void mdlModelRefIterator_free(ModelRefIteratorP* iterator);

/* Reference parameters (ints) for mdlRefFile_getParameters. */
enum ReferenceParameter : int {
    REFERENCE_DISPLAY = 1,     /* non-zero: displayed */
    REFERENCE_FILE_FOUND = 4,  /* non-zero: the file was found and loaded */
    REFERENCE_SCALE = 5,       /* double: scale of the attachment */
    REFERENCE_HIDDEN = 6,      /* 1: excluded from plots and searches */
};
/* 0 and the value in PARAM (an int, or a double for REFERENCE_SCALE) when
** MODEL is a reference; HOST_ERROR when it is not or PARAMNAME is unknown. */
HOST_API StatusInt mdlRefFile_getParameters(void* param, int paramName, DgnModelRefP model);

/* ---- Cell libraries ---------------------------------------------------------------------
** A cell library is a design file whose cell models each hold one cell's
** elements; the model's name and description are the cell's. */
typedef struct DgnFile* DgnFileP;
/* Attach the library FILENAME (a platform path) as the active cell library.
** FULLNAME (MAXFILELENGTH bytes, may be null) gets the local path. OPTION1
** to OPTION3 are kept for callers; the host ignores them. 0, or HOST_ERROR
** when the file is missing or not a design file (the attached library stays). */
HOST_API StatusInt mdlCell_attachLibraryEx(char* fullName, const char* fileName, int option1, int option2, int option3);
/* The file name of the active cell library (the settings block's), at most
** SIZE bytes with its NUL. 0, or HOST_ERROR when none is attached. */
HOST_API StatusInt mdlCell_getActiveLibraryName(char* fileName, int size);
/* Open a library as an object: FILENAME null or empty means the active
** library. Free it with mdlCell_freeLibraryObject. 0 or HOST_ERROR. */
HOST_API StatusInt mdlCell_getLibraryObject(DgnFileP* out, const char* fileName, BoolInt readOnly);
HOST_API void mdlCell_freeLibraryObject(DgnFileP* library);
enum ModelIterateFlag : int { MODEL_ITERATE_ALL = 0, MODEL_ITERATE_CELLS = 1 };
/* Iterate over the models of FILE (MODEL_ITERATE_CELLS: cell models only). */
HOST_API StatusInt mdlDgnFile_createModelIterator(ModelRefIteratorP* out, DgnFileP file, int flags);
/* Name or description of a model, at most SIZE characters with the NUL. */
HOST_API StatusInt mdlModelRef_getModelName(DgnModelRefP model, MSWChar* name, int size);
HOST_API StatusInt mdlModelRef_getModelDescription(DgnModelRefP model, MSWChar* description, int size);
HOST_API BoolInt mdlModelRef_isCellModel(DgnModelRefP model);
enum CellFlag : int { CELL_FLAG_POINT = 0x1 };
/* Build cell CELLNAME of LIBRARY (null: the active library) as a descriptor:
** a cell header with the cell's name, description and origin (0,0,0), its
** elements as components and its range set. FLAGS: CELL_FLAG_POINT makes a
** point cell. 0, or HOST_ERROR when there is no such cell. */
HOST_API StatusInt mdlCell_getElmDscr(MSElementDescr** out, const MSWChar* cellName, DgnFileP library, int flags);

/* ---- Undo --------------------------------------------------------------------------------
** Each dispatched event (or each call made outside one) is one undo step. */
HOST_API StatusInt mdlUndo_undo(void);   /* 0, HOST_ERROR when there is nothing to undo */
HOST_API StatusInt mdlUndo_redo(void);
