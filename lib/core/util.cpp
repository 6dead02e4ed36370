/* Utilities: unit conversion into the caller's record, work mode, levels by
** name, line breaks and text sizes, token lists, static text conversions,
** date and time, the spinner, read-out accuracy, reduced editions, plot
** fences and the help and web functions. State: the two conversion buffers. */
#include "lib/core/util.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>

#include "host/mdlcommand.h"
#include "host/mdlcontrol.h"
#include "host/mdldialog.h"
#include "host/mdlelement.h"
#include "host/mdlexternal.h"
#include "host/mdlgeom.h"
#include "host/mdllevel.h"
#include "host/mdlsystem.h"
#include "host/mdltext.h"
#include "lib/core/error.h"
#include "lib/core/main.h"
#include "lib/core/mem.h"
#include "lib/core/text_int.h"
#include "lib/core/util_int.h"
#include "lib/elements/elmattr.h"

namespace {

using namespace zmlib::util;

struct UtilState {
    MSWChar wide[CONVERT_BUFFER_CHARS];
    char bytes[CONVERT_BUFFER_CHARS];
};
UtilState state{};

double none = 0.0;  /* answered when the caller has no record */

const char* const WEB_BROWSER = "WEBBROWS";

/* Copy TEXT into its own allocation of the library's allocator. */
char* duplicate(const char* text, size_t length) {
    auto* copy = static_cast<char*>(zmlibMem_mallocRscErrorPrintf(static_cast<unsigned>(length + 1), ZMLIB_LIST_ERRORS,
                                                                   ZMLIB_MSG_OUT_OF_MEMORY));
    if (copy) std::memcpy(copy, text, length);
    return copy;
}

/* Split TEXT in place at runs of DELIMITERS into a token list of copies. */
char** tokenizeInPlace(int* count, char* text, const char* delimiters) {
    if (count) *count = 0;
    if (!text || !*text) return nullptr;
    const char* delims = delimiters ? delimiters : "";
    unsigned capacity = TOKEN_STEP;
    auto** list = static_cast<char**>(zmlibMem_mallocRscErrorPrintf(static_cast<unsigned>(sizeof(char*) * capacity),
                                                                    ZMLIB_LIST_ERRORS, ZMLIB_MSG_OUT_OF_MEMORY));
    if (!list) return nullptr;
    int n = 0;
    char* p = text;
    while (*p) {
        p += std::strspn(p, delims);
        if (!*p) break;
        size_t length = std::strcspn(p, delims);
        char* end = p + length;
        bool last = !*end;
        *end = '\0';
        if (static_cast<unsigned>(n) == capacity) {
            unsigned oldSize = static_cast<unsigned>(sizeof(char*) * capacity);
            unsigned newSize = static_cast<unsigned>(sizeof(char*) * (capacity + TOKEN_STEP));
            auto** grown = static_cast<char**>(zmlibMem_reallocRscErrorPrintf(list, oldSize, newSize, ZMLIB_LIST_ERRORS,
                                                                             ZMLIB_MSG_OUT_OF_MEMORY));
            if (!grown) {
                zmlibString_freeTokenList(list, n);
                return nullptr;
            }
            list = grown;
            capacity += TOKEN_STEP;
        }
        char* copy = duplicate(p, length);
        if (!copy) {
            zmlibString_freeTokenList(list, n);
            return nullptr;
        }
        list[n++] = copy;
        if (last) break;
        p = end + 1;
    }
    if (n == 0) {
        dlmSystem_mdlFree(list);
        return nullptr;
    }
    if (count) *count = n;
    return list;
}

/* The base directory of the manuals: ZM_LOCAL, else ZM_DIR, expanded. */
bool helpBase(std::string& base) {
    char value[MAXFILELENGTH];
    if (mdlSystem_getExpandedCfgVar(value, "ZM_LOCAL", sizeof value) == 0 ||
        mdlSystem_getExpandedCfgVar(value, "ZM_DIR", sizeof value) == 0) {
        base = value;
        return true;
    }
    return false;
}

bool fileExists(const std::string& path) { return mdlFile_getFileAttributes(path.c_str(), nullptr, nullptr, nullptr) == 0; }

std::string formatPath(const char* format, const std::string& a, const std::string& b, const std::string& c = {}) {
    char out[MAXFILELENGTH * 2];
    std::snprintf(out, sizeof out, format, a.c_str(), b.c_str(), c.c_str());
    return out;
}

/* Load the web browser application when needed and send it KIND and TARGET. */
int browse(const char* kind, const char* target) {
    if (!mdlSystem_findMdlDesc(WEB_BROWSER) && mdlSystem_loadMdlProgram(WEB_BROWSER, nullptr, nullptr) != 0) {
        zmlibError_rscMsgBoxPrintf(ZMLIB_MSGBOX_INFO_OK, ZMLIB_LIST_ERRORS, MSG_NO_BROWSER);
        return ZMLIB_ERROR;
    }
    std::string keyin = std::string("browse ") + kind + " " + (target ? target : "");
    return mdlInput_sendKeyin(keyin.c_str(), 1, 0, nullptr);
}

/* Whether configuration variable NAME is defined at any level. */
bool defined(const char* name) { return mdlSystem_getCfgVar(nullptr, name, 0) == 0; }

/* Whether ELEMENT carries user data of application id 6 in its first user data linkage. */
bool isPlotFence(const MSElement* element) {
    alignas(8) uint8_t linkage[8192];
    if (!mdlLinkage_extractFromElement(linkage, sizeof linkage, element, USER_DATA_LINKAGE_ID, nullptr, nullptr, nullptr))
        return false;
    int16_t appId = static_cast<int16_t>(linkage[4] | (linkage[5] << 8));
    return appId == PLOT_FENCE_APP_ID;
}

/* Report every plot fence of MODEL to CALLBACK until it answers non-zero. */
void scanPlotFences(DgnModelRefP model, ZmPlotFenceFunction callback, void* userArg) {
    ScanCriteriaP criteria = mdlScanCriteria_create();
    if (!criteria) return;
    mdlScanCriteria_setModel(criteria, model);
    mdlScanCriteria_addSingleElementTypeTest(criteria, 6);
    mdlScanCriteria_setClassTest(criteria, 4);
    mdlScanCriteria_setReturnType(criteria, SCAN_RETURN_FILEPOS, 0, 0);
    enum { POSITIONS = 128 };
    UInt32 buffer[POSITIONS];
    bool stop = false;
    int status;
    do {
        int words = POSITIONS * 2;
        UInt32 next = 0;
        status = mdlScanCriteria_scan(criteria, buffer, &words, &next);
        if (status != SCAN_BUFFER_FULL && status != SCAN_END_OF_MODEL) break;
        for (int i = 0; i < words / 2 && !stop; ++i) {
            MSElementDescr* descr = nullptr;
            if (mdlElmdscr_read(&descr, buffer[i], model, 0, nullptr) == 0 || !descr) continue;
            if (isPlotFence(&descr->el))
                stop = dlmSystem_callAnyFunction("PIPP", mdlSystem_getCurrMdlDesc(), reinterpret_cast<void*>(callback),
                                                 &descr->el, static_cast<int>(buffer[i]), model, userArg) != 0;
            mdlElmdscr_freeAll(&descr);
        }
    } while (status == SCAN_BUFFER_FULL && !stop);
    mdlScanCriteria_free(criteria);
}

/* Whether the reference MODEL takes part in plots. */
bool referenceInPlots(DgnModelRefP model) {
    if (!mdlModelRef_isReference(model)) return true;
    int hidden = 0, found = 0, display = 0;
    mdlRefFile_getParameters(&hidden, REFERENCE_HIDDEN, model);
    mdlRefFile_getParameters(&found, REFERENCE_FILE_FOUND, model);
    mdlRefFile_getParameters(&display, REFERENCE_DISPLAY, model);
    return hidden != 1 && found != 0 && display != 0;
}

}  // namespace

