/* Material lists: form data arrays (a header and a chain of named fields
** with typed rows), templates filled through bounded formats built from what
** the placeholder asks, texts of a page cell or a level filled, page scaling
** to the printable paper, system data, logo callbacks and the spreadsheet
** export. State: the logo cell and library of zmlibMatList_insertLogoExt. */
#include "lib/document/matlist.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "host/mdlgeom.h"
#include "host/mdlsystem.h"
#include "host/mdltext.h"
#include "lib/core/error.h"
#include "lib/core/main.h"
#include "lib/core/main_int.h"
#include "lib/core/mem.h"
#include "lib/core/text_int.h"
#include "lib/core/util.h"
#include "lib/document/cell.h"
#include "lib/document/matlist_int.h"
#include "lib/output/printsetup_int.h"
#include "lib/elements/element.h"
#include "lib/platform/win32.h"

namespace {

using zmlib::matlist::Fill;

enum : int {
    MSG_ROW_BEYOND = 15,           /* list 20005 */
    TEXT_COMPRESS_LIMIT = 1024,
    SYSTEM_ROWS = 8,
    FILE_ROWS = 5,
    SPEC_MAX = 24,                 /* flags, width and precision of one placeholder */
    WIDTH_MAX = 255,               /* a wider field is refused, not padded */
};

struct MatListState {
    char logoCell[256];
    char logoLibrary[256];
};
MatListState state{};

constexpr zmlib::matlist::PaperArea DEFAULT_PAPER{210, 297, 20, 10, 10, 10};   /* A4 */

int rowsOf(const ZmFormDataArray* list) { return list->values[0].header.rows; }
int nameLengthOf(const ZmFormDataArray* list) { return list->values[0].header.nameLength; }

void freeField(ZmFormField* field) {
    if (!field) return;
    dlmSystem_mdlFree(field->name);
    dlmSystem_mdlFree(field->rowSet);
    dlmSystem_mdlFree(field->values);
    dlmSystem_mdlFree(field);
}

void* allocate(size_t size) {
    return zmlibMem_mallocRscErrorPrintf(static_cast<unsigned>(size), ZMLIB_LIST_ERRORS, ZMLIB_MSG_OUT_OF_MEMORY);
}

ZmFormField* newField(const char* name, int valueType, int rows, int nameLength) {
    auto* field = static_cast<ZmFormField*>(allocate(sizeof(ZmFormField)));
    if (!field) return nullptr;
    field->name = static_cast<char*>(allocate(static_cast<size_t>(nameLength) + 1));
    field->rowSet = static_cast<int32_t*>(allocate(sizeof(int32_t) * static_cast<size_t>(rows)));
    field->values = static_cast<ZmFormValue*>(allocate(sizeof(ZmFormValue) * static_cast<size_t>(rows)));
    if (!field->name || !field->rowSet || !field->values) {
        freeField(field);
        return nullptr;
    }
    zmlib::copyFixed(field->name, static_cast<size_t>(nameLength) + 1, name);
    field->valueType = valueType;
    return field;
}

/* Append at most SIZE - 1 - strlen(OUT) characters of TEXT: the output is cut, never overrun. */
void append(char* out, size_t size, const char* text, size_t length) {
    size_t used = std::strlen(out);
    if (used + 1 >= size) return;
    size_t room = size - 1 - used;
    if (length > room) length = room;
    std::memcpy(out + used, text, length);
    out[used + length] = 0;
}

double distance(const Dpoint3d& a, const Dpoint3d& b) {
    return std::sqrt((a.x - b.x) * (a.x - b.x) + (a.y - b.y) * (a.y - b.y) + (a.z - b.z) * (a.z - b.z));
}

/* A text element like TEMPLATE holding TEXT at ORIGIN (null: the template's). */
bool buildText(MSElement* out, const MSElement* templ, const char* text, const Dpoint3d* origin) {
    return mdlText_create(out, templ, text, origin, nullptr, nullptr, nullptr, nullptr) == 0;
}

/* A text node of LINES with TEMPLATE's symbology and text parameters, the
** lines half a character width apart. */
MSElementDescr* buildTextNode(const MSElement* templ, const std::vector<std::string>& lines) {
    Dpoint3d origin{};
    RotMatrix rotation;
    TextSizeParam size{};
    if (mdlText_extract(nullptr, 0, &origin, nullptr, &rotation, &size, nullptr, nullptr, templ, nullptr) != 0)
        return nullptr;
    double spacing = size.size.x / 2;
    static MSElement element;
    if (mdlTextNode_create(&element, templ, &origin, spacing) != 0) return nullptr;
    MSElementDescr* node = nullptr;
    if (mdlElmdscr_new(&node, nullptr, &element) != 0) return nullptr;
    for (size_t i = 0; i < lines.size(); ++i) {
        Dpoint3d step{0, -static_cast<double>(i) * (size.size.y + spacing), 0};
        mdlRMatrix_rotatePoint(&step, &rotation);
        Dpoint3d at{origin.x + step.x, origin.y + step.y, origin.z + step.z};
        if (!buildText(&element, templ, lines[i].empty() ? " " : lines[i].c_str(), &at) ||
            mdlElmdscr_appendElement(node, &element) != 0) {
            mdlElmdscr_freeAll(&node);
            return nullptr;
        }
    }
    mdlElmdscr_validate(node, nullptr);
    return node;
}

/* ---- Callbacks of the logo field ------------------------------------------------ */

void loadLogo(MSElementDescr** descrOut, const char* cell, const char* library) {
    if (!descrOut) return;
    zmlibCell_loadCellLibraryIfNeeded(library);
    if (mdlCell_getElmDscr(descrOut, zmlibUtil_convertToUnicodeText(cell), nullptr, 0) != 0) *descrOut = nullptr;
}

int logoCallback(int, const char*, MSElementDescr** descrOut, void*, double, double) {
    loadLogo(descrOut, "LOGO", "logo.cel");
    return 0;
}

int logoExtCallback(int, const char*, MSElementDescr** descrOut, void*, double, double) {
    loadLogo(descrOut, state.logoCell, state.logoLibrary);
    return 0;
}

/* ---- Text elements of a descriptor ------------------------------------------------ */

void collectTexts(MSElementDescr* chain, std::vector<MSElementDescr*>& texts) {
    for (MSElementDescr* d = chain; d; d = d->next) {
        if (mdlElement_getType(&d->el) == TEXT_ELM) texts.push_back(d);
        collectTexts(d->firstChild, texts);
    }
}

/* ---- The spreadsheet export ------------------------------------------------------ */

int exportToSpreadsheet(ZmFormDataArray* list) {
    if (!list) return ZMLIB_ERROR;
    for (ZmFormField* field = list->next; field; field = field->next) {
        if (field->valueType < ZMFORM_DOUBLE || field->valueType > ZMFORM_CHAR) continue;
        zmlibUtil_updateHourGlass();
        for (int row = 1; row <= rowsOf(list); ++row) {
            char placeholder[300];
            std::snprintf(placeholder, sizeof placeholder, "%%%02d%%%s", row, field->name);
            char value[ZMMATLIST_TEXT_SIZE];
            int result = zmlib::matlist::formatText(placeholder, list, value, sizeof value, nullptr, 0, 0, 1);
            if (result == 0 || result == ZMFORM_CALLBACK || !value[0]) continue;
            char command[400];
            std::snprintf(command, sizeof command, "[FORMULA(\"%s\")]", placeholder);
            zmlibWin32_DdeSendMessage(command);
            zmlibWin32_DdeReplaceText(placeholder, value);
        }
    }
    return ZMLIB_SUCCESS;
}

/* ---- Level fill in the design file --------------------------------------------------- */

struct Rewrite {
    const MSElement* element;
};

int rewriteText(MSElement* element, void* params, DgnModelRefP, MSElementDescr*, MSElementDescr**) {
    const MSElement* replacement = static_cast<Rewrite*>(params)->element;
    std::memcpy(element->bytes, replacement->bytes, mdlElement_size(replacement));
    return MODIFY_STATUS_REPLACE;
}

int removeText(MSElement*, void*, DgnModelRefP, MSElementDescr*, MSElementDescr**) { return MODIFY_STATUS_DELETE; }

}  // namespace

