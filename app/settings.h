/* The user's settings for new dimensions and skew triangles, published to
** the dialog manager as "uid" of type "userInterfaceData". */
#pragma once

#include <cstdint>
#include <type_traits>
#include "app/dimension.h"

struct DialogItem;

enum : int { SETTINGS_DIMTEXT_SIZE = 16 };

struct UserInterfaceData {
    char dimText[SETTINGS_DIMTEXT_SIZE]; /* text of each new segment; the edit buffer of text editing */
    DimensionRecord dimTemplate;         /* the dimension new placements start from */
    int32_t hatchAngle;                  /* whole degrees */
    double hatchSpacing;                 /* master units */
    int32_t defaultSetupIndex;           /* entry of the default set-up list; the entry count: another file */
    int32_t measuredTexts;               /* 1: a new segment says its length, unless a text was typed for it */
    int32_t measuredDecimals;            /* decimals of measured texts */
    int32_t skewLegDimensions;           /* 1: the skew commands also dimension the triangles' legs */
    int32_t measuredUnits;               /* MEASURED_IN_MASTER or MEASURED_IN_SUB */
};
enum : int32_t { MEASURED_IN_MASTER = 0, MEASURED_IN_SUB = 1 };
static_assert(std::is_trivially_copyable_v<UserInterfaceData>);
#define USERINTERFACEDATA_FIELDS(F)                                                                \
    F(dimText) F(dimTemplate) F(hatchAngle) F(hatchSpacing) F(defaultSetupIndex) F(measuredTexts) \
    F(measuredDecimals) F(skewLegDimensions) F(measuredUnits)

/* Give SETTINGS its defaults (the rest stays as it is, zero after allocation). */
void settings_setDefaults(UserInterfaceData* settings);

/* Settings resources in a settings file: class 'Tarv', ids 2 to 4. Files
** written before resource 4 existed lack it: its settings are then off. */
enum : int {
    SETTINGS_RESOURCE_TEMPLATE = 2,
    SETTINGS_RESOURCE_TEMPLATE_SIZE = 80,
    SETTINGS_RESOURCE_HATCH = 3,
    SETTINGS_RESOURCE_HATCH_SIZE = 16,
    SETTINGS_RESOURCE_TEXTS = 4,
    SETTINGS_RESOURCE_TEXTS_SIZE = 16,
    SETTINGS_MESSAGE_LIST = 2,
    SETTINGS_MESSAGE_OUT_OF_RANGE = 15,
};
/* The dimension line offset has no field in the settings dialog; a file may
** set it anywhere within this many master units of the line. */
constexpr double SETTINGS_LENGTH_LIMIT = 1e6;
constexpr uint32_t SETTINGS_RESOURCE_TYPE = fourCC("Tarv");

/* Pack the template settings of SETTINGS into OUT (80 bytes) and the hatch
** settings into OUT (16 bytes); unpack them back (the hatch angle is not read;
** a length outside the dialog's range keeps the current value, with a message). */
void settings_packTemplate(unsigned char* out, const UserInterfaceData* settings);
void settings_unpackTemplate(UserInterfaceData* settings, const unsigned char* in);
void settings_packHatch(unsigned char* out, const UserInterfaceData* settings);
void settings_unpackHatch(UserInterfaceData* settings, const unsigned char* in);
/* The same for resource 4: measured texts and dimensioned skew legs (16 bytes). */
void settings_packTexts(unsigned char* out, const UserInterfaceData* settings);
void settings_unpackTexts(UserInterfaceData* settings, const unsigned char* in);

/* Define the two attribute groups and the six attributes of the application. */
void settings_registerAttributes();
/* Load the settings from the file PATH (256 bytes; with ASK the user picks
** the file, written back into PATH). 0, or the first non-zero status met. */
int settings_load(char* path, bool ask);
/* Save the settings to PATH (with ASK the user picks it first). */
int settings_save(char* path, bool ask);

/* The default set-up list read from "ZMTV_MENU_ITEM". */
void settings_readSetupList();
int settings_setupCount();
const char* settings_setupLabel(int index);
const char* settings_setupFile(int index);
void settings_freeSetupList();
/* Load the entry selected by defaultSetupIndex. */
void settings_applyDefaultSetup();
/* Fill the option button ITEM with the entries and the other-file entry. */
void settings_fillOptionButton(DialogItem* item);
/* Make the set-up list entry whose file the current settingsFile names the
** default set-up: 0 with defaultSetupIndex set to it, else -1 with it 0. */
int settings_selectSetupForSettingsFile();