namespace zmlib::util {

const char SPINNER_CHARS[4] = {'|', '/', '-', '\\'};

int splitAtLineBreak(char* text, char* rest, size_t restSize) {
    if (!text) return 0;
    char* p = text;
    size_t breakLength = 0;
    for (; *p; ++p) {
        if (*p == '\n') { breakLength = 1; break; }
        if (*p == '\\' && (p[1] == 'n' || p[1] == 'N')) { breakLength = 2; break; }
    }
    if (!*p) return 0;
    const char* after = p + breakLength;
    bool more = *after != '\0';
    if (more && rest) zmlib::copyFixed(rest, restSize, after);
    *p = '\0';
    return more ? 1 : 0;
}

int readoutDecimals(int format, int flags, int defaultDecimals) {
    if (!(flags & READOUT_FLAG_FRACTIONS)) return (format & 7) == 0 ? 4 : (format & 7) - 1;
    if (defaultDecimals >= 0) return defaultDecimals;
    switch ((format >> 3) & 31) {
    case 0: return 5;
    case 1: return 6;
    case 3: return 7;
    case 7: return 8;
    case 15: return 9;
    case 31: return 10;
    default: return defaultDecimals;
    }
}

bool rewriteDecimalFormat(char* format, size_t size, int decimals) {
    if (!format || decimals < 0 || decimals > 9) return false;
    size_t n = std::strlen(format);
    if (n < 3 || format[n - 1] != 'f') return false;
    char current = format[n - 2];
    if (current == '0' + decimals) return false;
    /* Replace the digit and the 'f' by the accuracy and 'f'. */
    std::string text(format, n - 2);
    char tail[16];
    std::snprintf(tail, sizeof tail, "%df", decimals);
    text += tail;
    if (text.size() >= size) return false;
    zmlib::copyFixed(format, size, text.c_str());
    return true;
}

const char* workmodeText(int mode) {
    switch (mode) {
    case 0: return "DGN";
    case 1: return "DWG";
    case 2: return "V7";
    default: return nullptr;
    }
}

void resetForTests() { state = UtilState{}; }

}  // namespace zmlib::util

