/* Library start-up and per-application global data: the record every library
** module keeps its per-application state in, start-up, the init-app list,
** the new-design-file function and small queries. */
#pragma once

#include <cstdint>
#include <type_traits>
#include "host/mdltypes.h"
#include "lib/core/resource.h"
#include "lib/zmlib_api.h"

typedef void (*ZmInitAppFunction)(void);
typedef void (*ZmScaleFunction)(double oldScale, double newScale);
struct MSElementDescr;
/* The print preview's callbacks into the application that opened it: the
** page function (index, name, descriptor to fill, flag: 0 preview and
** printing, 1 page frames), the page-list function (names to fill; answers
** the page count) and the user print function (index). */
typedef int (*ZmPreviewPageFunction)(int pageIndex, char* pageName, MSElementDescr** descr, int flag);
typedef int (*ZmPreviewPageListFunction)(char*** pageNames);
typedef void (*ZmPreviewUserPrintFunction)(int pageIndex);

enum : int {
    ZMGD_MODULE_POINTERS = 18,
    ZMGD_SLOT_OWN_RESOURCE_FILE = 11, /* module pointer slot holding the application's own resource file */
    ZMGD_SLOT_ATTRIB_SMALL = 16,      /* 92-byte block of the attribute-set module */
    ZMGD_SLOT_ATTRIB_LARGE = 17,      /* 1480-byte block of the attribute-set module */
    ZMGD_INIT_APPS = 10,
    ZMGD_ABOUT_TEXTS = 14,
    ZMGD_ABOUT_TEXT_SIZE = 257,
    ZMGD_TITLE_SIZE = 513,
    ZMGD_NAME_SIZE = 256,
};

/* Sizes of the blocks start-up allocates. */
enum : unsigned {
    ZMGD_OWNER_RECORD_SIZE = 200,
    ZMGD_DIALOG_BLOCK_SIZE = 836,
    ZMGD_DIALOG_SEPARATOR_OFFSET = 832, /* 2-byte text of the dialog block, "," at start-up */
    ZMGD_PROJECT_BLOCK_SIZE = 8,
    ZMGD_ATTRIB_SMALL_SIZE = 92,
    ZMGD_ATTRIB_LARGE_SIZE = 1536,       /* the current attribute: 1480 bytes with 4-byte pointers, more with 8-byte */
    ZMGD_WORK_BUFFER_SIZE = 256,
    ZMLIB_PRINT_SETUP_SIZE = 840,
    ZMLIB_PROJECT_RECORD_SIZE = 1603,
    ZMLIB_PAGE_RECORD_SIZE = 2115,
    ZMLIB_PLOT_SCALE_RECORD_SIZE = 24,
};

/* The preview state block: what the preview dialog's items edit. */
struct ZmPreviewState {
    int32_t selectedPage;
    int32_t rangeMode;          /* 0 the selected page, 1 all pages, 2 from first to last */
    int32_t rangeFirst;         /* page indexes, from 0 */
    int32_t rangeLast;
    int32_t pagesPerRow;        /* page frames */
    int32_t frameCount;
    int32_t frameIndex;
    char excelTemplate[256];    /* spreadsheet template file */
    char excelSheet[64];        /* its template sheet */
};
static_assert(std::is_trivially_copyable_v<ZmPreviewState>);
#define ZMPREVIEWSTATE_FIELDS(F)                                                                            \
    F(selectedPage) F(rangeMode) F(rangeFirst) F(rangeLast) F(pagesPerRow) F(frameCount) F(frameIndex)      \
    F(excelTemplate) F(excelSheet)

