/* What other library files and the tests may reach of the user preference
** file: the recent-list rule of the remembered file dialogs. */
#pragma once

#include "host/mdluserprefs.h"
#include "lib/core/upf.h"

namespace zmlib::upf {

/* Put VALUE at the front of LIST (COUNT entries used): the same first entry
** leaves it alone; else entries move down to where VALUE stood or until the
** tenth, which falls off (COUNT then grows, up to 10). */
void pushRecent(char (*list)[USERPREFS_TEXT], int32_t* count, const char* value);

/* Take PATH as the current choice of RECORD and, when RECORD is valid, as
** the newest entry of its three lists; mark it valid. */
void rememberPath(UserPrefsFileName* record, const char* path);

}  // namespace zmlib::upf