extern "C" ZMLIB_API double* zmlibUtil_masterToUORP(double master) {
    ZmGlobalData* gd = zmlibMain_getGlobalDataP();
    if (!gd) return &none;
    double uor = 0.0;
    if (mdlCnv_masterToUOR(&uor, master, nullptr) != 0) uor = 0.0;
    gd->conversionResult = uor;
    return &gd->conversionResult;
}

extern "C" ZMLIB_API double* zmlibUtil_UORToMasterP(double uor) {
    ZmGlobalData* gd = zmlibMain_getGlobalDataP();
    if (!gd) return &none;
    double master = 0.0;
    if (mdlCnv_UORToMaster(&master, uor, nullptr) != 0) master = 0.0;
    gd->conversionResult = master;
    return &gd->conversionResult;
}

extern "C" ZMLIB_API int zmlibUtil_setWorkmode(const char* variableName) {
    if (!variableName) return 0;
    char value[32];
    if (mdlSystem_getCfgVar(value, variableName, sizeof value) != 0) return 0;
    const char* text = workmodeText(mdlSystem_getWorkmode());
    if (!text || std::strcmp(value, text) == 0) return 0;
    mdlSystem_defineCfgVar(variableName, text, CFGVAR_LEVEL_USER);
    return 1;
}

extern "C" ZMLIB_API uint32_t zmlibUtil_levelIdFromNameExtended(const MSWChar* name, int rewrite, int setSymbology,
                                                                uint32_t colour, uint32_t weight, int32_t style) {
    if (!name || !*name) return 0;
    UInt32 id = 0;
    DgnModelRefP active = mdlModelRef_getActive();
    if (mdlLevel_getIdFromName(&id, active, name) == 0) return id;
    if (DgnModelRefP library = mdlLevelLibrary_getModelRef())
        if (mdlLevel_getIdFromName(&id, library, name) == 0) return id;
    if (mdlSystem_getWorkmode() == WORKMODE_V7) {
        char detailed[2048];
        std::snprintf(detailed, sizeof detailed, "Cannot create level '%s' because MicroStation is in 'V7 Workmode'.",
                      zmlibUtil_convertToMultibyteText(name));
        mdlOutput_messageCenter(LEVEL_MESSAGE_TYPE, "NA in 'V7 Workmode'.", detailed, 0);
        return 0;
    }
    if (mdlLevel_create(&id, active, name, -1) != 0) return 0;
    if (setSymbology) {
        UInt32 c = colour, w = weight, fill = colour;
        Int32 s = style;
        mdlLevel_setElementSymbology(active, id, &c, &s, nullptr, &w, &fill);
        UInt32 zeroColour = 0, zeroWeight = 0;
        Int32 zeroStyle = 0;
        mdlLevel_setSymbology(active, id, &zeroColour, &zeroStyle, &zeroWeight);
    }
    if (rewrite) mdlLevelTable_rewrite(active);
    return id;
}

