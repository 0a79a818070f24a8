// A catalogue of bad model files and what a run makes of each: the message boxes in
// order, the outcome, and which files appear. Every entry must end quickly, without a
// crash, with a bounded number of messages, and never as a success that hides the fault.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "common/number_format.h"
#include "heightfield/model_loader.h"
#include "support/files.h"
#include "support/model_text.h"
#include "support/run_model.h"

namespace membrane {
namespace {

using namespace test;

// A 3 x 3 grid over [0, 2]^2 with the corners raised to 1 and the centre node 5 free.
ModelText Grid() {
    return SmallGrid();
}

std::string GridWith(const std::function<void(ModelText&)>& change) {
    ModelText m = Grid();
    change(m);
    return m.Text();
}

// Deterministic bytes of every value except '&' (so no table title can appear) and 26.
std::string Garbage(std::size_t size) {
    std::string bytes(size, '\0');
    std::uint32_t x = 12345;
    for (char& c : bytes) {
        x = x * 1103515245u + 12345u;
        c = static_cast<char>(x >> 24);
        if (c == '&') c = 'x';
        if (c == 26) c = 'y';  // the end-of-file mark would end the file at once
    }
    return bytes;
}

std::string LongintError(const std::string& field, int position) {
    return "error reading longint " + field + " at position :" + std::to_string(position);
}
std::string DoubleError(const std::string& field, int position) {
    return "error reading double " + field + " at position :" + std::to_string(position);
}
std::string TableEnds(const std::string& title, std::int64_t announced, int read) {
    return title + ": the table header announces " + std::to_string(announced) +
           " records, but the file ends after " + std::to_string(read) + " of them.";
}
// A table the model needs that the file lacks, or whose header announces no record.
std::string NoTable(const std::string& title) {
    return "The file has no table " + title + ".";
}
std::string NoRecords(const std::string& title, std::int64_t announced) {
    return title + ": the table header announces " + std::to_string(announced) +
           " records; the model needs at least one.";
}
const std::vector<std::string> kNoTables = {NoTable("&COORDINATES"), NoTable("&ELEMENTS"),
                                            NoTable("&INITIAL"), NoTable("&CONSTRAINTS"),
                                            "error in input"};
const std::string kMoreFailures =
    "more fields that do not convert follow; they read as 0 and are not reported";
const std::string kInputError = "error in input";
// The message after READY of a run that wrote its files with warnings.
std::string Warnings(const std::vector<std::string>& warnings) {
    std::string text = "The files are written, but:";
    for (const std::string& warning : warnings) text += "\n- " + warning;
    return text;
}

// The one message box of the model check: its faults, one a line.
std::string Check(const std::vector<std::string>& faults) {
    std::string text;
    for (const std::string& fault : faults) text += (text.empty() ? "" : "\n") + fault;
    return text;
}

enum Files { kNone = 0, kBoundary = 1, kOutputs = 2, kAll = 3 };

struct Case {
    const char* name;
    std::function<std::string()> text;
    std::vector<std::string> messages;  // every message box, in order
    RunOutcome outcome;
    int files;  // Files: which of BNDRYPTS.txt and MODEL.OUT + MODEL.TRS exist afterwards
};

struct CatalogueRun {
    TempDir dir;
    RecordingMessageSink sink;
    RecordingView view;
    RunResult result;
    double seconds = 0;

