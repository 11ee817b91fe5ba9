#include <gtest/gtest.h>
#include "payload/crc32.h"
TEST(Smoke, CrcText) { EXPECT_EQ(tarifex::Crc32Text(0x1234), "00001234"); }
