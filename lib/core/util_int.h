/* What other library files and the tests may reach of the utilities: the
** rules behind the exported functions as plain functions, the buffer sizes
** and the reset of the module's static buffers. */
#pragma once

#include <cstddef>
#include "lib/core/util.h"

namespace zmlib::util {

enum : int {
    TOKEN_STEP = 20,              /* token list entries added at a time */
    CONVERT_BUFFER_CHARS = 512,   /* static wide and byte buffers of the text conversions */
    TEXT_SIZE_MAX = 511,          /* characters of a text measured by extractTextSize */
    SPINNER_TICKS = 30,           /* ticks between two spinner steps */
    TEXT_MONTH_FIRST = 2,         /* language texts 2..13: January..December */
    TEXT_WEEKDAY_FIRST = 14,      /* language texts 14..20: Sunday..Saturday */
    TEXT_LANGUAGE_SUFFIX = 61,
    NAME_SIZE = 64,               /* weekday and month name outputs, with the terminator */
    MSG_NO_BROWSER = 19,          /* list 20005 */
    MSG_REDUCED_EDITION = 20,
    PLOT_FENCE_APP_ID = 6,
    USER_DATA_LINKAGE_ID = 20275,
    LEVEL_MESSAGE_TYPE = 11,
    WORKMODE_V7 = 2,
};

/* The spinner's characters, in order. */
extern const char SPINNER_CHARS[4];

/* Cut TEXT at its first line break (a line feed, or a backslash followed by
** n or N). Copy what follows into REST (REST bytes, bounded) and answer 1 when
** something follows; else 0. A text without a break is left alone. */
int splitAtLineBreak(char* text, char* rest, size_t restSize);

/* Decimals of a coordinate read-out with FORMAT byte and FLAGS. */
int readoutDecimals(int format, int flags, int defaultDecimals);

/* Rewrite FORMAT (a text item's "%.Nf") so that it shows DECIMALS decimals.
** True when it was changed; a format shorter than 3 characters, one that does
** not end in 'f' or one that already shows DECIMALS is left alone. */
bool rewriteDecimalFormat(char* format, size_t size, int decimals);

/* Text of work mode MODE ("DGN", "DWG", "V7"), null for another mode. */
const char* workmodeText(int mode);

/* Put the static buffers and the spinner clock back (tests). */
void resetForTests();

}  // namespace zmlib::util
