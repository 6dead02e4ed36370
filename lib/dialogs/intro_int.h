/* What start-up and the tests reach of the intro and about boxes. */
#pragma once

#include "lib/dialogs/intro.h"

namespace zmlib::intro {

enum : int {
    DIALOG_INTRO = 20020,
    DIALOG_ABOUT = 20027,
    VERSION_MAJOR = 8,
    VERSION_MINOR = 5,
    VERSION_SECOND_LOW = 2,
    VERSION_SECOND_HIGH = 55,
    TICKS_PER_SECOND = 60,
    OWNER_SUPER_USER_OFFSET = 41,
    HOOK_COUNT = 10,
};

/* Publish the 10 hooks of the intro and about boxes. */
void publishHooks();
/* The intro box's timer while it runs (0: none). */
int introTimer();
void resetForTests();

}  // namespace zmlib::intro