extern "C" ZMLIB_API uint32_t zmlibUtil_levelIdFromName(const MSWChar* name) {
    return zmlibUtil_levelIdFromNameExtended(name, 1, 0, 0, 0, 0);
}

extern "C" ZMLIB_API void zmlibUtil_extractTextSize(const char* text, double scale, int attributeId, double lineSpacing,
                                                    double* width, double* lineHeight, double* totalHeight,
                                                    TextParamWide* textParams) {
    char line[TEXT_SIZE_MAX + 1];
    char rest[TEXT_SIZE_MAX + 1];
    zmlib::copyFixed(line, text);
    double maxWidth = 0.0, height = 0.0;
    int lines = 0;
    bool haveLast = false;
    for (;;) {
        int more = splitAtLineBreak(line, rest, sizeof rest);
        Dpoint3d origin{0, 0, 0};
        Dpoint3d shape[5];
        // Each line is made as the attribute would place it, into the shared element buffer.
        if (line[0] &&
            zmlibElmAttr_createText(dgnBufP, nullptr, line, &origin, nullptr, nullptr, attributeId, scale, nullptr) ==
                ZMLIB_SUCCESS &&
            mdlText_extractShape(shape, dgnBufP) == 0) {
            maxWidth = std::fmax(maxWidth, shape[1].x - shape[0].x);
            height = shape[2].y - shape[1].y;
            haveLast = true;
        } else {
            haveLast = false;
        }
        ++lines;
        if (!more) break;
        std::memcpy(line, rest, sizeof line);
    }
    if (width) *width = maxWidth;
    if (lineHeight) *lineHeight = height;
    if (totalHeight) *totalHeight = (lines - 1) * lineSpacing + lines * height;
    if (textParams && haveLast)
        mdlText_extract(nullptr, 0, nullptr, nullptr, nullptr, nullptr, textParams, nullptr,
                        dgnBufP, nullptr);
}

extern "C" ZMLIB_API int zmlibUtil_splitText(char* text, char* rest) {
    // The caller's rest buffer is as large as its text, so nothing longer than the text can arrive.
    return splitAtLineBreak(text, rest, text ? std::strlen(text) + 1 : 0);
}

extern "C" ZMLIB_API char* zmlibUtil_removeSpaces(char* text) {
    if (!text) return text;
    char* out = text;
    for (const char* p = text; *p; ++p)
        if (*p != ' ' && *p != '\t') *out++ = *p;
    *out = '\0';
    return text;
}

extern "C" ZMLIB_API char** zmlibString_tokenize(int* count, char* text, const char* delimiters) {
    return tokenizeInPlace(count, text, delimiters);
}

