/* Level, unit and wide-text conversions of the element modules, through the
** library's utilities. */
#include "lib/elements/support_int.h"

#include "lib/core/util.h"

namespace zmlib::elements {

UInt32 levelIdFromName(const MSWChar* name) {
    if (!name || !name[0]) return 0;
    return zmlibUtil_levelIdFromName(name);
}

double uorInMaster() {
    const double* master = zmlibUtil_UORToMasterP(1.0);
    return master ? *master : 1.0;
}

void toWide(MSWChar* out, int size, const char* text) {
    if (!out || size <= 0) return;
    out[0] = 0;
    const MSWChar* wide = text ? zmlibUtil_convertToUnicodeText(text) : nullptr;
    if (!wide) return;
    int i = 0;
    for (; i < size - 1 && wide[i]; ++i) out[i] = wide[i];
    out[i] = 0;
}

}  // namespace zmlib::elements
