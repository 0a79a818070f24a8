#include "heightfield/vrml_colour.h"

#include <gtest/gtest.h>

#include <clocale>
#include <string>

namespace membrane {
namespace {

void ExpectTableExamples() {
    EXPECT_EQ(VrmlColour(0), "0.709803921568627 0.16078431372549 0.772549019607843");
    EXPECT_EQ(VrmlColour(5), "1 0 0");
    EXPECT_EQ(VrmlColour(11), "1 1 1");
    EXPECT_EQ(VrmlColour(16), "0 0 0");
    EXPECT_EQ(VrmlColour(20), "0.0196078431372549 0.980392156862745 0.870588235294118");
    EXPECT_EQ(VrmlColour(39), "0.941176470588235 0.0588235294117647 0");
}

TEST(VrmlColour, TableRowsAsFractionsOf255) {
    ExpectTableExamples();
}

TEST(VrmlColour, GapsAndOutOfRangeTakeTheDefaultRow) {
    const std::string dark_red = "0.607843137254902 0 0.0392156862745098";
    for (int index : {17, 18, -1, 40, -2147483647 - 1, 2147483647})
        EXPECT_EQ(VrmlColour(index), dark_red) << index;
    EXPECT_EQ(VrmlColour(19), VrmlColour(2));  // the palette's repeats
    EXPECT_EQ(VrmlColour(6), VrmlColour(0));
}

TEST(VrmlColour, DecimalPointIgnoresTheLocale) {
    const std::string saved = std::setlocale(LC_NUMERIC, nullptr);
    if (std::setlocale(LC_NUMERIC, "de_DE.UTF-8") == nullptr)
        GTEST_SKIP() << "locale de_DE.UTF-8 is not installed";
    ExpectTableExamples();
    std::setlocale(LC_NUMERIC, saved.c_str());
}

}  // namespace
}  // namespace membrane