namespace zmlib::matlist {

bool buildFormat(const char* spec, size_t length, char letter, char* out, size_t size) {
    size_t i = 0;
    std::string format = "%";
    while (i < length && std::strchr("-+ #0", spec[i])) format += spec[i++];
    size_t digits = i;
    while (i < length && spec[i] >= '0' && spec[i] <= '9') ++i;
    if (i > digits && std::atoi(std::string(spec + digits, i - digits).c_str()) > WIDTH_MAX) return false;
    format.append(spec + digits, i - digits);
    if (i < length && spec[i] == '.') {
        size_t from = ++i;
        while (i < length && spec[i] >= '0' && spec[i] <= '9') ++i;
        if (i > from && std::atoi(std::string(spec + from, i - from).c_str()) > WIDTH_MAX) return false;
        format += '.';
        format.append(spec + from, i - from);
    }
    if (i != length || format.size() + 2 > size) return false;
    format += letter;
    zmlib::copyFixed(out, size, format.c_str());
    return true;
}

int formatText(const char* templateText, ZmFormDataArray* list, char* out, size_t size, MSElementDescr** descrOut,
               double width, double height, int rowIndexes) {
    if (!out || size == 0) return ZMFORM_TEXT;
    out[0] = 0;
    if (descrOut) *descrOut = nullptr;
    if (!list || !templateText) return ZMFORM_TEXT;
    const int rows = rowsOf(list);
    const size_t nameLength = static_cast<size_t>(nameLengthOf(list));
    int result = ZMFORM_TEXT;
    const char* p = templateText;
    while (*p) {
        if (*p != '%') {
            const char* run = std::strchr(p, '%');
            size_t n = run ? static_cast<size_t>(run - p) : std::strlen(p);
            append(out, size, p, n);
            p += n;
            continue;
        }
        if (p[1] == '%') {
            append(out, size, "%", 1);
            p += 2;
            continue;
        }
        ++p;
        int row = 0;
        bool noRow = false;
        if (rowIndexes) {
            const char* q = p;
            while (*q == '-' || (*q >= '0' && *q <= '9')) ++q;
            if (*q == '%' && q > p) {
                int number = std::atoi(std::string(p, q - p).c_str());
                p = q + 1;
                if (number == 0) noRow = true;
                else if (std::abs(number) - 1 >= rows) {
                    zmlibError_rscMsgBoxPrintf(ZMLIB_MSGBOX_INFO_OK, ZMLIB_LIST_ERRORS, MSG_ROW_BEYOND, number, p, rows);
                    return 0;
                }
                else row = std::abs(number) - 1;
            }
        }
        const char* spec = p;
        while (*p && !std::isalpha(static_cast<unsigned char>(*p))) ++p;
        size_t specLength = static_cast<size_t>(p - spec);
        const char* name = p;
        p += ::strnlen(p, nameLength);
        if (noRow) continue;
        for (ZmFormField* field = list->next; field; field = field->next) {
            if (std::strncmp(name, field->name, nameLength) != 0) continue;
            result = field->valueType;
            if (!field->rowSet[row]) break;
            const ZmFormValue& v = field->values[row];
            if (field->valueType == ZMFORM_CALLBACK) {
                if (!descrOut || !v.callback.function) return ZMFORM_CALLBACK;
                void* userData = reinterpret_cast<void*>(static_cast<intptr_t>(v.callback.userData));
                if (v.callback.native)
                    v.callback.function(row, field->name, descrOut, userData, width, height);
                else
                    dlmSystem_callAnyFunction("IPPPDD", mdlSystem_getCurrMdlDesc(),
                                              reinterpret_cast<void*>(v.callback.function), row, field->name, descrOut,
                                              userData, width, height);
                return ZMFORM_CALLBACK;
            }
            if (field->valueType < ZMFORM_DOUBLE || field->valueType > ZMFORM_CHAR) break;
            static const char letters[] = {0, 'f', 'd', 's', 'c'};
            char format[32];
            if (!buildFormat(spec, specLength, letters[field->valueType], format, sizeof format)) break;
            char value[ZMMATLIST_TEXT_SIZE + 2 * WIDTH_MAX];
            switch (field->valueType) {
            case ZMFORM_DOUBLE: std::snprintf(value, sizeof value, format, v.d); break;
            case ZMFORM_INT: std::snprintf(value, sizeof value, format, v.i); break;
            case ZMFORM_TEXT: std::snprintf(value, sizeof value, format, v.text ? v.text : ""); break;
            default: std::snprintf(value, sizeof value, format, v.c); break;
            }
            append(out, size, value, std::strlen(value));
            break;
        }
    }
    return result;
}

Fill fillText(const MSElement* element, ZmFormDataArray* list, MSElementDescr** replacement) {
    *replacement = nullptr;
    if (mdlElement_getType(element) != TEXT_ELM) return Fill::Unchanged;
    zmlibUtil_updateHourGlass();
    char text[ZMMATLIST_TEXT_SIZE];
    Dpoint3d shape[5];
    if (mdlText_extractString(text, sizeof text, element) != 0 || mdlText_extractShape(shape, element) != 0)
        return Fill::Unchanged;
    double width = distance(shape[0], shape[1]);
    double height = distance(shape[1], shape[2]);
    char filled[ZMMATLIST_TEXT_SIZE];
    MSElementDescr* made = nullptr;
    int result = formatText(text, list, filled, sizeof filled, &made, width, height, 1);
    if (result == 0) return Fill::Unchanged;
    if (result == ZMFORM_CALLBACK && made) {
        Dpoint3d target[5];
        std::memcpy(target, shape, sizeof target);
        zmlibElemDscr_placeElementDescr(target, 1, made);
        *replacement = made;
        return Fill::Replaced;
    }
    if (result == ZMFORM_CALLBACK || !filled[0]) zmlib::copyFixed(filled, " ");
    static MSElement built;
    if (std::strchr(filled, '\n')) {
        std::vector<std::string> lines;
        for (const char* at = filled;;) {
            const char* end = std::strchr(at, '\n');
            std::string line(at, end ? static_cast<size_t>(end - at) : std::strlen(at));
            if (!line.empty() && line.back() == '\r') line.pop_back();
            lines.push_back(line);
            if (!end) break;
            at = end + 1;
        }
        *replacement = buildTextNode(element, lines);
    } else if (buildText(&built, element, filled, nullptr)) {
        mdlElmdscr_new(replacement, nullptr, &built);
    }
    return *replacement ? Fill::Replaced : Fill::Removed;
}

PaperArea paperArea() {
    const ZmPrinterSetup* r = zmlib::printsetup::record();
    PaperArea area{};
    if (r) area = {r->paperWidth, r->paperHeight, r->marginLeft, r->marginRight, r->marginTop, r->marginBottom};
    // Until the first application started there is no record.
    if (area.width <= 0 || area.height <= 0) return DEFAULT_PAPER;
    return area;
}

}  // namespace zmlib::matlist