extern "C" ZMLIB_API char** zmlibString_tokenize2(int* count, const char* text, const char* delimiters) {
    if (count) *count = 0;
    if (!text || !*text) return nullptr;
    char* copy = duplicate(text, std::strlen(text));
    if (!copy) return nullptr;
    char** list = tokenizeInPlace(count, copy, delimiters);
    dlmSystem_mdlFree(copy);
    return list;
}

extern "C" ZMLIB_API void zmlibString_freeTokenList(char** tokens, int count) {
    if (!tokens || count <= 0) return;
    for (int i = 0; i < count; ++i) dlmSystem_mdlFree(tokens[i]);
    dlmSystem_mdlFree(tokens);
}

extern "C" ZMLIB_API MSWChar* zmlibUtil_convertToUnicodeText(const char* text) {
    state.wide[0] = 0;
    if (text) mdlCnv_convertMultibyteToUnicode(text, -1, state.wide, CONVERT_BUFFER_CHARS);
    return state.wide;
}

extern "C" ZMLIB_API char* zmlibUtil_convertToMultibyteText(const MSWChar* text) {
    state.bytes[0] = '\0';
    if (text) mdlCnv_convertUnicodeToMultibyte(text, -1, state.bytes, CONVERT_BUFFER_CHARS);
    return state.bytes;
}

/* The names are copied out of the shared language-text buffer one at a time,
** so that asking for both gives each its own text. Each name output holds
** NAME_SIZE bytes. */
extern "C" ZMLIB_API void zmlibUtil_getDateAndTime(int* year, int* month, int* day, int* hour, int* minute,
                                                   int* second, int* weekday, char* weekdayName, char* monthName) {
    std::time_t now = std::time(nullptr);
    std::tm t{};
#if defined(_WIN32)
    localtime_s(&t, &now);
#else
    localtime_r(&now, &t);
#endif
    if (year) *year = t.tm_year + 1900;
    if (month) *month = t.tm_mon + 1;
    if (day) *day = t.tm_mday;
    if (hour) *hour = t.tm_hour;
    if (minute) *minute = t.tm_min;
    if (second) *second = t.tm_sec;
    if (weekday) *weekday = t.tm_wday;
    if (weekdayName) zmlib::copyFixed(weekdayName, NAME_SIZE, zmlibUtil_getLanguageText(TEXT_WEEKDAY_FIRST + t.tm_wday));
    if (monthName) zmlib::copyFixed(monthName, NAME_SIZE, zmlibUtil_getLanguageText(TEXT_MONTH_FIRST + t.tm_mon));
}

extern "C" ZMLIB_API void zmlibUtil_initHourGlass(void) {
    if (ZmGlobalData* gd = zmlibMain_getGlobalDataP()) gd->spinnerTick = static_cast<int32_t>(mdlSystem_getTicks());
}

extern "C" ZMLIB_API void zmlibUtil_updateHourGlass(void) {
    ZmGlobalData* gd = zmlibMain_getGlobalDataP();
    if (!gd) return;
    uint32_t now = mdlSystem_getTicks();
    if (now - static_cast<uint32_t>(gd->spinnerTick) <= static_cast<uint32_t>(SPINNER_TICKS)) return;
    gd->spinnerTick = static_cast<int32_t>(now);
    int index = gd->spinnerIndex & 3;
    mdlOutput_printf(MSG_STATUS, "%c", SPINNER_CHARS[index]);
    gd->spinnerIndex = (index + 1) & 3;
}

extern "C" ZMLIB_API int zmlibUtil_getCoordinateReadoutAccuracy(int defaultDecimals) {
    int format = 0, flags = 0;
    mdlSystem_getCoordinateReadout(&format, &flags);
    return readoutDecimals(format, flags, defaultDecimals);
}

