/* Shared set-up of the resource tests: scratch resource files and message
** lists packed into them. */
#pragma once

#include <string>

#include "host/sim/resources/resources.h"
#include "host/sim/system/system.h"
#include "support/host_fixture.h"

class ResourceTest : public HostTest {
protected:
    /* Create NAME and open it for writing. */
    RscFileHandle createOpen(const std::string& name, const char* description = "test") {
        EXPECT_EQ(mdlResource_createFile(path(name).c_str(), description, 1), RSC_SUCCESS);
        RscFileHandle h = 0;
        EXPECT_EQ(mdlResource_openFile(&h, path(name).c_str(), 1), RSC_SUCCESS);
        return h;
    }
    /* Add message list LISTID with one message NUMBER = TEXT to open FILE. */
    static void addMessage(RscFileHandle file, int32_t listId, int32_t number, const std::string& text) {
        sim::MessageListRsc list;
        list.messages.push_back({number, text});
        std::vector<uint8_t> bytes;
        ASSERT_EQ(sim::packMessageList(list, bytes), RSC_SUCCESS);
        ASSERT_EQ(mdlResource_add(file, RTYPE_MESSAGELIST, listId, bytes.data(),
                                  static_cast<uint32_t>(bytes.size()), nullptr),
                  RSC_SUCCESS);
    }
};