extern "C" ZMLIB_API ZmFormDataArray* zmlibMatList_createFormDataArray(int nameLength, int rows) {
    if (nameLength < 1 || rows < 1) return nullptr;
    ZmFormField* header = newField("", ZMFORM_HEADER, rows, nameLength);
    if (!header) return nullptr;
    header->values[0].header.rows = rows;
    header->values[0].header.nameLength = nameLength;
    return header;
}

extern "C" ZMLIB_API ZmFormDataArray* zmlibMatList_destroyFormDataArray(ZmFormDataArray* list) {
    if (!list) return nullptr;
    const int rows = rowsOf(list);
    for (ZmFormField* field = list->next; field;) {
        ZmFormField* next = field->next;
        if (field->valueType == ZMFORM_TEXT)
            for (int r = 0; r < rows; ++r)
                if (field->rowSet[r]) dlmSystem_mdlFree(field->values[r].text);
        freeField(field);
        field = next;
    }
    freeField(list);
    return nullptr;
}

extern "C" ZMLIB_API int zmlibMatList_insertValue(ZmFormDataArray* list, const char* name, int valueType, int row,
                                                 ...) {
    if (!list) return ZMFORM_NO_ARRAY;
    const int rows = rowsOf(list);
    if (row < 0 || row >= rows) return ZMFORM_BAD_ROW;
    const char* key = name ? name : "";
    const size_t nameLength = static_cast<size_t>(nameLengthOf(list));
    ZmFormField* field = list;
    while (field->next && std::strncmp(field->next->name, key, nameLength) != 0) field = field->next;
    if (field->next) {
        field = field->next;
    } else {
        ZmFormField* added = newField(key, valueType, rows, nameLengthOf(list));
        if (!added) return ZMFORM_NO_ARRAY;
        field->next = added;
        field = added;
    }
    // The value is read as the caller passed it; reading it as the field's
    // own type when the two differ would take the wrong argument off the stack.
    ZmFormValue value{};
    std::string text;
    va_list ap;
    va_start(ap, row);
    switch (valueType) {
    case ZMFORM_DOUBLE: value.d = va_arg(ap, double); break;
    case ZMFORM_INT: value.i = va_arg(ap, int); break;
    case ZMFORM_TEXT: {
        const char* given = va_arg(ap, const char*);
        text = given ? std::string(given, ::strnlen(given, TEXT_COMPRESS_LIMIT)) : std::string();
        break;
    }
    case ZMFORM_CHAR: value.c = static_cast<char>(va_arg(ap, int)); break;
    case ZMFORM_CALLBACK:
        value.callback.function = va_arg(ap, ZmFormCallback);
        value.callback.userData = va_arg(ap, int);
        value.callback.native = va_arg(ap, int);
        break;
    default: break;
    }
    va_end(ap);
    if (field->valueType < ZMFORM_DOUBLE || field->valueType > ZMFORM_CALLBACK) {
        field->rowSet[row] = 1;
        return ZMFORM_BAD_TYPE;
    }
    if (field->valueType != valueType) return ZMFORM_BAD_TYPE;
    bool wasSet = field->rowSet[row] != 0;
    if (valueType == ZMFORM_TEXT) {
        std::vector<char> work(text.begin(), text.end());
        work.push_back(0);
        mdlText_compressString(work.data(), TEXT_COMPRESS_LIMIT, TEXT_COMPRESS_ALL);
        value.text = static_cast<char*>(allocate(std::strlen(work.data()) + 1));
        if (!value.text) return ZMFORM_NO_ARRAY;
        std::strcpy(value.text, work.data());
        if (wasSet) dlmSystem_mdlFree(field->values[row].text);
    }
    field->rowSet[row] = 1;
    field->values[row] = value;
    return ZMLIB_SUCCESS;
}

