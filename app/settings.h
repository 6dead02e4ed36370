/* The user's settings for new dimensions and skew triangles, published to
** the dialog manager as "uid" of type "userInterfaceData". */
#pragma once

#include <cstdint>
#include <type_traits>
#include "app/dimension.h"

enum : int { SETTINGS_DIMTEXT_SIZE = 16 };

struct UserInterfaceData {
    char dimText[SETTINGS_DIMTEXT_SIZE]; /* text of each new segment; the edit buffer of text editing */
    DimensionRecord dimTemplate;         /* the dimension new placements start from */
    int32_t hatchAngle;                  /* whole degrees */
    double hatchSpacing;                 /* master units */
    int32_t defaultSetupIndex;           /* entry of the default set-up list; the entry count: another file */
};
static_assert(std::is_trivially_copyable_v<UserInterfaceData>);
#define USERINTERFACEDATA_FIELDS(F) F(dimText) F(dimTemplate) F(hatchAngle) F(hatchSpacing) F(defaultSetupIndex)

/* Give SETTINGS its defaults (the rest stays as it is, zero after allocation). */
void settings_setDefaults(UserInterfaceData* settings);
