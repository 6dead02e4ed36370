/* A design-file test of what the views show. */
#pragma once

#include "design_fixture.h"
#include "host/mdlelement.h"
#include "host/sim/display/display.h"

using ViewTest = DesignTest;

/* Points compare within a small tolerance. */
#define EXPECT_POINT(p, X, Y)             \
    do {                                  \
        EXPECT_NEAR((p).x, (X), 1e-9);    \
        EXPECT_NEAR((p).y, (Y), 1e-9);    \
    } while (0)
