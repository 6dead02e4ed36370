/* Prints the type descriptions of the minimal add-in's published record. */
#include "host/mdltypedesc.h"
#include "minimal_record.h"

ZM_TYPEDESC_NAME(MinimalOptions, "minimalOptions")
ZM_TYPEDESC_NAME(MinimalRecord, "minimalRecord")

int main(int argc, char** argv) {
    typedesc::Writer w;
    ZM_TYPEDESC(w, MinimalOptions, MINIMAL_OPTIONS_FIELDS);
    ZM_TYPEDESC(w, MinimalRecord, MINIMAL_RECORD_FIELDS);
    return w.finish(argc, argv);
}
