/* The add-in's entry point, called once by the host when it loads the add-in. */
#pragma once

#include "lib/zmlib_api.h"

extern "C" ZMLIB_API int MdlMain(int argc, char* argv[]);
