/* The fixture of every test that uses the host: a scratch folder of the
** test's own, and the one reset of the host before and after the test. Test
** programs that link the library or the application register their state
** with that reset (library_reset.cpp), so one call puts back the process. */
#pragma once

#include <gtest/gtest.h>

#include "host/sim/base/base.h"
#include "support/tempdir.h"

class HostTest : public ::testing::Test, protected TempDir {
protected:
    void SetUp() override { sim::resetForTests(); }
    void TearDown() override { sim::resetForTests(); }
};
