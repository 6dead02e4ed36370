/* Utilities shared by the application and the library's modules: unit
** conversion, work mode, levels by name, text splitting and sizing, token
** lists, text conversions, date and time, the spinner, read-out accuracy,
** reduced host editions, plot fences, help and web pages. */
#pragma once

#include <cstdint>
#include "host/mdltypes.h"
#include "lib/zmlib_api.h"

struct TextParamWide;
struct DialogItem;
union MSElement;

/* Called for each plot fence: (element, file position, model, user argument);
** non-zero ends the scan of that model. */
typedef int (*ZmPlotFenceFunction)(MSElement* element, uint32_t filePos, DgnModelRefP model, void* userArg);

extern "C" ZMLIB_API double* zmlibUtil_masterToUORP(double master);
extern "C" ZMLIB_API double* zmlibUtil_UORToMasterP(double uor);
extern "C" ZMLIB_API int zmlibUtil_setWorkmode(const char* variableName);
extern "C" ZMLIB_API uint32_t zmlibUtil_levelIdFromNameExtended(const MSWChar* name, int rewrite, int setSymbology,
                                                                uint32_t colour, uint32_t weight, int32_t style);
extern "C" ZMLIB_API uint32_t zmlibUtil_levelIdFromName(const MSWChar* name);
extern "C" ZMLIB_API void zmlibUtil_extractTextSize(const char* text, double scale, int attributeId, double lineSpacing,
                                                    double* width, double* lineHeight, double* totalHeight,
                                                    TextParamWide* textParams);
extern "C" ZMLIB_API int zmlibUtil_splitText(char* text, char* rest);
extern "C" ZMLIB_API char* zmlibUtil_removeSpaces(char* text);
extern "C" ZMLIB_API char** zmlibString_tokenize(int* count, char* text, const char* delimiters);
extern "C" ZMLIB_API char** zmlibString_tokenize2(int* count, const char* text, const char* delimiters);
extern "C" ZMLIB_API void zmlibString_freeTokenList(char** tokens, int count);
extern "C" ZMLIB_API MSWChar* zmlibUtil_convertToUnicodeText(const char* text);
extern "C" ZMLIB_API char* zmlibUtil_convertToMultibyteText(const MSWChar* text);
extern "C" ZMLIB_API void zmlibUtil_getDateAndTime(int* year, int* month, int* day, int* hour, int* minute,
                                                   int* second, int* weekday, char* weekdayName, char* monthName);
extern "C" ZMLIB_API void zmlibUtil_initHourGlass(void);
extern "C" ZMLIB_API void zmlibUtil_updateHourGlass(void);
extern "C" ZMLIB_API int zmlibUtil_getCoordinateReadoutAccuracy(int defaultDecimals);
extern "C" ZMLIB_API int zmlibUtil_setActiveDecimalNumberInTextItem(DialogItem* item);
extern "C" ZMLIB_API int zmlibUtil_angleIn2Or3Quadrant(double angle);
extern "C" ZMLIB_API uint32_t zmlibUtil_newGraphicGroup(void);
extern "C" ZMLIB_API int zmlibUtil_runningPowerDraft(void);
extern "C" ZMLIB_API int zmlibUtil_mdlExternalNotAvailable(void);
extern "C" ZMLIB_API int zmlibUtil_findAllPlotFence(ZmPlotFenceFunction callback, void* userArg);
extern "C" ZMLIB_API int zmlibWeb_openFile(const char* path);
extern "C" ZMLIB_API int zmlibWeb_openUrl(const char* address);
extern "C" ZMLIB_API void zmlibWeb_openApplHelp(void);
extern "C" ZMLIB_API void zmlibWeb_openApplChmHelp(void);
