#include "browse/numbers.h"

#include <gtest/gtest.h>

namespace kurumin {
namespace {

TEST(Numbers, OnlyDecimalTextIsANumber) {
    EXPECT_EQ(parseNumber(" 007 "), 7.0);
    EXPECT_EQ(parseNumber("1.5"), 1.5);
    EXPECT_EQ(parseNumber("-5"), -5.0);
    EXPECT_EQ(parseNumber("+3"), 3.0);
    for (const char* bad : {"", " ", "1-", "abc", "inf", "nan", "0x10", "1 2", "++1", "１２"})
        EXPECT_FALSE(parseNumber(QString::fromUtf8(bad))) << bad;
}

TEST(Numbers, ShortestTextDropsLeadingZerosAndKeepsFractions) {
    EXPECT_EQ(shortestText(*parseNumber("007")), "7");
    EXPECT_EQ(shortestText(1.5), "1.5");
    EXPECT_EQ(shortestText(-0.0), "0");
    EXPECT_EQ(shortestText(0.1 + 0.2), "0.30000000000000004");
    EXPECT_EQ(shortestText(123456789012345.0), "123456789012345");
}

TEST(Numbers, PaddingAddsZerosAndNeverCuts) {
    EXPECT_EQ(padNumber(8, 3), "008");
    EXPECT_EQ(padNumber(100, 2), "100");
    EXPECT_EQ(padNumber(9, 3), "009");
    EXPECT_EQ(padNumber(-5, 2), "-05");
    EXPECT_EQ(padNumber(5, 0), "5");
    EXPECT_EQ(padNumber(2.5, 2), "03"); // halves away from zero
    EXPECT_EQ(padNumber(-0.4, 1), "0");
    EXPECT_EQ(padText("1-", 2), "1-");
}

} // namespace
} // namespace kurumin
