#include "common/number_format.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <limits>

namespace membrane {
namespace {

TEST(NumberFormat, ScientificHas23CharactersAndSignBit) {
    EXPECT_EQ(FormatScientific(1.5), " 1.50000000000000E+0000");
    EXPECT_EQ(FormatScientific(-0.06), "-6.00000000000000E-0002");
    EXPECT_EQ(FormatScientific(0.0), " 0.00000000000000E+0000");
    EXPECT_EQ(FormatScientific(-0.0), "-0.00000000000000E+0000");
    EXPECT_EQ(FormatScientific(0.065), " 6.50000000000000E-0002");
    EXPECT_EQ(FormatScientific(M_PI / 2), " 1.57079632679490E+0000");
    EXPECT_EQ(FormatScientific(7.35938), " 7.35938000000000E+0000");
    EXPECT_EQ(FormatScientific(1e-300), " 1.00000000000000E-0300");
    EXPECT_EQ(FormatScientific(9.999999999999999), " 1.00000000000000E+0001");
    EXPECT_EQ(FormatScientific(std::numeric_limits<double>::max()).size(), 23u);
}

TEST(NumberFormat, GeneralDropsZerosAndSwitchesToExponent) {
    EXPECT_EQ(FormatGeneral(7.35938), "7.35938");
    EXPECT_EQ(FormatGeneral(100), "100");
    EXPECT_EQ(FormatGeneral(0.0001), "0.0001");
    EXPECT_EQ(FormatGeneral(0.00001), "1E-5");
    EXPECT_EQ(FormatGeneral(0.0), "0");
    EXPECT_EQ(FormatGeneral(-2.5), "-2.5");
    EXPECT_EQ(FormatGeneral(1e15), "1E15");
    EXPECT_EQ(FormatGeneral(123456789012345.0), "123456789012345");
    EXPECT_EQ(FormatGeneral(1.25e-7), "1.25E-7");
    EXPECT_EQ(FormatGeneral(181.0 / 255.0), "0.709803921568627");
    EXPECT_EQ(FormatGeneral(5.0 / 255.0), "0.0196078431372549");
    EXPECT_EQ(FormatGeneral(1.3 / 3.0), "0.433333333333333");
}

TEST(NumberFormat, FixedRoundsAndFallsBackToExponent) {
    EXPECT_EQ(FormatFixed(1.0, 12, 3), "1.000");
    EXPECT_EQ(FormatFixed(2.0005, 12, 3), "2.001");
    EXPECT_EQ(FormatFixed(-0.0001, 8, 3), "0.000");
    EXPECT_EQ(FormatFixed(1.0, 16, 8), "1.00000000");
    EXPECT_EQ(FormatFixed(123456789.5, 8, 3), "1.2345679E8");
    EXPECT_EQ(FormatFixed(12345678.25, 8, 3), "12345678.250");
    EXPECT_EQ(FormatFixedWidth(0.001, 12, 10), "0.0010000000");
    EXPECT_EQ(FormatFixedWidth(0.5, 14, 2), "          0.50");
}

TEST(NumberFormat, IntegersRightAligned) {
    EXPECT_EQ(FormatInt(1, 4), "   1");
    EXPECT_EQ(FormatInt(12345, 4), "12345");
    EXPECT_EQ(FormatInt(-7), "-7");
}

TEST(NumberFormat, PointWhateverTheLocale) {
    const char* previous = std::setlocale(LC_NUMERIC, nullptr);
    const std::string saved = previous ? previous : "C";
    const char* comma = nullptr;
    for (const char* name : {"de_DE.UTF-8", "de_DE", "fr_FR.UTF-8", "nl_NL.UTF-8"})
        if ((comma = std::setlocale(LC_NUMERIC, name)) != nullptr) break;
    if (comma == nullptr) GTEST_SKIP() << "no locale with a decimal comma is installed";
    EXPECT_EQ(FormatScientific(1.5), " 1.50000000000000E+0000");
    EXPECT_EQ(FormatGeneral(0.5), "0.5");
    EXPECT_EQ(FormatFixed(1.25, 12, 3), "1.250");
    std::setlocale(LC_NUMERIC, saved.c_str());
}

}  // namespace
}  // namespace membrane
