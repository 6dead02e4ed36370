/* The application's debug channel. */
#include "app/messages.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "host/mdlsystem.h"

void tarvik_debugPrintf(const char* format, ...) {
    char text[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    /* The message centre takes one line; the trailing line feed is the console's habit. */
    size_t n = std::strlen(text);
    if (n && text[n - 1] == '\n') text[n - 1] = '\0';
    mdlOutput_messageCenter(MESSAGE_DEBUG, text, nullptr, 0);
}
