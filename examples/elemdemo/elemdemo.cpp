/* Test add-in of the element library: registers two attribute groups with a
** line and a text attribute; "elemdemo cell" stores a cell of a line and a
** text with those attributes, carrying 9 bytes of user data, and a data
** element; "elemdemo read" reads both back and prints what it found. */
#include <cstdint>

#include "host/mdlcommand.h"
#include "host/mdlsystem.h"
#include "lib/core/main.h"
#include "lib/elements/dataelem.h"
#include "lib/elements/element.h"
#include "lib/elements/elmattr.h"
#include "lib/elements/userdata.h"

namespace {

enum : CommandNumber { CMD_ELEMDEMO_CELL = 0x01000001, CMD_ELEMDEMO_READ = 0x01000002 };
enum : int { ATTR_LINES = 1, ATTR_TEXTS = 4, APPLICATION_ID = 13, DATA_VERSION = 3, PROJECT_ID = 101 };

const uint8_t cellParameters[9] = {1, 2, 3, 4, 5, 6, 7, 8, 9};
uint32_t cellPosition = 0;

void defineAttributes() {
    zmlibElmAttr_setGroupeNames(2, "Dimensions", 0, 1, "Triangles", 1, 1);
    ZmAttributeData lines{};
    lines.colour = 3;
    lines.weight = 1;
    const char16_t level[] = u"Dimensions";
    for (int i = 0; level[i]; ++i) lines.levelName[i] = level[i];
    lines.applyMask = ZMATTR_COLOUR | ZMATTR_LINESTYLE | ZMATTR_WEIGHT | ZMATTR_LEVEL;
    ZmAttributeData texts = lines;
    texts.colour = 5;
    texts.font = 105;
    texts.textWidth = 2.5;
    texts.textHeight = 2.5;
    texts.justification = 8;
    texts.lineSpacing = 0.56;
    texts.applyMask |= ZMATTR_FONT | ZMATTR_TEXTSIZE | ZMATTR_JUSTIFICATION;
    zmlibElmAttr_addAttribute(ATTR_LINES, "Dimension lines", 0, ZMATTR_KIND_SYMBOLOGY, 16, nullptr, 0, &lines);
    zmlibElmAttr_addAttribute(ATTR_TEXTS, "Dimension texts", 0, ZMATTR_KIND_TEXT, 0x2090, nullptr, 0, &texts);
}

void cmdCell(char*) {
    static MSElement header;
    Dpoint3d origin{0, 0, 0};
    MSElementDescr* cell = nullptr;
    if (mdlCell_create(&header, u"TARVIK", &origin, 0) != 0 || mdlElmdscr_new(&cell, nullptr, &header) != 0) {
        toolSubsystem_printf("elemdemo: no cell\n");
        return;
    }
    Dpoint3d line[2] = {{0, 0, 0}, {100, 0, 0}};
    zmlibElement_createLine(line, ATTR_LINES, cell);
    Dpoint3d at{50, 2, 0};
    zmlibElement_createText(&at, "100", 1.0, nullptr, ATTR_TEXTS, cell);
    int status = zmlibAttrib_appendElementUserData(APPLICATION_ID, DATA_VERSION, &cell->el, cellParameters,
                                                   sizeof cellParameters);
    mdlElmdscr_validate(cell, nullptr);
    cellPosition = mdlElmdscr_add(cell);
    mdlElmdscr_freeAll(&cell);
    int32_t project = 2026;
    uint32_t dataPosition = 0;
    int saved = zmlib66Elem_saveDataToFile(PROJECT_ID, DATA_VERSION, &project, sizeof project, &dataPosition);
    toolSubsystem_printf("elemdemo: user data %d, cell at %u, data element %d at %u\n", status, cellPosition, saved,
                         dataPosition);
}

int printProject(void*, int version, MSElement*, uint32_t filePos, int, void* data, int size) {
    int32_t project = 0;
    if (size >= 4) project = *static_cast<int32_t*>(data);
    toolSubsystem_printf("elemdemo: data element at %u, version %d, %d bytes, value %d\n", filePos, version, size,
                         project);
    return 0;
}

void cmdRead(char*) {
    MSElementDescr* cell = nullptr;
    if (cellPosition && mdlElmdscr_read(&cell, cellPosition, nullptr, 0, nullptr)) {
        uint8_t data[ZMLIB_USERDATA_MAX_EXTRACT];
        int version = 0, size = 0;
        if (zmlibAttrib_extractElementUserData(&cell->el, APPLICATION_ID, &version, data, &size) == 0)
            toolSubsystem_printf("elemdemo: cell user data version %d, %d bytes, first %d last %d\n", version, size,
                                 data[0], data[size - 1]);
        mdlElmdscr_freeAll(&cell);
    }
    int found = zmlib66Elem_scanDataFromFileExtended(nullptr, PROJECT_ID, mdlModelRef_getActive(), printProject, 1);
    toolSubsystem_printf("elemdemo: %d data elements\n", found);
}

const MdlCommandNumber commandNumbers[] = {
    {cmdCell, CMD_ELEMDEMO_CELL},
    {cmdRead, CMD_ELEMDEMO_READ},
    {nullptr, 0},
};

int elemdemo_unload(int) {
    zmlibElmAttr_freeAllAttribute();
    zmlibElmAttr_freeGroupeNames();
    return 0;
}

}  // namespace

extern "C" __attribute__((visibility("default"))) int MdlMain(int argc, char* argv[]) {
    zmlibMain_initZmLib("elemdemo", argc, argv);
    defineAttributes();
    mdlSystem_setFunction(SYSTEM_UNLOAD_PROGRAM, reinterpret_cast<void*>(elemdemo_unload));
    mdlSystem_registerCommandNumbers(commandNumbers);
    if (!mdlParse_loadCommandTable(0)) toolSubsystem_printf("elemdemo: no command table\n");
    return 0;
}
