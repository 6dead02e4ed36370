/* Ids of the application's dialogs, hooks, items, menu and message lists
** in its resource file (resources/tarvik.toml). */
#pragma once

#include <cstdint>

enum : int32_t {
    DIALOG_SETTINGS = 2,
    DIALOG_TEXT_EDIT = 3,
    DIALOG_DEFAULT_SETUPS = 4,
    DIALOG_MAIN = 10,
    HOOK_MAIN_DIALOG = 1,
    HOOK_DEFAULT_SETUP_OPTION = 3,
    HOOK_SEGMENT_TEXT = 4,
    ITEM_DEFAULT_SETUP_OPTION = 2,
    MENU_TARVIK = 1,
    MENU_HOST_BEFORE = -522,
    LIST_PROMPTS = 1,
    LIST_LABELS = 2,
    LIST_COMMANDS = 3,
    LIST_STATUS = 4,
};
