/* What the host has shown: console lines, message fields, message centre
** entries, info boxes. Kept in one ordered log that tests and hostsim read,
** and echoed to a sink (hostsim prints it as it comes). */
#pragma once

#include <cstdarg>
#include <functional>
#include <string>
#include <vector>

namespace sim {

enum class OutputKind { Console, MessageField, MessageCenter, InfoBox, Host };

struct OutputEntry {
    OutputKind kind;
    int field;          /* message field number, or message-centre priority */
    std::string text;
};

const std::vector<OutputEntry>& outputLog();
void clearOutputLog();
void addOutput(OutputKind kind, int field, std::string text);
/* Called for every entry as it is added (null: none). */
void setOutputSink(std::function<void(const OutputEntry&)> sink);
/* The current text of a message field. */
std::string messageField(int field);
/* All console text since the last clear, concatenated. */
std::string consoleText();

/* Format like vsnprintf, with %S (and %ls) taking a UTF-16 text. */
std::string formatV(const char* format, va_list args);
std::string format(const char* format, ...);

std::string utf16ToUtf8(const char16_t* text);
std::u16string utf8ToUtf16(const std::string& text);

}  // namespace sim
