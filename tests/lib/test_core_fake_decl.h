/* Messages recorded by the weak test versions of the core's message box
** and allocator (see test_core_fake.h). */
#pragma once

#include <string>
#include <vector>

struct ShownMessage {
    int listId;
    int number;
    std::string argument; /* the text argument of message 1, the number of message 3 */
};
extern std::vector<ShownMessage> shownMessages;

/* Whether messages are recorded here (the core's own box is not linked in). */
bool messagesRecorded();
