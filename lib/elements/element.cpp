/* Element constructors with an attribute, symbology by level, stripping and
** element descriptors fitted and drawn. No state of its own: constructors
** build in the host's shared element buffer. */
#include "lib/elements/element.h"

#include <cmath>
#include "host/mdlgeom.h"
#include "host/mdllevel.h"
#include "host/mdlview.h"
#include "lib/elements/elmattr.h"
#include "lib/elements/userdata.h"

namespace {

enum : uint32_t { DEFAULT_DISPLAY_OVERRIDE = 0x1208C };
constexpr double MIN_EXTENT = 0.001;
constexpr double SMALL_EXTENT = 0.0001;
constexpr int CELL_TEXT_SIZE = 512;

/* Give the element in BUFFER the attribute and append it to DESCR. */
int finish(MSElement* buffer, int attributeId, MSElementDescr* descr) {
    zmlibElmAttr_setSymbologyAndProperties(buffer, attributeId, nullptr);
    return descr ? mdlElmdscr_appendElement(descr, buffer) : 0;
}

}  // namespace

extern "C" ZMLIB_API void zmlibElement_createLine(const Dpoint3d* points, int attributeId, MSElementDescr* descr) {
    mdlLine_create(dgnBufP, nullptr, points);
    finish(dgnBufP, attributeId, descr);
}

extern "C" ZMLIB_API void zmlibElement_createLineString(const Dpoint3d* points, int count, int attributeId,
                                                        MSElementDescr* descr) {
    mdlLineString_create(dgnBufP, nullptr, points, count);
    finish(dgnBufP, attributeId, descr);
}

extern "C" ZMLIB_API void zmlibElement_createShape(const Dpoint3d* points, int count, int fillMode, int attributeId,
                                                   MSElementDescr* descr) {
    mdlShape_create(dgnBufP, nullptr, points, count, fillMode);
    finish(dgnBufP, attributeId, descr);
}

extern "C" ZMLIB_API void zmlibElement_createArc(const Dpoint3d* centre, double radius, double startAngle,
                                                 double sweepAngle, int attributeId, MSElementDescr* descr) {
    mdlArc_create(dgnBufP, nullptr, centre, radius, radius, nullptr, startAngle, sweepAngle);
    finish(dgnBufP, attributeId, descr);
}

extern "C" ZMLIB_API void zmlibElement_createArcByCenter(const Dpoint3d* start, const Dpoint3d* centre,
                                                         const Dpoint3d* end, int clockwise, int attributeId,
                                                         MSElementDescr* descr) {
    static MSElement buffer;   /* 128 KB, kept apart from the shared buffer */
    mdlArc_createByCenter(&buffer, nullptr, start, centre, end, clockwise);
    finish(&buffer, attributeId, descr);
}

extern "C" ZMLIB_API int zmlibElement_createEllipseExtended(const Dpoint3d* centre, double radius, int fillMode,
                                                            int attributeId, MSElementDescr* descr) {
    mdlEllipse_create(dgnBufP, nullptr, centre, radius, radius, nullptr, fillMode);
    return finish(dgnBufP, attributeId, descr);
}

extern "C" ZMLIB_API int zmlibElement_createEllipse(const Dpoint3d* centre, double radius, int attributeId,
                                                    MSElementDescr* descr) {
    return zmlibElement_createEllipseExtended(centre, radius, 0, attributeId, descr);
}

/* The override is stored into the attribute for the text's creation and the
** attribute's own values are put back afterwards. */
extern "C" ZMLIB_API void zmlibElement_createText(const Dpoint3d* origin, const char* text, double sizeDivisor,
                                                  const int* justification, int attributeId, MSElementDescr* descr) {
    ZmAttributeData changed{}, untouched{};
    if (justification) {
        if (zmlibElmAttr_extractData(attributeId, &changed) != ZMLIB_SUCCESS) return;
        untouched = changed;
        changed.justification = *justification;
        changed.applyMask |= ZMATTR_JUSTIFICATION;
        zmlibElmAttr_editAttribute(attributeId, 0, &changed);
    }
    if (zmlibElmAttr_createText(dgnBufP, nullptr, text, origin, nullptr, nullptr, attributeId, sizeDivisor,
                                nullptr) == ZMLIB_SUCCESS &&
        descr)
        mdlElmdscr_appendElement(descr, dgnBufP);
    if (justification && (untouched.justification != changed.justification ||
                          untouched.applyMask != changed.applyMask))
        zmlibElmAttr_editAttribute(attributeId, 0, &untouched);
}