extern "C" ZMLIB_API int zmlibMatList_generateFormatedText(const char* templateText, ZmFormDataArray* list, char* out,
                                                          MSElementDescr** descrOut, double width, double height,
                                                          int rowIndexes) {
    return zmlib::matlist::formatText(templateText, list, out, ZMMATLIST_TEXT_SIZE, descrOut, width, height,
                                      rowIndexes);
}

extern "C" ZMLIB_API int zmlibMatList_generatePageElementDescr(const char* cellName, const char* library,
                                                              MSElementDescr** descrOut, ZmFormDataArray* list,
                                                              int cellFlags) {
    ZmGlobalData* gd = zmlibMain_getGlobalDataP();
    if (gd && gd->exportFlag) return exportToSpreadsheet(list);
    if (descrOut) *descrOut = nullptr;
    if (!descrOut || !cellName) return -1;
    if (zmlibCell_loadCellLibraryIfNeeded(library) != 0) return -2;
    MSElementDescr* page = nullptr;
    if (mdlCell_getElmDscr(&page, zmlibUtil_convertToUnicodeText(cellName), nullptr, cellFlags) != 0 || !page)
        return -1;
    mdlCell_setRange(page, nullptr);
    DRange3d range{};
    mdlCell_extract(nullptr, &range, nullptr, nullptr, nullptr, 0, &page->el);
    double w = range.high.x - range.low.x, h = range.high.y - range.low.y;
    zmlib::matlist::PaperArea paper = zmlib::matlist::paperArea();
    double printableWidth = *zmlibUtil_masterToUORP(paper.width - paper.left - paper.right);
    double printableHeight = *zmlibUtil_masterToUORP(paper.height - paper.top - paper.bottom);
    if (gd && w > 0 && h > 0) gd->pageScale = std::min(printableWidth / w, printableHeight / h);
    std::vector<MSElementDescr*> texts;
    collectTexts(page->firstChild, texts);
    for (MSElementDescr* text : texts) {
        MSElementDescr* replacement = nullptr;
        Fill fill = zmlib::matlist::fillText(&text->el, list, &replacement);
        if (fill == Fill::Replaced) mdlElmdscr_replaceDscr(&text, replacement);
        else if (fill == Fill::Removed) mdlElmdscr_replaceDscr(&text, nullptr);
    }
    mdlElmdscr_validate(page, nullptr);
    mdlCell_setRange(page, nullptr);
    *descrOut = page;
    return ZMLIB_SUCCESS;
}

