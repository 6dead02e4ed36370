/* Level, unit and wide-text conversions of the element modules. */
#include "lib/elements/support_int.h"


#include "host/mdlelement.h"
#include "host/mdlgeom.h"
#include "host/mdllevel.h"
#include "host/mdlsystem.h"

namespace zmlib::elements {

UInt32 levelIdFromName(const MSWChar* name) {
    if (!name || !name[0]) return 0;
    DgnModelRefP model = mdlModelRef_getActive();
    UInt32 id = 0;
    if (mdlLevel_getIdFromName(&id, model, name) == HOST_SUCCESS && mdlLevel_isValid(model, id)) return id;
    DgnModelRefP library = mdlLevelLibrary_getModelRef();
    if (library && mdlLevel_getIdFromName(&id, library, name) == HOST_SUCCESS) return id;
    if (mdlSystem_getWorkmode() == 2) return 0;   /* V7 files cannot take new levels */
    if (mdlLevel_create(&id, model, name, -1) != HOST_SUCCESS) return 0;
    mdlLevelTable_rewrite(model);
    return id;
}

double uorInMaster() {
    double master = 1.0;
    if (mdlCnv_UORToMaster(&master, 1.0, nullptr) != HOST_SUCCESS) return 1.0;
    return master;
}

void toWide(MSWChar* out, int size, const char* text) {
    if (!out || size <= 0) return;
    out[0] = 0;
    if (text) mdlCnv_convertMultibyteToUnicode(text, -1, out, size);
}

}  // namespace zmlib::elements
