/* Cell libraries: where the maker's libraries live (ZM_CELL, ZM_DIR), the
** active library attached on demand, its cells listed for pickers and drawn
** as previews into dialog items, and descriptors merged into a cell. No
** state of its own: the active library is the host's. */
#include "lib/document/cell.h"

#include <cctype>
#include <string>

#include "host/mdldialog.h"
#include "host/mdlgeom.h"
#include "host/mdlresource.h"
#include "host/mdlsystem.h"
#include "lib/core/text_int.h"
#include "lib/core/util.h"
#include "lib/elements/element.h"

namespace {

constexpr const char* DEFAULT_CELL_DIRECTORY = "c:\\zm\\cell\\";
constexpr int NAME_CHARS = 512;
constexpr int TEXT_BYTES = 1024;
constexpr int FRAME = 2;               /* pixels between the bevel and the drawing */
constexpr int FIXED_COLOUR_CROSS = 7;

std::string lowerCase(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

bool configured(const char* name, char* value, int size) { return mdlSystem_getenv(value, name, size) == 0; }

/* The library directory when ZM_CELL is not defined. */
std::string libraryDirectory() {
    char value[MAXFILELENGTH];
    if (configured("ZM_DIR", value, sizeof value)) return std::string(value) + "cell\\";
    return DEFAULT_CELL_DIRECTORY;
}

/* "name.ext" of the active library, empty when none is attached. */
std::string activeLibraryName() {
    char full[MAXFILELENGTH] = "";
    if (mdlCell_getActiveLibraryName(full, sizeof full) != 0 || !full[0]) return "";
    char name[MAXNAMELENGTH] = "", extension[MAXEXTENSIONLENGTH] = "";
    mdlFile_parseName(full, nullptr, nullptr, name, extension);
    return std::string(name) + "." + extension;
}

int appendNonHeader(MSElement* element, void* target, DgnModelRefP, MSElementDescr*, MSElementDescr**) {
    if (mdlElement_getType(element) == CELL_HEADER_ELM) return 0;
    return mdlElmdscr_appendElement(static_cast<MSElementDescr*>(target), element) == 0 ? 0 : 1;
}

}  // namespace

extern "C" ZMLIB_API int zmlibCell_getZmCellPath(char* buffer, int size) {
    char value[MAXFILELENGTH];
    if (configured("ZM_CELL", value, sizeof value)) zmlib::copyFixed(buffer, size, value);
    else zmlib::copyFixed(buffer, size, libraryDirectory().c_str());
    return ZMLIB_SUCCESS;
}

extern "C" ZMLIB_API int zmlibCell_getCellPathAndName(char* pathOut, const char* libraryName) {
    if (!pathOut) return ZMLIB_ERROR;
    pathOut[0] = 0;
    if (!libraryName || !*libraryName) return ZMLIB_ERROR;
    char value[MAXFILELENGTH];
    char found[MAXFILELENGTH] = "";
    std::string tried = libraryName;
    if (configured("ZM_CELL", value, sizeof value)) {
        if (mdlFile_find(found, libraryName, "ZM_CELL", "cel") == 0) {
            zmlib::copyFixed(pathOut, MAXFILELENGTH, found);
            return ZMLIB_SUCCESS;
        }
    } else {
        tried = libraryDirectory() + libraryName;
        if (mdlFile_find(found, tried.c_str(), nullptr, "cel") == 0) {
            zmlib::copyFixed(pathOut, MAXFILELENGTH, found);
            return ZMLIB_SUCCESS;
        }
    }
    zmlib::copyFixed(pathOut, MAXFILELENGTH, tried.c_str());
    return ZMLIB_ERROR;
}

extern "C" ZMLIB_API int zmlibCell_loadCellLibraryIfNeeded(const char* libraryName) {
    char requested[256];
    zmlib::copyFixed(requested, libraryName);
    if (!requested[0] || lowerCase(requested) == lowerCase(activeLibraryName())) return ZMLIB_SUCCESS;
    char value[MAXFILELENGTH];
    std::string file;
    if (configured("ZM_CELL", value, sizeof value)) {
        char found[MAXFILELENGTH] = "";
        // A failed search still attaches the name as given: the host reports what is missing.
        file = mdlFile_find(found, requested, "ZM_CELL", "cel") == 0 ? found : requested;
    } else {
        file = libraryDirectory() + requested;
    }
    char attached[MAXFILELENGTH];
    return mdlCell_attachLibraryEx(attached, file.c_str(), 0, 1, 2);
}

extern "C" ZMLIB_API int zmlibCell_getStringlistFromLib(StringList* stringList, int membersPerRow) {
    if (membersPerRow < 2) return ZMLIB_ERROR;
    DgnFileP library = nullptr;
    if (mdlCell_getLibraryObject(&library, nullptr, 1) != 0 || !library) return 0;
    ModelRefIteratorP iterator = nullptr;
    if (mdlDgnFile_createModelIterator(&iterator, library, MODEL_ITERATE_CELLS) != 0) {
        mdlCell_freeLibraryObject(&library);
        return 0;
    }
    int rows = 0;
    for (DgnModelRefP model = mdlModelRefIterator_getFirst(iterator); model;
         model = mdlModelRefIterator_getNext(iterator)) {
        MSWChar name[NAME_CHARS] = {}, description[NAME_CHARS] = {};
        mdlModelRef_getModelName(model, name, NAME_CHARS);
        char multibyteName[TEXT_BYTES];
        zmlib::copyFixed(multibyteName, zmlibUtil_convertToMultibyteText(name));
        if (lowerCase(multibyteName) == "default") continue;
        int first = -1;
        if (mdlStringList_insertMember(&first, stringList, -1, membersPerRow) != 0 || first < 0) break;
        mdlStringList_setMember(stringList, first, multibyteName, nullptr);
        mdlModelRef_getModelDescription(model, description, NAME_CHARS);
        if (description[0]) {
            char multibyteDescription[TEXT_BYTES];
            zmlib::copyFixed(multibyteDescription, zmlibUtil_convertToMultibyteText(description));
            mdlStringList_setMember(stringList, first + 1, multibyteDescription, nullptr);
        }
        ++rows;
    }
    mdlModelRefIterator_free(&iterator);
    mdlCell_freeLibraryObject(&library);
    return rows;
}

extern "C" ZMLIB_API int zmlibCell_drawCell(const char* cellName, DialogBox* window, int item, int inset,
                                           int crossMode) {
    DialogItem* di = mdlDialog_itemGetByIndex(window, item);
    if (!di) return ZMLIB_ERROR;
    const DialogRect full = di->rect;
    mdlDialog_rectDrawBeveled(window, &full, 0);
    MSElementDescr* cell = nullptr;
    if (!cellName || mdlCell_getElmDscr(&cell, zmlibUtil_convertToUnicodeText(cellName), nullptr, 0) != 0 || !cell)
        return ZMLIB_ERROR;
    DialogRect area{full.left + FRAME, full.top + FRAME, full.right - FRAME, full.bottom - FRAME};
    mdlWindow_rectFill(window, &area, 0);
    if (inset > 0) area = {area.left + inset, area.top + inset, area.right - inset, area.bottom - inset};
    zmlibElemDscr_drawElementDescr(window, &area, cell, nullptr, -1);
    if (crossMode >= ZMCELL_CROSS_VERTICAL && crossMode <= ZMCELL_CROSS_BOTH) {
        mdlWindow_lineStyleSet(window, 0, 0, mdlWindow_fixedColorIndexGet(window, FIXED_COLOUR_CROSS));
        if (crossMode != ZMCELL_CROSS_HORIZONTAL) {
            int x = (full.left + full.right) / 2;
            mdlWindow_lineDraw(window, x, full.top, x, full.bottom);
        }
        if (crossMode != ZMCELL_CROSS_VERTICAL) {
            int y = (full.top + full.bottom) / 2;
            mdlWindow_lineDraw(window, full.left, y, full.right, y);
        }
    }
    mdlElmdscr_freeAll(&cell);
    return ZMLIB_SUCCESS;
}

extern "C" ZMLIB_API int zmlibCell_mergeCells(MSElementDescr* target, MSElementDescr* first, MSElementDescr* second) {
    if (!target) return ZMLIB_ERROR;
    for (MSElementDescr* source : {first, second})
        if (source && mdlElmdscr_operation(source, appendNonHeader, target, ELMD_ALL_ONCE) != 0) return ZMLIB_ERROR;
    Dpoint3d origin{};
    mdlCell_extract(&origin, nullptr, nullptr, nullptr, nullptr, 0, &target->el);
    RotMatrix rotation;
    if (mdlCell_extract(nullptr, nullptr, &rotation, nullptr, nullptr, 0, &target->el) == 0) {
        RotMatrix inverse;
        Transform undo;
        mdlRMatrix_getInverse(&inverse, &rotation);
        mdlTMatrix_fromRMatrix(&undo, &inverse);
        mdlElement_transform(&target->el, &target->el, &undo);
    }
    Dpoint3d stored{};
    mdlCell_extract(&stored, nullptr, nullptr, nullptr, nullptr, 0, &target->el);
    stored.x = origin.x;
    stored.y = origin.y;
    if (mgds_modesP->is3d) stored.z = origin.z;
    RotMatrix current;
    mdlCell_extract(nullptr, nullptr, &current, nullptr, nullptr, 0, &target->el);
    mdlCell_setOrigin(&target->el, &stored, &current);
    return ZMLIB_SUCCESS;
}

extern "C" ZMLIB_API int zmlibCell_getFilePosFromStringlist(void) {
    toolSubsystem_printf("zmlibCell_getFilePosFromStringlist er ikke n\xC3\xB8" "dvendig i denne versjonen.\n");
    return ZMLIB_ERROR;
}