extern "C" ZMLIB_API int zmlibMatList_changeTextInMasterFile(ZmFormDataArray* list, int level, DgnModelRefP model) {
    ScanCriteriaP criteria = mdlScanCriteria_create();
    if (!criteria) return ZMLIB_ERROR;
    mdlScanCriteria_setModel(criteria, model);
    mdlScanCriteria_addSingleElementTypeTest(criteria, TEXT_ELM);
    mdlScanCriteria_addSingleLevelTest(criteria, static_cast<UInt32>(level));
    mdlScanCriteria_setReturnType(criteria, SCAN_RETURN_FILEPOS, 0, 1);
    std::vector<UInt32> positions;
    int status = 0;
    do {
        UInt32 batch[64];
        int words = static_cast<int>(sizeof batch / 2);
        status = mdlScanCriteria_scan(criteria, batch, &words, nullptr);
        if (status != SCAN_END_OF_MODEL && status != SCAN_BUFFER_FULL) {
            mdlScanCriteria_free(criteria);
            return ZMLIB_ERROR;
        }
        positions.insert(positions.end(), batch, batch + words / 2);
        if (words == 0) break;
    } while (status == SCAN_BUFFER_FULL);
    mdlScanCriteria_free(criteria);
    for (UInt32 pos : positions) {
        static MSElement element;
        if (mdlElement_read(&element, model, pos) != 0) continue;
        MSElementDescr* replacement = nullptr;
        Fill fill = zmlib::matlist::fillText(&element, list, &replacement);
        if (fill == Fill::Removed) {
            mdlModify_elementSingle(model, pos, 0, 0, removeText, nullptr, 0);
        } else if (fill == Fill::Replaced) {
            if (!replacement->next && !replacement->firstChild &&
                mdlElement_getType(&replacement->el) == TEXT_ELM) {
                Rewrite rewrite{&replacement->el};
                mdlModify_elementSingle(model, pos, 0, 0, rewriteText, &rewrite, 0);
            } else {
                mdlModify_elementSingle(model, pos, 0, 0, removeText, nullptr, 0);
                mdlElmdscr_add(replacement);
            }
            mdlElmdscr_freeAll(&replacement);
        }
    }
    return ZMLIB_SUCCESS;
}

