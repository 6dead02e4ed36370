/* A library test with an application started on a message file of its own,
** whose message boxes are recorded as their texts and answered with OK. */
#pragma once

#include <string>
#include <vector>

#include "lib/core/core_fixture.h"

class LibraryMessagesTest : public CoreTest {
protected:
    MdlDesc* app = nullptr;
    std::vector<std::string> shown; /* the text of every message box, in order */

    void SetUp() override {
        CoreTest::SetUp();
        writeMessages(messages = path("library.rsc"),
                      {{ZMLIB_LIST_ERRORS, {{1, "open %s"}, {2, "close failed"}, {3, "longer than %d"},
                                            {4, "read error"}, {14, "no memory"},
                                            {29, "NUL in %s"}}},
                       {ZMLIB_LIST_LANGUAGE, {{25, "OK"}, {28, "Cancel"}}}});
        app = startApp("ALPHA");
        sim::setModalHandler([this](DialogBox*) {
            std::string text = boxText();
            if (!text.empty() && text.back() == '\n') text.pop_back();
            shown.push_back(text);
            return ACTIONBUTTON_OK;
        });
        shown.clear();
        sim::clearOutputLog();
    }
};
