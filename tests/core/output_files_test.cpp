// The report and the truss model file of a run, written from a model and a membrane.
#include "heightfield/output_files.h"

#include <gtest/gtest.h>

#include "heightfield/model_loader.h"
#include "support/files.h"
#include "support/model_text.h"
#include "support/recording.h"

namespace membrane {
namespace {

using namespace test;

std::shared_ptr<const Model> ModelOf(const std::string& path) {
    RecordingMessageSink sink;
    std::shared_ptr<const Model> model = ReadModel(*ReadModelFile(path), sink);
    EXPECT_TRUE(model->complete && sink.messages.empty());
    return model;
}

// A unit square of two triangles, nodes 1 and 2 held, written with node 3 at `height3`.
struct Written {
    TempDir dir;
    std::string path;

    explicit Written(double weight, int iterations = 5,
                     const std::vector<std::string>& extraNodes = {}, double height3 = 5e-11) {
        ModelText m;
        m.coordinates = {"1 0 0", "2 1 0", "3 1 1", "4 0 1"};
        m.coordinates.insert(m.coordinates.end(), extraNodes.begin(), extraNodes.end());
        m.elements = {"1 1 2 3", "2 1 3 4"};
        m.constraints = {"1", "2"};
        m.initial = {"1 0", "2 0", "3 0", "4 0"};
        path = m.WriteTo(dir.File("MODEL.DAT"));
        const auto model = ModelOf(path);
        std::vector<double> heights(model->nodes.Count(), 0.0);
        heights[2] = height3;  // 5e-11 is lifted below 1e-10: written as 0
        OutputFiles(model).Finish(LiftMembrane(*model, heights, iterations), 0.001, weight);
    }
};

TEST(OutputFiles, ReportFileIsByteExact) {
    Written w(1.0);
    const std::string zero = "    0.00000000000000E+0000";
    EXPECT_EQ(
        ReadFile(w.dir.File("MODEL.OUT")),
        CrLf(
            {"OUTPUT FILE : MODEL.OUT",
             "",
             "&COORDINATES  4 ",
             "   NODE    1  0.00000000000000E+0000  0.00000000000000E+0000  0.00000000000000E+0000",
             "   NODE    2  1.00000000000000E+0000  0.00000000000000E+0000  0.00000000000000E+0000",
             "   NODE    3  1.00000000000000E+0000  1.00000000000000E+0000  0.00000000000000E+0000",
             "   NODE    4  0.00000000000000E+0000  1.00000000000000E+0000  0.00000000000000E+0000",
             "",
             "&ELEMENTS  2 ",
             "      1 1 2 3",
             "      2 1 3 4",
             "",
             "&CONSTR 2 ",
             "   1",
             "   2",
             "",
             "&INITIAL 4 ",
             zero,
             zero,
             zero,
             zero,
             "",
             "",
             "number of iterations :   5     accurracy : 0.0010000000",
             "",
             "&SOLUTION 4 ",
             zero,
             zero,
             "    5.00000000000000E-0011",
             zero,
             ""}));
}

TEST(OutputFiles, TrussFileSectionsInOrder) {
    Written w(1.0);
    EXPECT_EQ(ReadFile(w.dir.File("MODEL.TRS")), CrLf({"; data from BRIMEL.EXE",
                                                       "; project :" + w.path,
                                                       "",
                                                       "[properties]",
                                                       "E=10000",
                                                       "A=1",
                                                       "",
                                                       "[barproperties]",
                                                       "1=10000@1",
                                                       "",
                                                       "[coordinates]",
                                                       "1=0@0@0",
                                                       "2=1@0@0",
                                                       "3=1@1@0",
                                                       "4=0@1@0",
                                                       "",
                                                       "[elements]",
                                                       "1=1@2@1",
                                                       "2=2@3@1",
                                                       "3=1@3@1",
                                                       "4=3@4@1",
                                                       "5=1@4@1",
                                                       "",
                                                       "",
                                                       "[loads]",
                                                       "1=1@z@0.333333333333333",
                                                       "2=2@z@0.166666666666667",
                                                       "3=3@z@0.333333333333333",
                                                       "4=4@z@0.166666666666667",
                                                       "",
                                                       "",
                                                       "[supports]",
                                                       "1=1@x",
                                                       "2=1@y",
                                                       "3=1@z",
                                                       "4=2@x",
                                                       "5=2@y",
                                                       "6=2@z",
                                                       ""}));
}

TEST(OutputFiles, LoadsComeFromTheLiftedTriangles) {
    // Node 3 at height 1: triangle 1 2 3 becomes sqrt(2) / 2, triangle 1 3 4 too.
    Written w(3.0, 5, {}, 1.0);
    const std::string truss = ReadFile(w.dir.File("MODEL.TRS"));
    EXPECT_NE(truss.find("\r\n3=1@1@1\r\n"), std::string::npos) << truss;
    // Each corner gets a third of area x weight: sqrt(2) / 2 for nodes 2 and 4, twice that
    // for nodes 1 and 3.
    EXPECT_NE(truss.find("[loads]\r\n1=1@z@1.4142135623731\r\n2=2@z@0.707106781186548\r\n"
                         "3=3@z@1.4142135623731\r\n4=4@z@0.707106781186548\r\n"),
              std::string::npos)
        << truss;
}

TEST(OutputFiles, ZeroWeightWideCountAndUnloadedNodes) {
    Written w(0.0, 1234, {"9 5 5"});
    const std::string report = ReadFile(w.dir.File("MODEL.OUT"));
    EXPECT_NE(report.find("\r\nnumber of iterations : 1234     accurracy : 0.0010000000\r\n"),
              std::string::npos);
    const std::string truss = ReadFile(w.dir.File("MODEL.TRS"));
    EXPECT_NE(truss.find("[loads]\r\n1=1@z@0\r\n2=2@z@0\r\n3=3@z@0\r\n4=4@z@0\r\n\r\n"),
              std::string::npos)
        << truss;
    EXPECT_EQ(truss.find("@9@"), std::string::npos);
    EXPECT_EQ(truss.find("=9@z"), std::string::npos);  // a node of no triangle carries no load
    EXPECT_NE(truss.find("\r\n9=5@5@0\r\n"), std::string::npos);
}

TEST(OutputFiles, OutputsReplaceOldFilesCompletely) {
    TempDir dir;
    ModelText m;
    m.coordinates = {"1 0 0", "2 1 0", "3 0 1"};
    m.elements = {"1 1 2 3"};
    m.constraints = {"1", "2", "3"};
    m.initial = {"1 0", "2 0", "3 0"};
    const auto model = ModelOf(m.WriteTo(dir.File("MODEL.DAT")));
    WriteFile(dir.File("MODEL.OUT"), std::string(100000, 'x'));
    OutputFiles(model).Finish(LiftMembrane(*model, {0, 0, 0}, 1), 0.001, 1.0);
    const std::string report = ReadFile(dir.File("MODEL.OUT"));
    EXPECT_EQ(report.rfind("OUTPUT FILE : MODEL.OUT\r\n", 0), 0u);
    EXPECT_EQ(report.find('x'), std::string::npos);
}

}  // namespace
}  // namespace membrane
