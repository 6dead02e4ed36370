/* Material lists and other filled forms: form data arrays of named fields
** with typed rows, templates whose placeholders take their values, page
** cells filled and scaled to the printable paper, texts of a level filled in
** place, the system data and logo fields, and the spreadsheet export. */
#pragma once

#include <cstdint>
#include "host/mdlelement.h"
#include "lib/zmlib_api.h"

enum : int {
    ZMFORM_DOUBLE = 1,
    ZMFORM_INT = 2,
    ZMFORM_TEXT = 3,
    ZMFORM_CHAR = 4,
    ZMFORM_CALLBACK = 5,
    ZMFORM_HEADER = 255,
    ZMFORM_NO_ARRAY = 1,          /* zmlibMatList_insertValue results */
    ZMFORM_BAD_ROW = 2,
    ZMFORM_BAD_TYPE = 3,
    ZMMATLIST_TEXT_SIZE = 1024,   /* the out text of zmlibMatList_generateFormatedText, with its NUL */
};

/* A callback field's function: (row, field name, descriptor output, user
** data, text width, text height); it may put a descriptor into the output. */
typedef int (*ZmFormCallback)(int row, const char* fieldName, MSElementDescr** descrOut, void* userData,
                              double width, double height);

/* One row's value of a form field (16 bytes on the platform). */
union ZmFormValue {
    double d;
    int32_t i;
    char* text;     /* an owned copy */
    char c;
    struct {
        ZmFormCallback function;
        int32_t userData;
        int32_t native;
    } callback;
    struct {
        int32_t rows;        /* R */
        int32_t nameLength;  /* L */
    } header;
};

/* A form field; the first of a chain is the header of the array. */
struct ZmFormField {
    char* name;               /* L characters and the NUL */
    int32_t valueType;        /* ZMFORM_* */
    int32_t* rowSet;          /* R flags */
    ZmFormValue* values;      /* R values; the header's row 0 holds R and L */
    ZmFormField* next;
};
typedef ZmFormField ZmFormDataArray;

extern "C" ZMLIB_API ZmFormDataArray* zmlibMatList_createFormDataArray(int nameLength, int rows);
/* Free every field, its owned texts and the header; answers null. */
extern "C" ZMLIB_API ZmFormDataArray* zmlibMatList_destroyFormDataArray(ZmFormDataArray* list);
/* The value follows ROW by VALUETYPE: a double, an int, a text, a character
** (int) or function, user data (int) and native flag (int). 0, or
** ZMFORM_NO_ARRAY, ZMFORM_BAD_ROW, ZMFORM_BAD_TYPE (also for a value of
** another type than the existing field's: nothing is stored). */
extern "C" ZMLIB_API int zmlibMatList_insertValue(ZmFormDataArray* list, const char* name, int valueType, int row,
                                                 ...);
/* Fill TEMPLATE's placeholders from LIST into OUT (ZMMATLIST_TEXT_SIZE
** bytes; a longer result is cut). Answers the type of the last field met (3
** when none), 5 when a callback ran, 0 after a row beyond the array. */
extern "C" ZMLIB_API int zmlibMatList_generateFormatedText(const char* templateText, ZmFormDataArray* list, char* out,
                                                          MSElementDescr** descrOut, double width, double height,
                                                          int rowIndexes);
/* Copy page cell CELLNAME of LIBRARY, filled from LIST and with the page
** scale set. 0; -2 no library; -1 no cell; with export on, the export's. */
extern "C" ZMLIB_API int zmlibMatList_generatePageElementDescr(const char* cellName, const char* library,
                                                              MSElementDescr** descrOut, ZmFormDataArray* list,
                                                              int cellFlags);
/* Fill the texts on LEVEL of MODEL in the design file: 0, or 32768. */
extern "C" ZMLIB_API int zmlibMatList_changeTextInMasterFile(ZmFormDataArray* list, int level, DgnModelRefP model);
extern "C" ZMLIB_API void zmlibMatList_insertFileName(const char* path, const char* fieldName, ZmFormDataArray* list);
extern "C" ZMLIB_API void zmlibMatList_insertSystemData(ZmFormDataArray* list);
extern "C" ZMLIB_API int zmlibMatList_insertLogo(ZmFormDataArray* list);
extern "C" ZMLIB_API int zmlibMatList_insertLogoExt(ZmFormDataArray* list, const char* cellName, const char* library);
extern "C" ZMLIB_API double* zmlibMatList_getCurrentPageScaleP(void);
extern "C" ZMLIB_API void zmlibMatList_setExportToExcel(int flag);
