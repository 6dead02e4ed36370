/* Shared set-up of the document tests: the library started for one
** application on the library's messages, an open design file, and every
** message box recorded as its text and answered with OK. */
#pragma once

#include <string>
#include <vector>

#include <optional>

#include "host/mdlelement.h"
#include "host/mdltext.h"
#include "host/sim/design/design.h"
#include "lib/core/core_fixture.h"
#include "lib/document/matlist.h"

class DocumentTest : public CoreTest {
protected:
    MdlDesc* app = nullptr;
    std::optional<sim::CurrentApplicationScope> scope;
    std::vector<std::string> shown;

    void SetUp() override {
        CoreTest::SetUp();
        writeMessages(messages = path("document.rsc"), {
            {ZMLIB_LIST_QUESTIONS, {{4, "project saved"}, {6, "pages found"}, {7, "page saved"}}},
            {ZMLIB_LIST_ERRORS, {{11, "version %d"}, {12, "not stored"}, {14, "Out of memory"},
                                 {15, "row %d (%s) beyond %d"}}},
            {ZMLIB_LIST_LANGUAGE, {{25, "OK"}, {28, "Cancel"}, {41, "Error"}}},
        });
        app = startApp("ALPHA");
        scope.emplace(app);
        std::string error;
        ASSERT_TRUE(sim::design::open(path("drawing.design"), true, error)) << error;
        sim::setModalHandler([this](DialogBox*) {
            std::string text = boxText();
            if (!text.empty() && text.back() == '\n') text.pop_back();
            shown.push_back(text);
            return ACTIONBUTTON_OK;
        });
    }
    void TearDown() override {
        scope.reset();
        CoreTest::TearDown();
    }
    /* Store ELEMENTS as cell NAME of library FILE in the scratch folder. */
    void storeCell(const std::string& file, const char* name, const char* description, MSElementDescr* elements) {
        std::string error;
        ASSERT_TRUE(sim::design::storeLibraryCell(path(file), name, description, elements, error)) << error;
    }
};

/* A text element holding TEXT at (X, Y), 2 x 3 UORs a character. */
inline MSElementDescr* textDescr(const char* text, double x = 0, double y = 0) {
    static MSElement el;
    Dpoint3d origin{x, y, 0};
    TextSizeParam size{1, {2, 3}, 1.5};
    if (mdlText_create(&el, nullptr, text, &origin, nullptr, &size, nullptr, nullptr) != 0) return nullptr;
    MSElementDescr* d = nullptr;
    mdlElmdscr_new(&d, nullptr, &el);
    return d;
}
