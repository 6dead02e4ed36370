/* Prints the type descriptions of the minimal add-in's published record. */
#include "host/mdltypedesc.h"
#include "minimal_record.h"

ZM_TYPEDESC_NAME(MinimalOptions, "minimalOptions")
ZM_TYPEDESC_NAME(MinimalRecord, "minimalRecord")

constexpr void describe(typedesc::Writer& w) {
    ZM_TYPEDESC(w, MinimalOptions, MINIMAL_OPTIONS_FIELDS);
    ZM_TYPEDESC(w, MinimalRecord, MINIMAL_RECORD_FIELDS);
}

ZM_TYPEDESC_MAIN(describe)
