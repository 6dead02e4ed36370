/* Shared set-up of the library core tests: a resource file holding the
** library's message lists, which registered applications use as their own,
** and a scripted user that answers modal dialogs. */
#pragma once

#include <map>
#include <string>
#include <vector>

#include "host/mdlresource.h"
#include "host/mdlsystem.h"
#include "host/mdldialog.h"
#include "host/sim/system/system.h"
#include "host/sim/dialogs/dialogs.h"
#include "host/sim/interaction/interaction.h"
#include "host/sim/design/design.h"
#include "host/sim/resources/resources.h"
#include "lib/core/error_int.h"
#include "lib/core/main_int.h"
#include "support/host_fixture.h"

class CoreTest : public HostTest {
protected:
    std::string messages;  /* the resource file with the message lists */
    int answer = ACTIONBUTTON_OK;       /* what the user answers every modal dialog */
    std::vector<int32_t> modalDialogs;  /* modal dialogs opened, in order */
    std::vector<std::string> buttons;   /* "OK|Cancel" or "OK|-" of the last message box */

    void SetUp() override {
        HostTest::SetUp();
        sim::setModalHandler([this](DialogBox* db) { return answerModal(db); });
        messages = path("messages.rsc");
        writeMessages(messages, {
            {ZMLIB_LIST_QUESTIONS, {{5, "Define %s as the folder of %s?|%s|%s|%s"}}},
            {ZMLIB_LIST_ERRORS, {{1, "Cannot create %s"}, {9, "Cannot write %s"}, {10, "%s is read-only"},
                                 {14, "Out of memory"}, {16, "Cannot open %s"}, {30, "Line one\n\nLine two\n"}}},
            {ZMLIB_LIST_LANGUAGE, {{25, "OK"}, {26, "Yes"}, {27, "Go on"}, {28, "Cancel"}, {29, "No"}, {30, "Stop"}, {38, "Message from %s"}, {39, "Warning from %s"},
                                   {40, "Question from %s"}, {41, "Error"}, {57, "Library version %s"},
                                   {90, "100%%"}, {91, "%d%% of %s"}}},
        });
    }
    /* The answer of the scripted user: remember the dialog and its buttons. */
    int answerModal(DialogBox* db) {
        modalDialogs.push_back(mdlDialog_getId(db));
        buttons.clear();
        for (int32_t id : {PUSHBUTTONID_OK, PUSHBUTTONID_CANCEL}) {
            DialogItem* item = mdlDialog_itemGetByTypeAndId(db, ITEMTYPE_PUSHBUTTON, id, 0);
            char label[64] = "";
            if (item) mdlDialog_itemGetLabel(label, sizeof label, db, item->itemIndex);
            buttons.push_back(item && item->visible ? label : "-");
        }
        return answer;
    }

    using Lists = std::map<int32_t, std::vector<std::pair<int32_t, std::string>>>;
    static void writeMessages(const std::string& file, const Lists& lists) {
        ASSERT_EQ(mdlResource_createFile(file.c_str(), "messages", 1), RSC_SUCCESS);
        RscFileHandle h = 0;
        ASSERT_EQ(mdlResource_openFile(&h, file.c_str(), 1), RSC_SUCCESS);
        for (auto& [id, entries] : lists) {
            sim::MessageListRsc list;
            list.messages = entries;
            std::vector<uint8_t> bytes;
            ASSERT_EQ(sim::packMessageList(list, bytes), RSC_SUCCESS);
            ASSERT_EQ(mdlResource_add(h, RTYPE_MESSAGELIST, id, bytes.data(), static_cast<uint32_t>(bytes.size()),
                                      nullptr),
                      RSC_SUCCESS);
        }
        ASSERT_EQ(mdlResource_closeFile(h), RSC_SUCCESS);
    }

    /* Register application NAME with the message file as its own and open it. */
    MdlDesc* addApp(const std::string& name) {
        MdlDesc* d = sim::registerApplication(name, messages);
        sim::openApplicationResources(d);
        /* The library's dialogs come from the add-in's resource file. */
        sim::CurrentApplicationScope scope(d);
        RscFileHandle h = 0;
        EXPECT_EQ(mdlResource_openFile(&h, ZM_MDLAPPS_DIR "/tarvik.ma", 0), RSC_SUCCESS);
        return d;
    }
    /* Register NAME and start the library for it with argv {ARGV0, THROUGH}. */
    MdlDesc* startApp(const std::string& name, const char* through = "", const char* argv0 = "app.so") {
        MdlDesc* d = addApp(name);
        sim::CurrentApplicationScope scope(d);
        char* argv[] = {const_cast<char*>(argv0), const_cast<char*>(through), nullptr};
        zmlibMain_initZmLib(name.c_str(), 2, argv);
        return d;
    }
    static std::string boxText() {
        const auto& box = zmlib::error::messageBoxState();
        std::string out;
        for (int i = 0; i < box.lineCount; ++i) out += std::string(box.lines[i]) + "\n";
        return out;
    }
};
