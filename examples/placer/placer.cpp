/* A test add-in: when the host opens a design file without elements, it
** places an element of every constructor, some in a rotated local frame, a
** cell with user data and a complex chain, and says how many it added. */
#include <cmath>

#include "host/mdlelement.h"
#include "host/mdlgeom.h"
#include "host/mdlsystem.h"

#define PLACER_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

int placed = 0;

void add(StatusInt built) {
    if (built == 0 && mdlElement_add(dgnBufP) != 0) ++placed;
}

void addDescriptor(MSElementDescr* d) {
    if (d && mdlElmdscr_add(d) != 0) placed += mdlElmdscr_count(d);
}

void placeEverything() {
    MSElement* el = dgnBufP;
    const Dpoint3d pts[4] = {{0, 0, 0}, {1000, 0, 0}, {1000, 500, 0}, {0, 500, 0}};
    add(mdlLine_create(el, nullptr, pts));
    add(mdlLineString_create(el, nullptr, pts, 4));
    add(mdlShape_create(el, nullptr, pts, 4, 1));
    add(mdlArc_create(el, nullptr, &pts[2], 250, 250, nullptr, 0, M_PI / 2));
    add(mdlArc_createByCenter(el, nullptr, &pts[1], &pts[0], &pts[3], 0));
    add(mdlEllipse_create(el, nullptr, &pts[0], 300, 150, nullptr, 0));

    mdlCurrTrans_begin();
    mdlCurrTrans_translateOrigin(&pts[2]);
    mdlCurrTrans_rotateByAngles(0, 0, M_PI / 6);
    TextParamWide params{};
    params.font = 3;
    params.just = 7;
    params.flags = TXTPARAM_SLANT;
    params.slant = M_PI / 6;
    TextSizeParam size{1, {100, 120}, 1};
    add(mdlText_create(el, nullptr, "12 500", &pts[0], nullptr, &size, &params, nullptr));
    add(mdlText_createWide(el, nullptr, u"H\u00f8yde", &pts[1], nullptr, nullptr, nullptr, nullptr));
    add(mdlLine_create(el, nullptr, pts));
    mdlCurrTrans_end();

    MSElement header;
    mdlCell_create(&header, u"TARVIK", &pts[3], 0);
    LinkageHeader link{LINKAGE_USER_FLAG, 0x4F33};
    mdlLinkage_setWords(&link, 8);
    const uint8_t user[12] = {13, 0, 3, 0, 'd', 'i', 'm'};
    mdlLinkage_appendToElement(&header, &link, user, nullptr, nullptr);
    MSElementDescr* cell = nullptr;
    mdlElmdscr_new(&cell, nullptr, &header);
    mdlLine_create(el, nullptr, pts);
    mdlElmdscr_appendElement(cell, el);
    mdlText_create(el, nullptr, "1000", &pts[1], nullptr, nullptr, nullptr, nullptr);
    mdlElmdscr_appendElement(cell, el);
    mdlCell_setRange(cell, mdlModelRef_getActive());
    addDescriptor(cell);
    mdlElmdscr_freeAll(&cell);

    MSElement chainHeader;
    mdlComplexChain_createHeader(&chainHeader, 0, 0);
    MSElementDescr* chain = nullptr;
    mdlElmdscr_new(&chain, nullptr, &chainHeader);
    mdlLine_create(el, nullptr, pts);
    mdlElmdscr_appendElement(chain, el);
    mdlArc_create(el, nullptr, &pts[1], 100, 100, nullptr, -M_PI / 2, M_PI);
    mdlElmdscr_appendElement(chain, el);
    addDescriptor(chain);
    mdlElmdscr_freeAll(&chain);
}

void placer_newDesignFile(const char*, int state) {
    if (state != 1 || mdlModelRef_getEof(mdlModelRef_getActive()) != 0) return;
    placed = 0;
    placeEverything();
    toolSubsystem_printf("placer: placed %d elements\n", placed);
}

}  // namespace

PLACER_EXPORT int MdlMain(int, char*[]) {
    mdlSystem_setFunction(SYSTEM_NEW_DESIGN_FILE, reinterpret_cast<void*>(placer_newDesignFile));
    return 0;
}
