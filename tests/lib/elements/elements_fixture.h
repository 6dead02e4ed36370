/* Shared set-up of the element tests: the library started for one
** application, which stays current, and an open design file. */
#pragma once

#include <optional>
#include <string>

#include "host/mdlelement.h"
#include "host/sim/design/design.h"
#include "lib/core/core_fixture.h"
#include "lib/elements/elmattr_int.h"

class ElementsTest : public CoreTest {
protected:
    MdlDesc* app = nullptr;
    std::optional<sim::CurrentApplicationScope> scope;

    void SetUp() override {
        CoreTest::SetUp();
        messages = path("elements.rsc");
        writeMessages(messages, {
            {ZMLIB_LIST_ERRORS, {{14, "Out of memory"}, {16, "Cannot open %s"}, {1, "Cannot create %s"},
                                 {9, "Cannot write %s"},
                                 {28, "Application data is not saved in a DWG file unless "
                                      "MS_DWGSAVEAPPLICATIONDATA is set"}}},
            {ZMLIB_LIST_LANGUAGE, {{25, "OK"}, {28, "Cancel"}, {41, "Error"}}},
        });
        app = startApp("ALPHA");
        scope.emplace(app);
        std::string error;
        ASSERT_TRUE(sim::design::open(path("drawing.design"), true, error)) << error;
    }
    void TearDown() override {
        zmlibElmAttr_freeAllAttribute();
        zmlibElmAttr_freeGroupeNames();
        scope.reset();
        CoreTest::TearDown();
    }
    /* The design file's elements, one line each. */
    static std::string dumpModel() {
        std::string out;
        sim::design::dump(nullptr, out);
        return out;
    }
};

/* A line from (0,0,0) to (10,0,0) in ELEMENT. */
inline void makeLine(MSElement* element) {
    Dpoint3d points[2] = {{0, 0, 0}, {10, 0, 0}};
    ASSERT_EQ(mdlLine_create(element, nullptr, points), 0);
}