extern "C" ZMLIB_API int zmlibElement_setSymbologyByLevel(MSElement* element) {
    UInt32 colour = COLOR_BYLEVEL, weight = WEIGHT_BYLEVEL;
    Int32 style = STYLE_BYLEVEL;
    return mdlElement_setSymbology(element, &colour, &weight, &style);
}

extern "C" ZMLIB_API void zmlibElement_setSymbologyFromLevel(MSElement* element, UInt32 levelId) {
    UInt32 colour = 0, weight = 0;
    Int32 style = 0;
    if (mdlLevel_getElementSymbology(&colour, &style, nullptr, &weight, nullptr, mdlModelRef_getActive(), levelId) ==
        HOST_SUCCESS)
        mdlElement_setSymbology(element, &colour, &weight, &style);
}

extern "C" ZMLIB_API int zmlibElement_stripAttributes(MSElement* out, const MSElement* in) {
    mdlElement_memcpy(out, in);
    return mdlLinkage_deleteFromElement(out, ZMLIB_USERDATA_LINKAGE_ID);
}

extern "C" ZMLIB_API int zmlibElement_stripAttributes2(MSElement* out, const MSElement* in) {
    MSWChar name[CELL_TEXT_SIZE] = {}, description[CELL_TEXT_SIZE] = {};
    bool haveName = false, haveDescription = false;
    if (mdlElement_getType(in) == CELL_HEADER_ELM) {
        haveName = mdlCell_extractName(name, CELL_TEXT_SIZE, in) == HOST_SUCCESS;
        haveDescription = mdlCell_extractDescription(description, CELL_TEXT_SIZE, in) == HOST_SUCCESS;
    }
    int status = mdlElement_stripAttributes(out, in);
    if (haveName) status = mdlCell_setName(out, name);
    if (haveDescription) status = mdlCell_setDescription(out, description);
    return status;
}

extern "C" ZMLIB_API int zmlibElemDscr_getRange(Dpoint3d* range, MSElementDescr* descr) {
    return mdlElmdscr_computeRange(&range[0], &range[1], descr, nullptr);
}

extern "C" ZMLIB_API void zmlibElemDscr_placeElementDescr(Dpoint3d* target, int translate, MSElementDescr* descr) {
    mdlElmdscr_validate(descr, mdlModelRef_getActive());
    Dpoint3d low{}, high{};
    mdlElmdscr_computeRange(&low, &high, descr, nullptr);
    double dx = high.x - low.x, dy = high.y - low.y;
    if (std::fabs(dx) < MIN_EXTENT) dx = SMALL_EXTENT;
    if (std::fabs(dy) < MIN_EXTENT) dy = SMALL_EXTENT;
    const Dpoint3d& a = target[0];
    Dpoint3d& c = target[2];
    if (c.x == a.x) c.x = a.x + 1.0;
    if (c.y == a.y) c.y = a.y + 1.0;
    double sx = (c.x - a.x) / dx, sy = (c.y - a.y) / dy;
    double s = sy < sx ? sy : sx;
    Dpoint3d p = a;
    p.x += (c.x - a.x - s * dx) / 2 - s * low.x;
    p.y += (c.y - a.y - s * dy) / 2 - s * low.y;
    mdlCurrTrans_begin();
    mdlCurrTrans_identity();
    mdlCurrTrans_scale(s, s, s);
    if (translate) mdlCurrTrans_translateOriginWorld(&p);
    Transform* toWorld = nullptr;
    mdlCurrTrans_getAddresses(&toWorld, nullptr);
    if (toWorld) mdlElmdscr_transform(descr, toWorld);
    mdlCurrTrans_end();
}

extern "C" ZMLIB_API void zmlibElemDscr_drawElementDescr(DialogBox* window, const DialogRect* rect,
                                                         MSElementDescr* descr, const void* overrides, int extra) {
    Dpoint3d low{}, high{};
    mdlElmdscr_computeRange(&low, &high, descr, nullptr);
    RotMatrix rotation;
    mdlView_getStandard(&rotation, STDVIEW_TOP);
    mdlRMatrix_multiplyRange(&low, &high, &rotation);
    static const uint32_t defaultOverride[3] = {DEFAULT_DISPLAY_OVERRIDE, 0, 0};
    Dpoint3d extent;
    mdlVec_subtractPoint(&extent, &high, &low);
    extent.z = *fc_rmaxui4P;   /* nothing is clipped in depth */
    Dpoint3d origin = low;
    mdlRMatrix_unrotatePoint(&origin, &rotation);
    mdlElmdscr_displayToWindow(window, rect, overrides ? overrides : defaultOverride, descr, &rotation, &origin, &extent,
                               mgds_modesP->is3d, extra);
}