extern "C" ZMLIB_API void zmlibMatList_insertFileName(const char* path, const char* fieldName, ZmFormDataArray* list) {
    char device[MAXDEVICELENGTH] = "", directory[MAXDIRLENGTH] = "", name[MAXNAMELENGTH] = "",
         extension[MAXEXTENSIONLENGTH] = "";
    mdlFile_parseName(path ? path : "", device, directory, name, extension);
    std::string doubled;
    for (const char* c = directory; *c; ++c) doubled += *c == '%' ? std::string("%%") : std::string(1, *c);
    std::string deviceRow = device[0] ? std::string(device) + ":" : std::string();
    std::string dotted = extension[0] ? std::string(".") + extension : std::string();
    std::string whole = std::string(name) + dotted;
    const std::string rows[FILE_ROWS] = {deviceRow, doubled, name, dotted, whole};
    for (int r = 0; r < FILE_ROWS; ++r) zmlibMatList_insertValue(list, fieldName, ZMFORM_TEXT, r, rows[r].c_str());
}

extern "C" ZMLIB_API void zmlibMatList_insertSystemData(ZmFormDataArray* list) {
    if (!list || rowsOf(list) < SYSTEM_ROWS) return;
    char file[MAXFILELENGTH] = "";
    mdlModelRef_getFileName(mdlModelRef_getActive(), file, sizeof file);
    zmlibMatList_insertFileName(file, "file", list);
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, weekday = 0;
    char weekdayName[256] = "", monthName[256] = "";
    zmlibUtil_getDateAndTime(&year, &month, &day, &hour, &minute, &second, &weekday, weekdayName, monthName);
    auto put = [list](const char* field, int row, const char* format, int value) {
        char text[16];
        std::snprintf(text, sizeof text, format, value);
        zmlibMatList_insertValue(list, field, ZMFORM_TEXT, row, text);
    };
    put("date", 0, "%d", day);
    put("date", 1, "%02d", day);
    zmlibMatList_insertValue(list, "date", ZMFORM_TEXT, 2, weekdayName);
    zmlibMatList_insertValue(list, "date", ZMFORM_TEXT, 3, monthName);
    put("date", 4, "%d", month);
    put("date", 5, "%02d", month);
    put("date", 6, "%d", year);
    put("date", 7, "%02d", year % 100);
    put("time", 0, "%d", hour);
    put("time", 1, "%02d", hour);
    put("time", 2, "%d", minute);
    put("time", 3, "%02d", minute);
    put("time", 4, "%d", second);
    put("time", 5, "%02d", second);
}

extern "C" ZMLIB_API int zmlibMatList_insertLogo(ZmFormDataArray* list) {
    return zmlibMatList_insertValue(list, "LOGO", ZMFORM_CALLBACK, 0, logoCallback, 0, 1);
}

extern "C" ZMLIB_API int zmlibMatList_insertLogoExt(ZmFormDataArray* list, const char* cellName, const char* library) {
    zmlib::copyFixed(state.logoCell, cellName);
    zmlib::copyFixed(state.logoLibrary, library);
    return zmlibMatList_insertValue(list, "LOGO", ZMFORM_CALLBACK, 0, logoExtCallback, 0, 1);
}

extern "C" ZMLIB_API double* zmlibMatList_getCurrentPageScaleP(void) {
    static double none = 1.0;
    ZmGlobalData* gd = zmlibMain_getGlobalDataP();
    return gd ? &gd->pageScale : &none;
}

extern "C" ZMLIB_API void zmlibMatList_setExportToExcel(int flag) {
    if (ZmGlobalData* gd = zmlibMain_getGlobalDataP()) gd->exportFlag = flag;
}
