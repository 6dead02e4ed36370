/* Application identity: the texts of the intro and about boxes in the
** caller's global data record, the application's version number in the host,
** and the owner texts. */
#pragma once

#include "lib/zmlib_api.h"

/* Fill the about-box texts: TITLE (slot 0), the version text made from the
** host's version number and BUILD (slot 1), TEXT2..TEXT13 (slots 2 to 13;
** 7, 9, 11 and 13 are file paths, abbreviated); any may be null and leaves
** its slot as it was. Then show the intro box for DISPLAYTIME seconds (0:
** until the user closes it), at once or after the first design file. */
extern "C" ZMLIB_API void zmlibIntro_msgBoxNew(const char* title, const char* build, const char* text2,
                                               const char* text3, const char* text4, const char* text5,
                                               const char* text6, const char* text7, const char* text8,
                                               const char* text9, const char* text10, const char* text11,
                                               const char* text12, const char* text13, int displayTime);
/* Set the calling application's version number (8.5, 2.55) in the host; its status. */
extern "C" ZMLIB_API int zmlibIntro_setVersionNumber(void);
/* The owner record (its first text is the company name), or null. */
extern "C" ZMLIB_API char* zmlibIntro_getCompanyName(void);
/* The owner record's second text, the super-user name, or null. */
extern "C" ZMLIB_API char* zmlibIntro_getSuperUserName(void);
