/* What start-up and the tests reach of the attribute dialog: its ids, the
** publication of its hooks and variables, and the short forms of its list. */
#pragma once

#include <cstdint>
#include <string>
#include "lib/dialogs/attrdialog.h"
#include "lib/elements/elmattr.h"

namespace zmlib::attrdialog {

enum : int {
    DIALOG_ATTRIBUTES = 20013,
    DIALOG_EDIT = 20017,
    DIALOG_LEVELS = 20025,
    ITEM_LIST = 20001,              /* lBox */
    ITEM_MENU_BAR = 20001,          /* mBar */
    ITEM_POPUP = 20001,             /* pMen */
    ITEM_GROUP_SELECTOR = 20008,    /* oBtn */
    ITEM_SYMBOL_CHOOSER = 20009,    /* oBtn */
    ITEM_VALUE_CHOOSER = 20012,     /* oBtn */
    ITEM_SYMBOL_TEXT = 20055,       /* dTxt */
    ITEM_SYMBOL_SIZE = 20056,       /* dTxt */
    ITEM_TEXT_STRING = 20060,       /* dTxt */
    ITEM_LEVEL_LIST = 20001,        /* lBox of dialog 20025 */
    ITEM_UNDEFINED_KIND = 21307,    /* iCmX */
    LIST_COLUMNS = 7,
    EDIT_NAME_SIZE = 84,
    INTEREST_FLAGS = 0x8249,
    HOOK_COUNT = 28,
};

/* The request of the attribute edit dialog (92 bytes, published as "zmAttrEditP"). */
struct EditRequest {
    char name[EDIT_NAME_SIZE];
    int32_t kind;
    int32_t fixedMask;
};
static_assert(sizeof(EditRequest) == 92);
#define ZMATTREDITREQUEST_FIELDS(F) F(name) F(kind) F(fixedMask)

/* Publish the 28 hooks and the dialog's variables for the calling application. */
void publishHooks();
/* The seven column texts of ATTRIBUTE's list row, with DECIMALS for sizes. */
void rowTexts(const ZmAttribute& attribute, int decimals, std::string (&columns)[LIST_COLUMNS]);
void resetForTests();

}  // namespace zmlib::attrdialog
