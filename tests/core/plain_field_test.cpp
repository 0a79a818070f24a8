// ReadInteger and ReadReal take a plain field straight from the text. Values, messages and
// the place where the next field starts must be exactly those of reading the field with
// ReadField and converting it: compared on random texts full of the reader's special
// cases.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "heightfield/field_reader.h"
#include "heightfield/text_stream.h"
#include "support/random_text.h"
#include "support/recording.h"

namespace membrane {
namespace {

struct Reading {
    std::vector<std::string> values;  // what was read, as text
    std::vector<std::string> messages;
};

// Reads the file as a table reader would: integers and reals in turn, with a plain
// ReadField now and then.
Reading ReadAll(const std::string& text, bool byField) {
    Reading reading;
    test::RecordingMessageSink sink;
    auto stream = std::make_unique<TextStream>(text, sink);
    for (int k = 0; k < 100000 && !stream->AtEnd(); ++k) {
        const int kind = k % 7;
        if (kind == 6) {
            reading.values.push_back("[" + ReadField(*stream) + "]");
        } else if (kind % 2 == 0) {
            std::int32_t value;
            if (byField) {
                const std::string field = ReadField(*stream);
                const IntegerConversion c = ConvertInteger(field);
                if (c.errorPosition != 0)
                    sink.Show("error reading longint " + field +
                                  " at position :" + std::to_string(c.errorPosition),
                              MessageKind::Error);
                value = c.value;
            } else {
                value = ReadInteger(*stream);
            }
            reading.values.push_back(std::to_string(value));
        } else {
            double value;
            if (byField) {
                const std::string field = ReadField(*stream);
                const RealConversion c = ConvertReal(field);
                if (c.errorPosition != 0)
                    sink.Show("error reading double " + field +
                                  " at position :" + std::to_string(c.errorPosition),
                              MessageKind::Error);
                value = c.value;
            } else {
                value = ReadReal(*stream);
            }
            char text[64];
            std::snprintf(text, sizeof text, "%a", value);
            reading.values.push_back(text);
        }
    }
    // Only the messages of the fields themselves (the reader stops reporting after ten).
    for (const auto& m : sink.messages)
        if (reading.messages.size() < 10) reading.messages.push_back(m.text);
    return reading;
}

std::string RandomText(std::mt19937& random, std::size_t length) {
    static const std::string pieces[] = {"12",
                                         "-7",
                                         "+3",
                                         "2147483647",
                                         "2147483648",
                                         "-2147483648",
                                         "0x1F",
                                         "1.5",
                                         "-0.25",
                                         "1e3",
                                         "1.5E-2",
                                         "7.",
                                         ".5",
                                         "e5",
                                         "1.2.3",
                                         "abc",
                                         " ",
                                         "   ",
                                         "\t",
                                         "\r\n",
                                         "\n",
                                         "\r",
                                         "#c\r\n",
                                         ";x\n",
                                         std::string(1, '\0'),
                                         std::string(70, '9'),
                                         std::string(300, '1'),
                                         "\r\x1a",
                                         "\x1a"};
    static const int weights[] = {30, 10, 3,  3, 2,  2, 2, 20, 10, 4, 4, 2, 2, 1, 1,
                                  1,  40, 10, 5, 20, 5, 2, 2,  2,  1, 1, 1, 1, 1};
    return test::RandomTextOf(random, length, pieces, weights);
}

TEST(PlainField, SameValuesMessagesAndPositionsAsReadingByField) {
    std::mt19937 random(99);
    for (int trial = 0; trial < 200; ++trial) {
        std::string text = RandomText(random, trial % 20 == 0 ? 20000 : 1500);
        // Most texts without the end mark, which stops the reading early.
        if (trial % 4 != 0) std::erase(text, '\x1a');
        const Reading fast = ReadAll(text, false), byField = ReadAll(text, true);
        ASSERT_EQ(fast.values, byField.values) << "trial " << trial;
        ASSERT_EQ(fast.messages, byField.messages) << "trial " << trial;
    }
}

}  // namespace
}  // namespace membrane
