/* A design-file test: a scratch folder for the files and no file open. */
#pragma once

#include <string>

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
