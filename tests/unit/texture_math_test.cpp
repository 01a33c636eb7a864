#include <gtest/gtest.h>

#include "video/texture_upload.h"

TEST(NextPowerOfTwo, SmallestPowerNotBelow) {
    const struct {
        int32_t in, out;
    } cases[] = {{0, 0},   {-1, 0},     {-256, 0},   {INT32_MIN, 0},   {1, 1},
                 {2, 2},   {3, 4},      {120, 128},  {128, 128},       {160, 256},
                 {256, 256}, {257, 512}, {(1 << 29) + 1, 1 << 30}, {1 << 30, 1 << 30}};
    for (const auto& c : cases) EXPECT_EQ(NextPowerOfTwo(c.in), c.out) << c.in;
}

TEST(NextPowerOfTwo, NoPowerFitsAboveTwoToTheThirty) {
    EXPECT_EQ(NextPowerOfTwo((1 << 30) + 1), 0);
    EXPECT_EQ(NextPowerOfTwo(INT32_MAX), 0);
}
