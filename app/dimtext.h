/* Segment texts: what a new segment says (the text typed for it, its
** measured length, or dimText), and measured texts that follow their
** segments when points move, come or go. */
#pragma once

#include "app/dimension.h"

enum : int { DIMTEXT_MAX_DECIMALS = 8 };

/* LENGTH (master units) as a segment text with DECIMALS decimals into OUT
** (DIM_TEXT_SIZE bytes): fewer decimals, or a shorter form, when it would
** not fit the 11 characters of a segment text. */
void dimText_format(char* out, double length, int decimals);
/* Make the text of segment I of DIM the segment's length along its axis
** with the settings' decimals, marked TEXT_MEASURED. */
void dimText_measure(DimensionRecord* dim, int i);
/* The same for a text that is marked measured; any other stays. */
void dimText_remeasure(DimensionRecord* dim, int i);
/* Give segment I of DIM the text of a new segment, in the middle of it: the
** text typed for it, else with measured texts on its length, else dimText.
** STORED: the segment is placed for good, so a typed text is used up. */
void dimText_newSegment(DimensionRecord* dim, int i, bool stored);
