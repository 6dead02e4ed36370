/* A design-file test with the view and level areas put back as well. */
#pragma once

#include "design_fixture.h"
#include "host/mdlelement.h"
#include "host/sim/display/display.h"

class ViewTest : public DesignTest {
protected:
    void SetUp() override {
        DesignTest::SetUp();
        sim::view::resetForTests();
        sim::level::resetForTests();
    }
    void TearDown() override {
        sim::view::resetForTests();
        sim::level::resetForTests();
        DesignTest::TearDown();
    }
};

/* Points compare within a small tolerance. */
#define EXPECT_POINT(p, X, Y)             \
    do {                                  \
        EXPECT_NEAR((p).x, (X), 1e-9);    \
        EXPECT_NEAR((p).y, (Y), 1e-9);    \
    } while (0)
