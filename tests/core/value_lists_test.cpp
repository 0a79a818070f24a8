#include "model/value_lists.h"

#include <gtest/gtest.h>

#include "test_support.h"

namespace membrane {
namespace {

using test::CrLf;
using test::ReadFile;
using test::TempDir;
using test::WriteFile;

TEST(ValueLists, ConstraintTableReadsWithImplicitKeysAndEchoesInFileOrder) {
    TempDir dir;
    const std::string model = dir.File("m.DAT");
    WriteFile(model, CrLf({"x", "&CONSTRAINTS 4 ", "1", "3", "7", "3"}));
    RecordingMessageSink sink;
    TIntList list(true, true, "&CONSTR", model, &sink);
    EXPECT_TRUE(sink.messages.empty());
    ASSERT_EQ(list.Count(), 4);
    EXPECT_EQ(list.ValueOf(1), 1);
    EXPECT_EQ(list.ValueOf(2), 3);
    EXPECT_EQ(list.ValueOf(3), 7);
    EXPECT_EQ(list.ValueOf(4), 3);  // a node listed twice is two entries
    EXPECT_EQ(list.MaxKey(), 4);
    EXPECT_EQ(list.ReportFileName(), dir.File("m.OUT"));

    // The echo appends to an existing report only.
    EXPECT_FALSE(list.EchoToReport());
    WriteFile(list.ReportFileName(), "");
    ASSERT_TRUE(list.EchoToReport());
    EXPECT_EQ(ReadFile(list.ReportFileName()), CrLf({"&CONSTR 4 ", "   1", "   3", "   7", "   3", ""}));
}

TEST(ValueLists, InitialValuesReadWithKeysAndEchoScientific) {
    TempDir dir;
    const std::string model = dir.File("m.DAT");
    WriteFile(model, CrLf({"&INITIAL 3  ", "4 1", "40 8.0000000000", "4 -0.0534496"}));
    TdoubleList list(true, false, "&INITIAL", model);
    ASSERT_EQ(list.Count(), 3);
    EXPECT_EQ(list.ValueOf(40), 8.0);
    EXPECT_EQ(list.ValueOf(4), -0.0534496);  // the newest entry of a repeated key wins
    EXPECT_EQ(list.ValueOf(5), 0.0);          // absent key
    WriteFile(list.ReportFileName(), "");
    ASSERT_TRUE(list.EchoToReport());
    EXPECT_EQ(ReadFile(list.ReportFileName()),
              CrLf({"&INITIAL 3 ", "    1.00000000000000E+0000", "    8.00000000000000E+0000",
                    "   -5.34496000000000E-0002", ""}));
}

TEST(ValueLists, MissingFileMissingTitleAndEmptyTable) {
    TempDir dir;
    RecordingMessageSink sink;
    TIntList missing(true, true, "&CONSTR", dir.File("none.DAT"), &sink);
    EXPECT_TRUE(missing.Empty());
    ASSERT_EQ(sink.messages.size(), 1u);
    EXPECT_EQ(sink.messages[0].text, "Inputfile not found\rRead &CONSTR From File");

    const std::string model = dir.File("m.DAT");
    WriteFile(model, CrLf({"&INITIAL 0 ", "&COORDINATES 1 ", "1 0 0"}));
    TIntList untitled(false, true, "&CONSTR", model);
    EXPECT_FALSE(untitled.ReadTable(sink));
    TdoubleList empty(false, false, "&INITIAL", model);
    EXPECT_TRUE(empty.ReadTable(sink));  // found, but no records
    EXPECT_TRUE(empty.Empty());
    WriteFile(empty.ReportFileName(), "");
    EXPECT_FALSE(empty.EchoToReport());
    EXPECT_EQ(ReadFile(empty.ReportFileName()), "");
    EXPECT_EQ(sink.messages.size(), 1u);
}

TEST(ValueLists, HeaderCountBeyondTheFileStopsWithOneMessage) {
    TempDir dir;
    const std::string model = dir.File("m.DAT");
    WriteFile(model, CrLf({"&INITIAL 5  ", "1 0.5", "2 1.5", "3"}));
    RecordingMessageSink sink;
    TdoubleList list(true, false, "&INITIAL", model, &sink);
    // Two complete records; the half record (key 3 without value) is not added.
    ASSERT_EQ(list.Count(), 2);
    EXPECT_EQ(list.FindKey(3), nullptr);
    ASSERT_EQ(sink.messages.size(), 1u);
    EXPECT_NE(sink.messages[0].text.find("&INITIAL"), std::string::npos);
    EXPECT_EQ(sink.messages[0].text,
              "&INITIAL: the table header announces 5 records, but the file ends after 2 of them.");
}

TEST(ValueLists, InsertSortedKeepsValuesAscendingAndUnique) {
    TIntList list;
    list.InsertSorted(1, 7);
    list.InsertSorted(2, 3);
    list.InsertSorted(3, 7);
    list.InsertSorted(4, 5);
    list.InsertSorted(5, 9);
    list.InsertSorted(6, 1);
    ASSERT_EQ(list.Count(), 5);
    // Oldest first means back to front: values descend along the vector.
    std::vector<std::int32_t> frontToBack;
    for (auto it = list.Entries().rbegin(); it != list.Entries().rend(); ++it) frontToBack.push_back(it->value);
    EXPECT_EQ(frontToBack, (std::vector<std::int32_t>{1, 3, 5, 7, 9}));
    EXPECT_EQ(list.FindKey(3), nullptr);
    EXPECT_EQ(list.MaxKey(), 6);
    ASSERT_NE(list.FindValue(5), nullptr);
    EXPECT_EQ(list.FindValue(5)->key, 4);
}

TEST(ValueLists, DoubleListExtremesAndPositionalAddition) {
    TdoubleList list;
    EXPECT_EQ(list.MaxValue(), 0.0);
    EXPECT_EQ(list.MinValue(), 0.0);
    list.Add(1, -3.0);
    list.Add(2, -1.0);
    EXPECT_EQ(list.MaxValue(), -1.0);  // not 0
    EXPECT_EQ(list.MinValue(), -3.0);
    list.SetValue(99, 5.0);  // absent: nothing
    EXPECT_EQ(list.Count(), 2);

    TdoubleList other;
    other.Add(7, 10.0);
    list.AddList(&other);  // counts differ: nothing
    EXPECT_EQ(list.ValueOf(1), -3.0);
    other.Add(8, 20.0);
    list.AddList(&other);  // by position, not by key
    EXPECT_EQ(list.ValueOf(1), 7.0);
    EXPECT_EQ(list.ValueOf(2), 19.0);
    list.AddList(nullptr);
    EXPECT_EQ(list.ValueOf(2), 19.0);
}

TEST(ValueLists, TwoIntListPairsAndRemoval) {
    TTwoIntList pairs;
    EXPECT_EQ(pairs.MaxKey(), 0);
    pairs.Add(1, 2, 5);
    EXPECT_EQ(pairs.FindPair(5, 2), 1);
    EXPECT_EQ(pairs.FindPair(2, 6), 0);
    EXPECT_FALSE(pairs.Remove(1).has_value());  // it was the oldest
    EXPECT_EQ(pairs.Count(), 0);
    EXPECT_EQ(pairs.MaxKey(), 0);

    pairs.Add(1, 1, 2);
    pairs.Add(2, 2, 3);
    pairs.Add(3, 3, 4);
    const auto next = pairs.Remove(2);
    ASSERT_TRUE(next.has_value());
    EXPECT_EQ(next->key, 1);  // the entry that followed toward the back
    EXPECT_FALSE(pairs.Remove(42).has_value());
    EXPECT_EQ(pairs.Count(), 2);
    EXPECT_EQ(pairs.MaxKey(), 3);
    pairs.Remove(3);
    EXPECT_EQ(pairs.MaxKey(), 1);
    std::vector<std::int32_t> keys;
    pairs.ForEach([&](const TwoIntEntry& e) { keys.push_back(e.key); });
    EXPECT_EQ(keys, (std::vector<std::int32_t>{1}));
    pairs.Clear();
    EXPECT_EQ(pairs.Count(), 0);
    EXPECT_FALSE(pairs.FindKey(1).has_value());
}

}  // namespace
}  // namespace membrane