extern "C" ZMLIB_API int zmlibUtil_setActiveDecimalNumberInTextItem(DialogItem* item) {
    if (!item || item->type != ITEMTYPE_TEXT) return 0;
    char format[64];
    int status = mdlDialog_textItemGetFormat(format, sizeof format, item);
    if (status != 0) return status;
    if (!rewriteDecimalFormat(format, sizeof format, zmlibUtil_getCoordinateReadoutAccuracy(2))) return 0;
    status = mdlDialog_textItemSetFormat(item, format);
    if (status != 0) return status;
    return 0;
}

extern "C" ZMLIB_API int zmlibUtil_angleIn2Or3Quadrant(double angle) {
    double c = std::cos(angle), s = std::sin(angle);
    return (c < -0.0001 && s > 0) || (c <= 0.0001 && s < 0) ? 1 : 0;
}

extern "C" ZMLIB_API uint32_t zmlibUtil_newGraphicGroup(void) {
    UInt32 group = mdlSystem_getNextGraphicGroup();
    mdlSystem_setNextGraphicGroup(group + 1);
    mdlSystem_updateGraphicGroup();
    return group;
}

extern "C" ZMLIB_API int zmlibUtil_runningPowerDraft(void) {
    if (mdlSystem_getCfgVarAtLevel(nullptr, "_MSDRAFT", CFGVAR_LEVEL_PREDEFINED, 0) != 0) return 0;
    zmlibError_rscMsgBoxPrintf(ZMLIB_MSGBOX_INFO_OK, ZMLIB_LIST_ERRORS, MSG_REDUCED_EDITION);
    return 1;
}

extern "C" ZMLIB_API int zmlibUtil_mdlExternalNotAvailable(void) {
    return defined("_MSDRAFT") || defined("_MSPOWERSCOPE") || defined("_PRJREVIEW") ? 1 : 0;
}

extern "C" ZMLIB_API int zmlibUtil_findAllPlotFence(ZmPlotFenceFunction callback, void* userArg) {
    DgnModelRefP active = mdlModelRef_getActive();
    if (!callback || !active) return 0;
    ModelRefIteratorP iterator = nullptr;
    if (mdlModelRefIterator_create(&iterator, active, MRITERATE_ROOT | MRITERATE_PRIMARY_CHILD_REFS, 0) != 0) return 0;
    for (DgnModelRefP model = mdlModelRefIterator_getFirst(iterator); model;
         model = mdlModelRefIterator_getNext(iterator))
        if (referenceInPlots(model)) scanPlotFences(model, callback, userArg);
    mdlModelRefIterator_free(&iterator);
    return 0;
}

extern "C" ZMLIB_API int zmlibWeb_openFile(const char* path) { return browse("file", path); }

extern "C" ZMLIB_API int zmlibWeb_openUrl(const char* address) { return browse("url", address); }

extern "C" ZMLIB_API void zmlibWeb_openApplHelp(void) {
    std::string base;
    if (!helpBase(base)) return;
    std::string name = zmlibMain_getApplicationName();
    std::string suffix = zmlibUtil_getLanguageText(TEXT_LANGUAGE_SUFFIX);
    std::string file = formatPath("%sdoc/manual/%s%s/index.htm", base, name, suffix);
    if (!fileExists(file)) file = formatPath("%sdoc/manual/%s/index.htm", base, name);
    if (fileExists(file)) zmlibWeb_openFile(file.c_str());
}

extern "C" ZMLIB_API void zmlibWeb_openApplChmHelp(void) {
    std::string base;
    if (!helpBase(base)) return;
    std::string name = zmlibMain_getApplicationName();
    std::string suffix = zmlibUtil_getLanguageText(TEXT_LANGUAGE_SUFFIX);
    std::string file = formatPath("%shelp/%s%s.chm", base, name, suffix);
    if (!fileExists(file)) file = formatPath("%shelp/%s.chm", base, name);
    char root[MAXFILELENGTH] = "";
    mdlSystem_getExpandedCfgVar(root, "SystemRoot", sizeof root);
    std::string viewer = std::string(root) + "\\hh.exe";
    if (fileExists(file) && fileExists(viewer)) mdlExternal_extStartProgram(viewer.c_str(), file.c_str());
}
