/* What other library files and the tests may reach of the plot scales: the
** ids of the dialog and its hooks, start-up, the table's rules and the
** release of the table at the library's end. */
#pragma once

#include "lib/core/plotscale.h"

namespace zmlib::plotscale {

enum : int {
    DIALOG_PLOT_SCALE = 20026,
    ITEM_LIST = 20010,
    ITEM_OPTION = 20011,            /* the dialog's own picker */
    ITEM_ROW_INSERT = 20012,        /* row buttons: value 0 insert, 1 delete */
    ITEM_ROW_DELETE = 20013,
    ITEM_FILE_READ = 20014,         /* file buttons: value 0 read, 1 save, 2 new file */
    ITEM_FILE_SAVE = 20015,
    ITEM_FILE_NEW = 20017,
    ITEM_PICKER = 20016,            /* the plot-scale picker other dialogs carry */
    POPUP_MENU = 20000,
    HOOK_DIALOG = 20204,
    HOOK_LIST = 20096,
    HOOK_OPTION = 20097,
    HOOK_ROW_BUTTON = 20098,
    HOOK_FILE_BUTTON = 20099,
    STRING_LIST_ID = 20001,
    SYNONYM_LIST = 20005,
    FILE_DIALOG_ID = -20007,
    TEXT_TITLE_READ = 58,
    TEXT_TITLE_SAVE = 59,
    TEXT_TITLE_NEW = 60,
    COLUMN_LABEL = 0,
    COLUMN_VALUE = 1,
};

/* The shared record (null before the first application started). */
ZmPlotScale* record();

/* Build the table for the first application: from the file ZM_PLOTSCALES
** names (found along ZM_DATA), else the default table. */
void startUp();
/* Replace the table by the 15 default rows, "1:1" active, scale 1.0. */
void buildDefaultTable();
/* Set the active scale from the active row: its value when it has one
** greater than 0, else 1.0. */
void applyActiveRow();
/* The number in ROW's value text, 0 when empty or not a number. */
double rowValue(int row);
/* Recalculate ROW after an edit of COLUMN: a value that is not a number
** greater than 0 becomes 1.0; a label "a:b" with both greater than 0 gives
** the value b / a, any other label leaves it alone. */
void recalculateRow(int row, int column);
/* Insert after ROW a copy of its label with the value that follows the
** label's first two characters. False when ROW does not exist. */
bool insertRowAfter(int row);
/* Delete ROW unless it is the only one. */
bool deleteRow(int row);
/* Publish the five dialog hooks for the current application. */
void publishHooks();
/* Destroy the table (the library's end and tests). */
void releaseTable();

}  // namespace zmlib::plotscale
