/* The host's cell commands, as a drafter makes and uses cells: "create
** library PATH" makes and attaches a cell library, "place fence block" takes
** two corners, "define cell origin" a data point, "create cell NAME
** [DESCRIPTION]" stores the elements inside the fence (or, "create cell
** group N NAME ...", those of graphic group N) as a cell of the active
** library, and "place cell NAME" places that cell at each data point.
** State: the first fence corner, the cell origin and the cell being placed;
** the fence itself is the host's one fence. */
#include <algorithm>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "host/mdlcommand.h"
#include "host/mdlelement.h"
#include "host/mdlgeom.h"
#include "host/mdlstate.h"
#include "host/mdlsystem.h"
#include "host/sim/base/base.h"
#include "host/sim/design/design.h"
#include "host/sim/interaction/interaction.h"

namespace {

struct CellState {
    Dpoint3d firstCorner{};
    bool cornerSet = false;
    bool origin = false;
    Dpoint3d cellOrigin{};
    std::u16string placing;   /* the cell "place cell" places */
};
CellState state;

sim::Registration resetRegistration([] { sim::registerReset(sim::ResetStage::Interaction, [] { state = CellState{}; }); });

/* ---- The fence ------------------------------------------------------------------ */

void showBlock(const Dpoint3d& a, const Dpoint3d& b, int drawMode) {
    Dpoint3d pts[5] = {{a.x, a.y, a.z}, {b.x, a.y, a.z}, {b.x, b.y, a.z}, {a.x, b.y, a.z}, {a.x, a.y, a.z}};
    static MSElement shape;
    if (mdlShape_create(&shape, nullptr, pts, 5, -1) == HOST_SUCCESS) mdlElement_display(&shape, drawMode);
}

void fenceDynamics(Dpoint3d* point, int, int drawMode) {
    if (state.cornerSet) showBlock(state.firstCorner, *point, drawMode);
}

void fenceStart();

void fencePoint(Dpoint3d* point, int) {
    if (!state.cornerSet) {
        state.firstCorner = *point;
        state.cornerSet = true;
        mdlState_setFunction(STATEFUNC_DYNAMICS, reinterpret_cast<StateFunc>(fenceDynamics));
        mdlOutput_printf(MSG_PROMPT, "Enter opposite corner");
        return;
    }
    sim::fence::set({state.firstCorner.x, state.firstCorner.y, 0}, {point->x, point->y, 0});
    state.cornerSet = false;
    mdlState_startDefaultCommand();
    mdlOutput_printf(MSG_STATUS, "Fence placed");
}

void fenceStart() {
    state.cornerSet = false;
    mdlState_startPrimitive(fencePoint, fenceStart, 0, 0);
    mdlOutput_printf(MSG_COMMAND, "Place fence block");
    mdlOutput_printf(MSG_PROMPT, "Enter first corner");
}

/* ---- The cell origin ------------------------------------------------------------ */

void originPoint(Dpoint3d* point, int) {
    state.origin = true;
    state.cellOrigin = *point;
    mdlState_startDefaultCommand();
    mdlOutput_printf(MSG_STATUS, "Cell origin defined");
}

void originReset() { mdlState_startDefaultCommand(); }

/* ---- Making a cell -------------------------------------------------------------- */

/* Top-level elements of the active model that CHOOSE accepts, with their components. */
template <class Choose>
MSElementDescr* collect(Choose choose) {
    MSElementDescr* chain = nullptr;
    ScanCriteriaP criteria = mdlScanCriteria_create();
    if (!criteria) return nullptr;
    mdlScanCriteria_setModel(criteria, nullptr);
    mdlScanCriteria_setReturnType(criteria, SCAN_RETURN_FILEPOS, 0, 0);
    std::vector<UInt32> positions;
    int status = 0;
    do {
        UInt32 batch[64];
        int words = static_cast<int>(sizeof batch / 2);
        status = mdlScanCriteria_scan(criteria, batch, &words, nullptr);
        positions.insert(positions.end(), batch, batch + std::max(words, 0) / 2);
        if (words <= 0) break;
    } while (status == SCAN_BUFFER_FULL);
    mdlScanCriteria_free(criteria);
    for (UInt32 pos : positions) {
        MSElementDescr* d = nullptr;
        if (mdlElmdscr_read(&d, pos, nullptr, 0, nullptr) == 0 || !d) continue;
        if (!mdlElement_isGraphic(&d->el) || !choose(d)) {
            mdlElmdscr_freeAll(&d);
            continue;
        }
        d->filePos = 0;
        if (!chain) chain = d;
        else mdlElmdscr_appendDscr(chain, d);
    }
    return chain;
}

bool insideFence(const MSElementDescr* d) {
    Dpoint3d low, high, fenceLow, fenceHigh;
    if (!sim::fence::box(fenceLow, fenceHigh)) return false;
    if (mdlElmdscr_computeRange(&low, &high, d, nullptr) != HOST_SUCCESS) return false;
    return low.x >= fenceLow.x && low.y >= fenceLow.y && high.x <= fenceHigh.x && high.y <= fenceHigh.y;
}

/* "NAME [DESCRIPTION]": the name and the rest, unquoted. */
bool splitNameAndDescription(const std::string& rest, std::string& name, std::string& description, std::string& error) {
    std::istringstream in(rest);
    in >> name;
    std::getline(in, description);
    size_t b = description.find_first_not_of(" \t");
    description = b == std::string::npos ? "" : description.substr(b);
    if (description.size() >= 2 && description.front() == '"' && description.back() == '"')
        description = description.substr(1, description.size() - 2);
    if (name.empty()) {
        error = "usage: create cell [group N] NAME [DESCRIPTION]";
        return false;
    }
    return true;
}

bool storeCell(MSElementDescr* elements, const std::string& name, const std::string& description,
               const Dpoint3d& defaultOrigin, std::string& error) {
    sim::design::DesignFile* library = sim::design::cellLibrary();
    if (!library) {
        mdlElmdscr_freeAll(&elements);
        error = "create cell: no cell library is attached";
        return false;
    }
    if (!elements) {
        error = "create cell: no elements for cell " + name;
        return false;
    }
    Dpoint3d origin = state.origin ? state.cellOrigin : defaultOrigin;
    Transform move;
    mdlTMatrix_getIdentity(&move);
    Dpoint3d shift{-origin.x, -origin.y, -origin.z};
    mdlTMatrix_setTranslation(&move, &shift);
    mdlElmdscr_transform(elements, &move);
    std::string libraryName = library->name;
    bool ok = sim::design::storeLibraryCell(libraryName, name, description, elements, error);
    mdlElmdscr_freeAll(&elements);
    if (ok) {
        state.origin = false;
        mdlOutput_printf(MSG_STATUS, "Cell %s created", name.c_str());
    }
    return ok;
}

bool createCell(const std::string& rest, std::string& error) {
    std::string name, description;
    if (!splitNameAndDescription(rest, name, description, error)) return false;
    Dpoint3d fenceLow, fenceHigh;
    if (!sim::fence::box(fenceLow, fenceHigh)) {
        error = "create cell: place a fence first";
        return false;
    }
    return storeCell(collect(insideFence), name, description, fenceLow, error);
}

bool createGroupCell(const std::string& rest, std::string& error) {
    std::istringstream in(rest);
    std::string number;
    in >> number;
    char* end = nullptr;
    long group = std::strtol(number.c_str(), &end, 10);
    std::string remainder;
    std::getline(in, remainder);
    std::string name, description;
    if (number.empty() || *end || group <= 0) {
        error = "usage: create cell group N NAME [DESCRIPTION]";
        return false;
    }
    if (!splitNameAndDescription(remainder, name, description, error)) return false;
    MSElementDescr* elements = collect([group](const MSElementDescr* d) {
        return sim::elem::get4(d->el.bytes + sim::elem::D_GGROUP) == static_cast<uint32_t>(group);
    });
    Dpoint3d low{};
    if (elements) {
        Dpoint3d high;
        mdlElmdscr_computeRange(&low, &high, elements, nullptr);
    }
    return storeCell(elements, name, description, low, error);
}

bool createLibrary(const std::string& rest, std::string& error) {
    std::string path = rest;
    size_t b = path.find_first_not_of(" \t");
    path = b == std::string::npos ? "" : path.substr(b);
    if (path.empty()) {
        error = "usage: create library PATH";
        return false;
    }
    if (!sim::design::loadWritable(path, true, error)) return false;
    std::string full;
    if (!sim::design::attachLibrary(path, full, error)) return false;
    mdlOutput_printf(MSG_STATUS, "Cell library %s attached", path.c_str());
    return true;
}

/* ---- Placing a cell ----------------------------------------------------------- */

/* The cell being placed, moved to POINT; null when the library has no such cell. */
MSElementDescr* cellAt(const Dpoint3d& point) {
    MSElementDescr* cell = nullptr;
    if (mdlCell_getElmDscr(&cell, state.placing.c_str(), nullptr, 0) != HOST_SUCCESS) return nullptr;
    Transform move;
    mdlTMatrix_getIdentity(&move);
    mdlTMatrix_setTranslation(&move, &point);
    mdlElmdscr_transform(cell, &move);
    mdlCell_setOrigin(&cell->el, &point, nullptr);
    return cell;
}

void placeDynamics(Dpoint3d* point, int, int drawMode) {
    MSElementDescr* cell = cellAt(*point);
    if (cell) mdlElmdscr_display(cell, nullptr, drawMode);
    mdlElmdscr_freeAll(&cell);
}

void placePoint(Dpoint3d* point, int) {
    MSElementDescr* cell = cellAt(*point);
    if (!cell) {
        mdlOutput_printf(MSG_ERROR, "Cell not found");
        return;
    }
    if (mdlElmdscr_add(cell)) mdlElmdscr_display(cell, nullptr, 0);
    else mdlOutput_printf(MSG_ERROR, "Element not stored");
    mdlElmdscr_freeAll(&cell);
}

void placeReset() { mdlState_startDefaultCommand(); }

bool placeCell(const std::string& rest, std::string& error) {
    std::istringstream in(rest);
    std::string name;
    in >> name;
    if (name.empty()) {
        error = "usage: place cell NAME";
        return false;
    }
    state.placing = sim::utf8ToUtf16(name);
    MSElementDescr* probe = nullptr;
    if (mdlCell_getElmDscr(&probe, state.placing.c_str(), nullptr, 0) != HOST_SUCCESS) {
        error = "place cell: no cell " + name + " in the active cell library";
        return false;
    }
    mdlElmdscr_freeAll(&probe);
    mdlState_startPrimitive(placePoint, placeReset, 0, 0);
    mdlState_setFunction(STATEFUNC_DYNAMICS, reinterpret_cast<StateFunc>(placeDynamics));
    mdlOutput_printf(MSG_COMMAND, "Place cell %s", name.c_str());
    mdlOutput_printf(MSG_PROMPT, "Enter cell origin");
    return true;
}

sim::Registration registration([] {
    sim::registerKeyin("create library", createLibrary);
    sim::registerKeyin("place fence block", [](const std::string&, std::string&) {
        fenceStart();
        return true;
    });
    sim::registerKeyin("define cell origin", [](const std::string&, std::string&) {
        mdlState_startPrimitive(originPoint, originReset, 0, 0);
        mdlOutput_printf(MSG_COMMAND, "Define cell origin");
        mdlOutput_printf(MSG_PROMPT, "Enter cell origin");
        return true;
    });
    sim::registerKeyin("create cell", createCell);
    sim::registerKeyin("create cell group", createGroupCell);
    sim::registerKeyin("place cell", placeCell);
});

}  // namespace
