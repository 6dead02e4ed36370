/* Shared set-up of the resource tests: a scratch folder per test and a host
** with no open files, no applications and every test switch off. */
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <string>

#include "host/sim/system/system.h"
#include "host/sim/base/base.h"
#include "host/sim/resources/resources.h"

class ResourceTest : public ::testing::Test {
protected:
    std::string dir;

    void SetUp() override {
        char templ[] = "/tmp/zmrsc_XXXXXX";
        ASSERT_NE(mkdtemp(templ), nullptr);
        dir = templ;
        resetHost();
    }
    void TearDown() override {
        resetHost();
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }
    static void resetHost() {
        sim::closeAllResourceFiles();
        sim::resetApplications();
        sim::clearOutputLog();
        sim::failResourceWrites(0);
        sim::failAllocations(0);
        sim::setStringListMemberLimit(-1);
    }
    std::string path(const std::string& name) const { return dir + "/" + name; }

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
