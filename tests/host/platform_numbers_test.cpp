/* The numbers an add-in built for the platform passes as they are: the
** platform's own, which this host must keep whatever its names. */
#include "host/mdlcommand.h"
#include "host/mdldialog.h"
#include "host/mdlstate.h"
#include "host/mdlsystem.h"
#include "host/mdlview.h"

static_assert(ACTIVEPARAM_LINESTYLE == 3 && ACTIVEPARAM_FONT == 7 && ACTIVEPARAM_TEXTHEIGHT == 11 &&
              ACTIVEPARAM_LINESTYLENAME == 44);
static_assert(LOCK_517 == 517);
static_assert(MSG_STATUS == 1 && MSG_PROMPT == 2);
static_assert(DRAW_MODE_NORMAL == 0 && DRAW_MODE_ERASE == 1 && DRAW_MODE_HILITE == 2);
static_assert(STATEFUNC_DATAPOINT == 1 && STATEFUNC_RESET == 2 && STATEFUNC_DYNAMICS == 4);
static_assert(LOCATE_FILTER_REJECT == 0 && LOCATE_FILTER_ACCEPT == 2);
static_assert(SYSTEM_NEW_DESIGN_FILE == 1 && SYSTEM_UNLOAD_PROGRAM == 2);
static_assert(ACTIONBUTTON_OK == 3 && ACTIONBUTTON_CANCEL == 4);
static_assert(DIALOG_MESSAGE_CREATE == 0 && DIALOG_MESSAGE_INIT == 1 && DIALOG_MESSAGE_DESTROY == 2 &&
              DIALOG_MESSAGE_BUTTON == 25);
static_assert(DITEM_MESSAGE_CREATE == 50 && DITEM_MESSAGE_DESTROY == 51 && DITEM_MESSAGE_BUTTON == 54 &&
              DITEM_MESSAGE_ACTIVATE == 70 && DITEM_MESSAGE_STATECHANGED == 71 && DITEM_MESSAGE_USER == 72);
static_assert(ITEMTYPE_LISTBOX == 0x6C426F78 && ITEMTYPE_TEXT == fourCC("dTxt"));