/* Global data of one calling application: the per-application state of every
** library module. Created zero-filled at start-up, lives until the host ends. */
struct ZmGlobalData {
    uint8_t userPrefOpen;                        /* user preference file is open */
    uint8_t userPrefReadOnly;                    /* ... and opened read-only */
    int32_t dialogWork[3];                       /* file/list selection and project dialogs */
    uint8_t dialogWorkBytes[8];
    char applicationName[ZMGD_NAME_SIZE];
    char aboutTexts[ZMGD_ABOUT_TEXTS][ZMGD_ABOUT_TEXT_SIZE]; /* title, version, 12 further texts */
    char messageBoxTitles[4][ZMGD_TITLE_SIZE];   /* by message box kind 4, 8, 1, 2 */
    double conversionResult;                     /* last master/UOR conversion */
    double pageScale;                            /* page cell to paper, 1.0 at start */
    int32_t spinnerTick;
    int32_t attribSetSelection;                  /* -1 at start */
    int32_t attribSetWork[3];
    int32_t projectDialog[3];                    /* -1, -1, 1 at start */
    int32_t exportFlag;
    int32_t reserved1;                           /* 1 at start */
    int32_t initAppFlag;                         /* waiting for the first design file */
    int32_t initAppCount;                        /* functions in initApps, 0 to 10 */
    int32_t spinnerIndex;                        /* 0 to 3 */
    int32_t introDisplayTime;                    /* seconds */
    int32_t printDriverType;
    int32_t printPaperCode;
    double printTextAngleOffset;
    void* modulePointers[ZMGD_MODULE_POINTERS];
    void* attribCurrentSet;
    void* attribListHead;
    void* projectBlock;                          /* 8 bytes */
    void* preview;
    char* ownerRecord;                           /* 200 bytes: company, super-user and two more texts */
    ZmResourceFile userPrefFile;
    char* dialogBlock;                           /* 836 bytes */
    ZmInitAppFunction initApps[ZMGD_INIT_APPS];  /* run at the first design file */
    void* reserved2;
    ZmScaleFunction scaleFunction;
    void* reserved3;
    char* workBuffer;                            /* 256 bytes */
    char pageName[ZMGD_NAME_SIZE];               /* the current page: its information reaches material lists */
    ZmPreviewState previewState;
    char** previewPageNames;                     /* copies, ended by a null entry */
    int32_t previewPageCount;
    int32_t previewShownPage;                    /* -1 while none is on show */
    MSElementDescr* previewDescr;                /* the page on show */
    int32_t previewDialogSize[2];                /* width, height */
    ZmPreviewPageFunction previewPageFunction;
    ZmPreviewPageListFunction previewPageListFunction;
    ZmPreviewUserPrintFunction previewUserPrintFunction;
};
static_assert(std::is_trivially_copyable_v<ZmGlobalData>);
/* The fields as dialog items reach them through "zgdP" (type descriptions). */
#define ZMGLOBALDATA_FIELDS(F)                                                                              \
    F(userPrefOpen) F(userPrefReadOnly) F(dialogWork) F(dialogWorkBytes) F(applicationName) F(aboutTexts)   \
    F(messageBoxTitles) F(conversionResult) F(pageScale) F(spinnerTick) F(attribSetSelection)               \
    F(attribSetWork) F(projectDialog) F(exportFlag) F(reserved1) F(initAppFlag) F(initAppCount)             \
    F(spinnerIndex) F(introDisplayTime) F(printDriverType) F(printPaperCode) F(printTextAngleOffset)        \
    F(modulePointers) F(attribCurrentSet) F(attribListHead) F(projectBlock) F(preview) F(ownerRecord)       \
    F(userPrefFile) F(dialogBlock) F(initApps) F(reserved2) F(scaleFunction) F(reserved3) F(workBuffer) F(pageName)   \
    F(previewState) F(previewPageNames) F(previewPageCount) F(previewShownPage) F(previewDescr)                  \
    F(previewDialogSize) F(previewPageFunction) F(previewPageListFunction) F(previewUserPrintFunction)

extern "C" ZMLIB_API int zmlibMain_initZmLib(const char* applicationName, int argc, char* argv[]);
extern "C" ZMLIB_API int zmlibMain_initZmLibExtended(const char* applicationName, int argc, char* argv[],
                                                     int resourceOpenMode);
/* The caller's record, or null (with a console line) when it never initialised. */
extern "C" ZMLIB_API ZmGlobalData* zmlibMain_getGlobalDataP(void);
extern "C" ZMLIB_API char* zmlibMain_getApplicationName(void);
extern "C" ZMLIB_API char* zmlibMain_getZmlibVersion(void);
extern "C" ZMLIB_API const char* zmlibMain_getZmlibLocation(void);
extern "C" ZMLIB_API int zmlibMain_currentAppIsInitApp(void);
extern "C" ZMLIB_API void zmlibMain_addInitApp(ZmInitAppFunction function);
extern "C" ZMLIB_API void zmlibMain_execFuncOrAddToInitApps(ZmInitAppFunction function);
extern "C" ZMLIB_API void zmlibMain_newDesignFile(const char* fileName, int state);
extern "C" ZMLIB_API void zmlibMain_updateBeforeDialogOpen(int dialogId);
extern "C" ZMLIB_API void zmlibMain_setScaleFunction(ZmScaleFunction function);
