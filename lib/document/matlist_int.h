/* What the tests and the print layer reach of the material lists: the
** bounded template formatting, one text element filled, and the printable
** paper area of the print set-up record. */
#pragma once

#include <cstddef>
#include "lib/document/matlist.h"

namespace zmlib::matlist {

/* zmlibMatList_generateFormatedText into OUT of SIZE bytes. */
int formatText(const char* templateText, ZmFormDataArray* list, char* out, size_t size, MSElementDescr** descrOut,
               double width, double height, int rowIndexes);

/* Build the printf format of a placeholder from SPEC (the characters between
** "%" and the field name: flags, width, precision) and the value type's
** letter into OUT (at least 32 bytes). False for anything else in SPEC. */
bool buildFormat(const char* spec, size_t length, char letter, char* out, size_t size);

enum class Fill { Unchanged, Replaced, Removed };
/* Fill text ELEMENT from LIST. Replaced: *REPLACEMENT is the new descriptor
** (a text, a text node or a callback's descriptor), owned by the caller. */
Fill fillText(const MSElement* element, ZmFormDataArray* list, MSElementDescr** replacement);

/* The paper of the print set-up record in mm: its size and margins, the
** defaults of a record never loaded. */
struct PaperArea {
    double width, height, left, right, top, bottom;
};
PaperArea paperArea();

}  // namespace zmlib::matlist
