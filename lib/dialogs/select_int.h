/* What start-up, the user preference module and the tests reach of the
** selection dialogs. */
#pragma once

#include <string>
#include <vector>
#include "lib/dialogs/select.h"

namespace zmlib::select {

enum : int {
    DIALOG_FILE_PICKER = 20016,
    DIALOG_BATCH = 20018,
    DIALOG_SINGLE = 20021,
    DIALOG_MULTI = 20022,
    ITEM_FILE_LIST = 20005,        /* lBox of 20016 */
    ITEM_DIRECTORY_LIST = 20004,   /* lBox of 20016 */
    ITEM_PICKER_DIRECTORY = 20065, /* dTxt of 20016 */
    ITEM_PICKER_PATTERN = 20066,   /* dTxt of 20016 */
    ITEM_RESULT_LIST = 20006,      /* lBox of 20018 */
    ITEM_BATCH_DIRECTORY = 20069,  /* dTxt of 20018 */
    ITEM_BATCH_PATTERN = 20070,    /* dTxt of 20018 */
    ITEM_CHOICE_LIST = 20007,      /* lBox of 20021 and 20022 */
    NAME_SIZE = 256,
    MAX_SEARCH_DEPTH = 32,         /* directory levels below the start; deeper ones (link loops) are skipped */
    STATUS_CONFIRMED = 3,
};

void publishHooks();
/* The full names below DIRECTORY matching the ';'-separated PATTERNS: per
** pattern, depth first, a directory's subdirectories before its own files. */
std::vector<std::string> searchTree(const std::string& directory, const std::string& patterns);
/* The directory a double click on ENTRY leads to from DIRECTORY. */
std::string enterDirectory(const std::string& directory, const std::string& entry);
/* Append the names of list file PATH that exist to LIST, reporting the others. */
void loadListFile(StringList* list, const char* path);
void resetForTests();

}  // namespace zmlib::select
