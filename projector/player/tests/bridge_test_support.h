// Pictures, movies and packed projectors for the FSCommand bridge's tests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "test_support.h"

namespace testing_support {

// A 24-bit BMP of one colour.
Bytes SolidBitmap(int width, int height);

}  // namespace testing_support