    explicit CatalogueRun(const std::string& text, const std::string& name = "MODEL.DAT") {
        WriteFile(dir.File(name), text);
        const auto start = std::chrono::steady_clock::now();
        result =
            RunModel(RunRequest{dir.File(name), Settings{}, dir.File("BNDRYPTS.txt")}, sink, &view);
        seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
    int Files() const {
        const bool outputs = Exists(dir.File("MODEL.OUT")) && Exists(dir.File("MODEL.TRS"));
        return (Exists(dir.File("BNDRYPTS.txt")) ? kBoundary : 0) | (outputs ? kOutputs : 0);
    }
    bool TemporaryFilesLeft() const {
        for (const auto& entry : std::filesystem::directory_iterator(dir.Path()))
            if (entry.path().filename().string().front() == '.') return true;
        return false;
    }
};

const char* OutcomeName(RunOutcome outcome) {
    switch (outcome) {
        case RunOutcome::Success:
            return "Success";
        case RunOutcome::InputErrors:
            return "InputErrors";
        case RunOutcome::Diverged:
            return "Diverged";
        case RunOutcome::SolverFailure:
            return "SolverFailure";
        case RunOutcome::Cancelled:
            return "Cancelled";
        case RunOutcome::OutputFailure:
            return "OutputFailure";
        case RunOutcome::OutOfMemory:
            return "OutOfMemory";
        case RunOutcome::InternalError:
            return "InternalError";
    }
    return "?";
}

std::vector<std::string> Repeat(const std::string& text, int times) {
    return std::vector<std::string>(times, text);
}

std::vector<std::string> Join(std::vector<std::vector<std::string>> parts) {
    std::vector<std::string> all;
    for (auto& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

constexpr std::size_t kTenMegabytes = 10u << 20;

std::vector<Case> Catalogue() {
    const std::string field255(255, '7');
    return {
        // ---- files that hold no model
        {"EmptyFile", [] { return std::string(); }, kNoTables, RunOutcome::InputErrors, kNone},
        {"NoTables",
         [] {
             return CrLf({"FILE X.DAT", "just words 1 2 3.5"});
         },
         kNoTables, RunOutcome::InputErrors, kNone},
        {"BinaryGarbage", [] { return Garbage(64 * 1024); }, kNoTables, RunOutcome::InputErrors,
         kNone},
        {"OnlyNulBytes", [] { return std::string(100000, '\0'); }, kNoTables,
         RunOutcome::InputErrors, kNone},

        // ---- odd bytes and layouts around a good model
        {"NulBytesInsideFields",
         [] {
             return Replace(Grid().Text(), "1",
                            std::string("\0"
                                        "1\0",
                                        3));
         },
         {},
         RunOutcome::Success,
         kAll},
        {"MixedLineEnds",
         [] { return Replace(Grid().Text(), "0\r\n", "0\n"); },
         {},
         RunOutcome::Success,
         kAll},
        {"TabsBetweenFields",
         [] { return Replace(Grid().Text(), " ", "\t"); },
         {},
         RunOutcome::Success,
         kAll},
        // A lone carriage return ends the line and takes the next character as its line
        // feed: with every record indented by a blank, only blanks are lost.
        {"CarriageReturnOnlyIndented",
         [] { return Replace(Grid().Text(), "\r\n", "\r "); },
         {},
         RunOutcome::Success,
         kAll},
        // Without indentation the first digit of every line is lost: the tables shift
        // and the model check catches the nonsense.
        {"CarriageReturnOnly",
         [] { return Replace(Grid().Text(), "\r\n", "\r"); },
         {LongintError("ELEMENTS", 1), NoTable("&ELEMENTS"), NoTable("&INITIAL"),
          NoTable("&CONSTRAINTS"), kInputError},
         RunOutcome::InputErrors,
         kNone},
        {"TenMegabyteLineBeforeTheTables",
         [] { return std::string(kTenMegabytes, 'A') + "\r\n" + Grid().Text(); },
         {},
         RunOutcome::Success,
         kAll},
        // One line of 10 MB of digits after a header that promises every record there
        // is: each 256 characters make a field (255 kept, 1 lost), three fields a record.
        {"TenMegabyteLineInATable",
         [] { return "&COORDINATES 2147483647 \r\n" + std::string(kTenMegabytes, '7'); },
         Join({Repeat(LongintError(field255, 10), 10),
               {kMoreFailures, TableEnds("&COORDINATES", 2147483647, kTenMegabytes / 256 / 3),
                NoTable("&ELEMENTS"), NoTable("&INITIAL"), NoTable("&CONSTRAINTS"), kInputError}}),
         RunOutcome::InputErrors, kNone},
        {"FieldLongerThan255Characters",
         [] {
             return Replace(Grid().Text(), "\r\n5 1 1\r\n",
                            "\r\n5 1." + std::string(300, '0') + " 1\r\n");
         },
         {Check({"node 1 is given twice in &COORDINATES", "node 1 is given twice in &COORDINATES",
                 "node 2 is given twice in &COORDINATES", "node 2 is given twice in &COORDINATES",
                 "element 3: node 6 is not in &COORDINATES",
                 "element 4: node 6 is not in &COORDINATES",
                 "element 5: node 8 is not in &COORDINATES",
                 "element 6: node 8 is not in &COORDINATES",
                 "element 6: node 7 is not in &COORDINATES",
                 "element 7: node 6 is not in &COORDINATES", "... and 3 more"}),
          kInputError},
         RunOutcome::InputErrors,
         kBoundary},

        // ---- header counts
        {"CoordinateCountZero",
         [] { return Replace(Grid().Text(), "&COORDINATES 9", "&COORDINATES 0"); },
         {NoRecords("&COORDINATES", 0), kInputError},
         RunOutcome::InputErrors,
         kNone},
        {"ElementCountNegative",
         [] { return Replace(Grid().Text(), "&ELEMENTS 8", "&ELEMENTS -5"); },
         {NoRecords("&ELEMENTS", -5), kInputError},
         RunOutcome::InputErrors,
         kNone},
        {"ConstraintCountZero",
         [] { return Replace(Grid().Text(), "&CONSTRAINTS 8", "&CONSTRAINTS 0"); },
         {NoRecords("&CONSTRAINTS", 0), kInputError},
         RunOutcome::InputErrors,
         kNone},
        // The constraint table stands last: the reader takes its 8 records and meets the end.
        {"LastTableCountHuge",
         [] { return Replace(Grid().Text(), "&CONSTRAINTS 8", "&CONSTRAINTS 2147483647"); },
         {TableEnds("&CONSTR", 2147483647, 8),
          Warnings({"1 table ended before the records announced"})},
         RunOutcome::Success,
         kAll},
        {"FirstTableCountHuge",
         [] { return Replace(Grid().Text(), "&COORDINATES 9", "&COORDINATES 2147483647"); },
         {LongintError("&ELEMENTS", 1), DoubleError("&INITIAL", 1), LongintError("0.3", 2),
          LongintError("&CONSTRAINTS", 1), TableEnds("&COORDINATES", 2147483647, 30),
          Check({"node 1 is given twice in &COORDINATES", "node 2 is given twice in &COORDINATES",
                 "node 4 is given twice in &COORDINATES", "node 3 is given twice in &COORDINATES",
                 "node 2 is given twice in &COORDINATES", "node 5 is given twice in &COORDINATES",
                 "node 8 is given twice in &COORDINATES", "node 8 is given twice in &COORDINATES",
                 "node 5 is given twice in &COORDINATES", "node 8 is given twice in &COORDINATES",
                 "... and 10 more"}),
          kInputError},
         RunOutcome::InputErrors,
         kBoundary},
        {"CoordinateCountTooSmall",
         [] { return Replace(Grid().Text(), "&COORDINATES 9", "&COORDINATES 8"); },
         {Check({"element 7: node 9 is not in &COORDINATES",
                 "element 8: node 9 is not in &COORDINATES"}),
          kInputError},
         RunOutcome::InputErrors,
         kBoundary},
        {"ElementCountTooLarge",
         [] { return Replace(Grid().Text(), "&ELEMENTS 8", "&ELEMENTS 10"); },
         {LongintError("&INITIAL", 1),
          Check({"element 0: the triangle 9 1 1 has no area in the plan",
                 "element 2 is given twice in &ELEMENTS",
                 "element 2: node 0 is not in &COORDINATES"}),
          kInputError},
         RunOutcome::InputErrors,
         kBoundary},
        {"CountOverflows",
         [] { return Replace(Grid().Text(), "&ELEMENTS 8", "&ELEMENTS 2147483648"); },
         {LongintError("2147483648", 10), NoRecords("&ELEMENTS", 0), kInputError},
         RunOutcome::InputErrors,
         kNone},

        // ---- numbers
        {"NodeNumberOverflows",
         [] { return GridWith([](ModelText& m) { m.coordinates[8] = "2147483648 2 2"; }); },
         {LongintError("2147483648", 10),
          Check({"element 7: node 9 is not in &COORDINATES",
                 "element 8: node 9 is not in &COORDINATES"}),
          kInputError},
         RunOutcome::InputErrors,
         kBoundary},
        {"HexNodeNumber",
         // Node 9 renamed 26 and written in every hexadecimal form the reader takes.
         [] {
             return GridWith([](ModelText& m) {
                 m.coordinates[8] = "$1A 2 2";
                 m.elements[6] = "7 5 6 0x1a";
                 m.elements[7] = "8 5 X1A 8";
                 m.constraints[7] = "0X1A";
                 m.initial[8] = "26 1";
             });
         },
         {},
         RunOutcome::Success,
         kAll},
        {"NegativeZeroCoordinate",
         [] { return GridWith([](ModelText& m) { m.coordinates[0] = "1 -0 -0.0"; }); },
         {},
         RunOutcome::Success,
         kAll},
        // Reals that are no finite number fail to convert and read as 0: node 5 moves
        // onto the line x = 0 and two triangles lose their area.
        {"CoordinateOverflows",
         [] { return GridWith([](ModelText& m) { m.coordinates[4] = "5 1e400 1"; }); },
         {DoubleError("1e400", 6),
          Check({"element 2: the triangle 1 5 4 has no area in the plan",
                 "element 5: the triangle 4 5 8 has no area in the plan"}),
          kInputError},
         RunOutcome::InputErrors,
         kBoundary},
        {"InitialNotANumber",
         [] { return GridWith([](ModelText& m) { m.initial[4] = "5 nan"; }); },
         {DoubleError("nan", 1), Warnings({"the model file gave 1 reader message"})},
         RunOutcome::Success,
         kAll},
        {"InitialInfinite",
         [] { return GridWith([](ModelText& m) { m.initial[0] = "1 inf"; }); },
         {DoubleError("inf", 1), Warnings({"the model file gave 1 reader message"})},
         RunOutcome::Success,
         kAll},
        // Finite numbers whose products overflow: the plan area of element 7 is not a
        // number, and slivers 1e200 long turn any height difference into an infinite slope.
        {"CoordinatesTooLargeToMultiply",
         [] {
             return GridWith([](ModelText& m) {
                 m.coordinates[5] = "6 1e200 1";
                 m.coordinates[8] = "9 2 1e200";
             });
         },
         {Check({"element 3: the triangle 2 3 6 is too steep: its heights make the area not a "
                 "finite number",
                 "element 7: the triangle 5 6 9 is too large: its plan area is not a finite number",
                 "element 8: the triangle 5 9 8 is too steep: its heights make the area not a "
                 "finite number"}),
          kInputError},
         RunOutcome::InputErrors,
         kBoundary},
        // Before the model check knew this case, the run ended as a success without a
        // single message.
        {"HeightTooLargeToSquare",
         [] { return GridWith([](ModelText& m) { m.initial[0] = "1 1e300"; }); },
         {Check({"element 1: the triangle 1 2 5 is too steep: its heights make the area not a "
                 "finite number",
                 "element 2: the triangle 1 5 4 is too steep: its heights make the area not a "
                 "finite number"}),
          kInputError},
         RunOutcome::InputErrors,
         kBoundary},

        // ---- the mesh
        {"DuplicateNode",
         [] { return GridWith([](ModelText& m) { m.coordinates.push_back("5 1.5 1.5"); }); },
         {Check({"node 5 is given twice in &COORDINATES"}), kInputError},
         RunOutcome::InputErrors,
         kBoundary},
        {"MissingNode",
         [] { return GridWith([](ModelText& m) { m.elements[7] = "8 5 9 10"; }); },
         {Check({"element 8: node 10 is not in &COORDINATES"}), kInputError},
         RunOutcome::InputErrors,
         kBoundary},
        {"ZeroAreaTriangle",
         [] { return GridWith([](ModelText& m) { m.elements.push_back("9 1 2 3"); }); },
         {Check({"element 9: the triangle 1 2 3 has no area in the plan"}), kInputError},
         RunOutcome::InputErrors,
         kBoundary},
        {"RepeatedNodeTriangle",
         [] { return GridWith([](ModelText& m) { m.elements[0] = "1 1 2 2"; }); },
         {Check({"element 1: the triangle 1 2 2 has no area in the plan"}), kInputError},
         RunOutcome::InputErrors,
         kBoundary},
        // A second square that no constraint holds: its heights can move together freely.
        {"FreePartWithoutConstraint",
         [] {
             return GridWith([](ModelText& m) {
                 m.coordinates.insert(m.coordinates.end(),
                                      {"11 5 0", "12 6 0", "13 6 1", "14 5 1"});
                 m.elements.insert(m.elements.end(), {"11 11 12 13", "12 11 13 14"});
                 m.initial.insert(m.initial.end(), {"11 0", "12 0.5", "13 0", "14 0"});
             });
         },
         {"Matrix has a row dependance. "},
         RunOutcome::SolverFailure,
         kBoundary},
        // The full Newton steps run off; the default step then starts again, damped.
        {"HugeStartHeight",
         [] { return GridWith([](ModelText& m) { m.initial[4] = "5 1e5"; }); },
         {},
         RunOutcome::Success,
         kAll},
    };
}

void PrintTo(const Case& c, std::ostream* out) {
    *out << c.name;
}

class BadInputCatalogue : public ::testing::TestWithParam<Case> {};

TEST_P(BadInputCatalogue, EndsWithTheCataloguedOutcome) {
    const Case& c = GetParam();
    CatalogueRun run(c.text());
    EXPECT_EQ(run.sink.Texts(), c.messages);
    EXPECT_STREQ(OutcomeName(run.result.outcome), OutcomeName(c.outcome));
    EXPECT_EQ(run.Files(), c.files);
    EXPECT_FALSE(run.TemporaryFilesLeft());
    EXPECT_LE(run.sink.messages.size(), 20u);
    EXPECT_LT(run.seconds, 20.0);
    ASSERT_FALSE(run.view.messages.empty());
    if (c.outcome == RunOutcome::Success)
        EXPECT_EQ(run.view.messages.back(), "READY, output to file : MODEL.OUT");
    else
        EXPECT_EQ(run.view.messages.back(), "ERRORS reported " + run.result.reason);
}

INSTANTIATE_TEST_SUITE_P(Models, BadInputCatalogue, ::testing::ValuesIn(Catalogue()),
                         [](const ::testing::TestParamInfo<Case>& info) {
                             return info.param.name;
                         });

// The field reader never lets "nan", "inf" or "1e400" through, but the model check does
// not rely on it: a coordinate or height that is no finite number is a fault of its own.
TEST(BadInputCheck, NonFiniteCoordinatesAndHeightsAreModelFaults) {
    CatalogueRun run(Grid().Text());
    ASSERT_EQ(run.result.outcome, RunOutcome::Success);
    Model model = *run.result.model;
    NodeTable nodes;
    for (const NodeEntry& node : model.nodes.Nodes())
        nodes.Add(node.number, node.x,
                  node.number == 5 ? std::numeric_limits<double>::quiet_NaN() : node.y);
    model.nodes = nodes;
    model.startHeights[0] = std::numeric_limits<double>::infinity();
    const std::vector<std::string> faults = CheckModel(model);
    ASSERT_GE(faults.size(), 2u);
    EXPECT_EQ(faults[0], "node 1: the height is not a finite number");
    EXPECT_EQ(faults[1], "node 5: the coordinates are not finite numbers");
}

// ---- paths

std::vector<std::string> CannotOpen() {
    return {"Inputfile not found", kInputError};
}

TEST(BadInputPaths, DirectoryInsteadOfAModelFile) {
    TempDir dir;
    RecordingMessageSink sink;
    std::filesystem::create_directory(dir.File("MODEL.DAT"));
    const RunResult result =
        RunModel(RunRequest{dir.File("MODEL.DAT"), Settings{}, dir.File("BNDRYPTS.txt")}, sink);
    EXPECT_EQ(result.outcome, RunOutcome::OutputFailure);  // a file that cannot be read
    EXPECT_EQ(sink.Texts(), CannotOpen());
    EXPECT_EQ(sink.messages[0].caption, "Read Coordinates From File");
    EXPECT_FALSE(Exists(dir.File("MODEL.OUT")));
}

TEST(BadInputPaths, FileThatCannotBeOpened) {
    TempDir dir;
    RecordingMessageSink sink;
    auto run = [&](const std::string& path) {
        return RunModel(RunRequest{path, Settings{}, dir.File("BNDRYPTS.txt")}, sink).outcome;
    };
    // Root reads through any permission bits; a path through a regular file can never be
    // opened, whoever asks.
    WriteFile(dir.File("plain"), "x");
    EXPECT_EQ(run(dir.File("plain/MODEL.DAT")), RunOutcome::OutputFailure);
    EXPECT_EQ(sink.Texts(), CannotOpen());
    if (::geteuid() == 0) GTEST_SKIP() << "running as root: permission bits do not stop reading";
    WriteFile(dir.File("MODEL.DAT"), Grid().Text());
    std::filesystem::permissions(dir.File("MODEL.DAT"), std::filesystem::perms::none);
    sink.messages.clear();
    EXPECT_EQ(run(dir.File("MODEL.DAT")), RunOutcome::OutputFailure);
    EXPECT_EQ(sink.Texts(), CannotOpen());
}

TEST(BadInputPaths, BlanksAndNonAsciiInThePath) {
    TempDir dir;
    const std::string folder = dir.File("my models \xc3\xa4\xc3\xb6 #1;x");
    std::filesystem::create_directory(folder);
    const std::string model = folder + "/Kuppel \xc3\xbc 2.DAT";
    WriteFile(model, Grid().Text());
    RecordingMessageSink sink;
    const RunResult result =
        RunModel(RunRequest{model, Settings{}, folder + "/BNDRYPTS.txt"}, sink);
    EXPECT_EQ(result.outcome, RunOutcome::Success);
    EXPECT_TRUE(sink.messages.empty());
    const std::string report = ReadFile(folder + "/Kuppel \xc3\xbc 2.OUT");
    EXPECT_EQ(report.rfind("OUTPUT FILE : Kuppel \xc3\xbc 2.OUT\r\n", 0), 0u);
    EXPECT_NE(ReadFile(folder + "/Kuppel \xc3\xbc 2.TRS").find("; project :" + model + "\r\n"),
              std::string::npos);
    EXPECT_TRUE(Exists(folder + "/BNDRYPTS.txt"));
}

}  // namespace
}  // namespace membrane
