/* A design-file test: a scratch folder for the files and no file open. */
#pragma once

#include <string>

#include "host/mdlelement.h"
#include "host/sim/design/design.h"
#include "support/host_fixture.h"

class DesignTest : public HostTest {
protected:
    /* Open (creating) NAME and fail the test when it cannot. */
    void openFile(const std::string& name) {
        std::string error;
        ASSERT_TRUE(sim::design::open(path(name), true, error)) << error;
    }
};

/* Add a line from (X, 0) to (X + 1, 1) on LEVEL to the active model; its file position. */
inline UInt32 addLine(double x, UInt32 level = 1) {
    MSElement el;
    const Dpoint3d pts[2] = {{x, 0, 0}, {x + 1, 1, 0}};
    EXPECT_EQ(mdlLine_create(&el, nullptr, pts), 0);
    mdlElement_setProperties(&el, &level, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
    return mdlElement_add(&el);
}

/* Elements of the active model that read back. */
inline int liveCount() {
    int n = 0;
    for (UInt32 p = 1; p <= mdlModelRef_getEof(nullptr); ++p) {
        MSElement el;
        if (mdlElement_read(&el, nullptr, p) == 0) ++n;
    }
    return n;
}
