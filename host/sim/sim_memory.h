/* Test switch of the host's allocator: make allocations fail on demand. */
#pragma once

namespace sim {

/* The next COUNT allocations (malloc, calloc, realloc) fail after SKIP more
** succeed; failAllocations(0) restores normal service. */
void failAllocations(int count, int skip = 0);
/* Allocations refused since the last reset of the switch. */
int failedAllocations();

}  // namespace sim
