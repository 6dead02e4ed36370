#include "lib/test_core_fake.h"
