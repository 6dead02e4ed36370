/* The writers' tests: a fresh folder per test for their files. */
#pragma once

#include "support/host_fixture.h"

using WriterTest = HostTest;
