/* Prints the type descriptions of the project and page records, which the
** library publishes for whichever application starts it first. */
#include "host/mdltypedesc.h"
#include "lib/document/project.h"

ZM_TYPEDESC_NAME(ZmProjectRecord, "zmlibProsjektData")
ZM_TYPEDESC_NAME(ZmPageRecord, "zmlibSideData")

constexpr void describe(typedesc::Writer& w) {
    ZM_TYPEDESC(w, ZmProjectRecord, ZMPROJECTRECORD_FIELDS);
    ZM_TYPEDESC(w, ZmPageRecord, ZMPAGERECORD_FIELDS);
}

ZM_TYPEDESC_MAIN(describe)
