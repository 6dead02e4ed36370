/* The record the minimal add-in publishes to its dialog as "mini", with the
** field lists its type descriptions are generated from. */
#pragma once

#include <cstdint>

struct MinimalOptions {
    double gap;     /* master units */
    int32_t style;
    int32_t flags;  /* bit 1: the toggle of dialog 1 */
};
#define MINIMAL_OPTIONS_FIELDS(F) F(gap) F(style) F(flags)

struct MinimalRecord {
    char greeting[32];
    int32_t count;
    double scale;
    int32_t choice;          /* value of the option button */
    MinimalOptions options;
    int32_t values[4];
    char names[3][16];
};
#define MINIMAL_RECORD_FIELDS(F) F(greeting) F(count) F(scale) F(choice) F(options) F(values) F(names)
