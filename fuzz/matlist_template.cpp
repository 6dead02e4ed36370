/* Material-list templates: the input is a template text with placeholders
** (flags, widths, precisions, field names, row indexes) filled from a form
** data array holding one field of each value type. */
#include <cstddef>
#include <cstdint>
#include <string>

#include "lib/document/matlist.h"
#include "lib/document/matlist_int.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static ZmFormDataArray* list = [] {
        ZmFormDataArray* l = zmlibMatList_createFormDataArray(4, 3);
        for (int row = 0; row < 3; ++row) {
            zmlibMatList_insertValue(l, "dbl_", ZMFORM_DOUBLE, row, 1.5e300 * row - 2.25);
            zmlibMatList_insertValue(l, "int_", ZMFORM_INT, row, row == 2 ? INT32_MIN : 42 * row);
            zmlibMatList_insertValue(l, "text", ZMFORM_TEXT, row, row == 1 ? "" : "text with %s and %n");
            zmlibMatList_insertValue(l, "char", ZMFORM_CHAR, row, '%');
        }
        return l;
    }();
    const std::string templateText(reinterpret_cast<const char*>(data), size);
    char out[ZMMATLIST_TEXT_SIZE];
    for (int rows : {0, 1}) {
        MSElementDescr* descr = nullptr;
        zmlibMatList_generateFormatedText(templateText.c_str(), list, out, &descr, 100.0, 10.0, rows);
        mdlElmdscr_freeAll(&descr);
        /* A small out buffer must cut, not overrun. */
        zmlib::matlist::formatText(templateText.c_str(), list, out, 7, nullptr, 0.0, 0.0, rows);
    }
    return 0;
}
