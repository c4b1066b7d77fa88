// The rounding rules the components' geometry and colour arithmetic rest on.
#include <gtest/gtest.h>

#include "components/MathUtils.h"

using components::BankersRound;
using components::MulDivRound;

TEST(MathUtils, MulDivRoundsHalvesAwayFromZero) {
    EXPECT_EQ(MulDivRound(1, 1, 2), 1);     // 0.5
    EXPECT_EQ(MulDivRound(-1, 1, 2), -1);   // -0.5
    EXPECT_EQ(MulDivRound(1, -1, 2), -1);
    EXPECT_EQ(MulDivRound(-1, -1, 2), 1);
    EXPECT_EQ(MulDivRound(1, 1, 3), 0);     // 0.33
    EXPECT_EQ(MulDivRound(2, 1, 3), 1);     // 0.67
    EXPECT_EQ(MulDivRound(5, 640, 1280), 3); // 2.5, stretched picture coordinates
    EXPECT_EQ(MulDivRound(4, 640, 1280), 2);
    // The product is taken in 64 bits.
    EXPECT_EQ(MulDivRound(2000000000, 3, 4), 1500000000);
}

TEST(MathUtils, MulDivReportsImpossibleResultsAsMinusOne) {
    EXPECT_EQ(MulDivRound(5, 7, 0), -1);
    EXPECT_EQ(MulDivRound(INT32_MAX, 4, 2), -1);
    EXPECT_EQ(MulDivRound(INT32_MIN, 1, -1), -1);
}

TEST(MathUtils, BankersRoundGoesToTheEvenNeighbour) {
    EXPECT_EQ(BankersRound(0.5), 0);
    EXPECT_EQ(BankersRound(1.5), 2);
    EXPECT_EQ(BankersRound(2.5), 2);
    EXPECT_EQ(BankersRound(-0.5), 0);
    EXPECT_EQ(BankersRound(-1.5), -2);
    EXPECT_EQ(BankersRound(2.4999), 2);
    EXPECT_EQ(BankersRound(7.0), 7);
}
