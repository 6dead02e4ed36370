/* The application's commands, one function per command number; the table
** in commands.cpp maps the numbers to them. Each lives with its module. */
#pragma once

/* Register the command numbers and load the key-in table. */
void commands_register();

void cmdAbout(char* unparsed);
void cmdHelp(char* unparsed);
void cmdPlaceDimension(char* unparsed);
void cmdDimensionElement(char* unparsed);
void cmdModifyDimension(char* unparsed);
void cmdInsertPoint(char* unparsed);
void cmdEditText(char* unparsed);
void cmdDeletePoint(char* unparsed);
void cmdSkewHorizontal(char* unparsed);
void cmdSkewVertical(char* unparsed);
void cmdSkewCombined(char* unparsed);
void cmdExit(char* unparsed);
void cmdAttributes(char* unparsed);
void cmdOpenToolbox(char* unparsed);
void cmdOpenSettings(char* unparsed);
void cmdSaveSettings(char* unparsed);
void cmdSaveSettingsAs(char* unparsed);
void cmdLoadSettings(char* unparsed);
void cmdOpenDefaultSetups(char* unparsed);
