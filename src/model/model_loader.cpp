#include "model/model_loader.h"

#include <cmath>

#include "common/number_format.h"
#include "model/coor_table.h"
#include "model/elem_table.h"
#include "model/key_index.h"
#include "model/value_lists.h"
#include "output/boundary_points.h"
#include "solver/assembly.h"
#include "solver/tmatrix.h"

namespace membrane {
namespace {

bool Fail(RunState& state) {
    state.messages->Show("error in input", MessageKind::Error);
    return false;
}

// 1 + a^2 + b^2 for the plane through the triangle's corners at their heights, where a and
// b are the slopes in x and y: the quantity under the root of the lifted area and of
// every Newton term. When it overflows, the assembly has nothing but infinities to add.
double SlopeMeasure(const TdoubleList& heights, const NodeEntry* const corner[3], double twiceArea) {
    double h[3];
    for (int k = 0; k < 3; ++k) h[k] = heights.ValueOf(corner[k]->number);
    const double a = ((corner[1]->y - corner[2]->y) * h[0] + (corner[2]->y - corner[0]->y) * h[1] +
                      (corner[0]->y - corner[1]->y) * h[2]) / twiceArea;
    const double b = ((corner[2]->x - corner[1]->x) * h[0] + (corner[0]->x - corner[2]->x) * h[1] +
                      (corner[1]->x - corner[0]->x) * h[2]) / twiceArea;
    return 1 + a * a + b * b;
}

}  // namespace

std::vector<std::string> CheckModel(const RunState& state, std::size_t limit) {
    std::vector<std::string> faults;
    std::size_t total = 0;
    auto report = [&](std::string text) {
        if (faults.size() < limit) faults.push_back(std::move(text));
        ++total;
    };
    const ModelObjects& m = state.model;
    // The texts are made only for the faults: a model with a million elements and none
    // is checked without a string per element. Numbers seen are kept in a KeyIndex (an
    // array for the usual numbering 1..N).
    if (m.nodes) {
        KeyIndex seen;
        for (const NodeEntry& node : m.nodes->Nodes()) {
            auto name = [&node] { return "node " + std::to_string(node.number); };
            if (seen.Find(node.number) != KeyIndex::kNone)
                report(name() + " is given twice in &COORDINATES");
            else
                seen.Set(node.number, 0);
            if (!std::isfinite(node.x) || !std::isfinite(node.y))
                report(name() + ": the coordinates are not finite numbers");
            if (m.heights)
                if (const auto* height = m.heights->FindKey(node.number); height && !std::isfinite(height->value))
                    report(name() + ": the height is not a finite number");
        }
    }
    if (m.elements && m.nodes) {
        KeyIndex seen;
        for (const ElementEntry& element : m.elements->Elements()) {
            auto name = [&element] { return "element " + std::to_string(element.number); };
            if (seen.Find(element.number) != KeyIndex::kNone)
                report(name() + " is given twice in &ELEMENTS");
            else
                seen.Set(element.number, 0);
            const auto nodes = m.elements->NodesOf(element);
            const NodeEntry* corner[3] = {nullptr, nullptr, nullptr};
            bool complete = nodes.size() == 3;
            for (std::size_t k = 0; k < nodes.size() && k < 3; ++k) {
                corner[k] = m.nodes->FindNode(nodes[k]);
                if (corner[k] == nullptr) {
                    report(name() + ": node " + std::to_string(nodes[k]) + " is not in &COORDINATES");
                    complete = false;
                }
            }
            if (!complete) continue;
            auto triangle = [&] {
                return name() + ": the triangle " + std::to_string(nodes[0]) + " " + std::to_string(nodes[1]) + " " +
                       std::to_string(nodes[2]);
            };
            const double twiceArea = TwiceSignedArea(corner[0]->x, corner[0]->y, corner[1]->x, corner[1]->y,
                                                     corner[2]->x, corner[2]->y);
            if (twiceArea == 0.0)
                report(triangle() + " has no area in the plan");
            else if (!std::isfinite(twiceArea))
                report(triangle() + " is too large: its plan area is not a finite number");
            else if (m.heights && !std::isfinite(SlopeMeasure(*m.heights, corner, twiceArea)))
                report(triangle() + " is too steep: its heights make the area not a finite number");
        }
    }
    if (total > faults.size())
        faults.push_back("... and " + std::to_string(total - faults.size()) + " more");
    return faults;
}

bool LoadModel(RunState& state, const std::string& modelFileName) {
    ModelObjects& m = state.model;
    MessageSink& messages = *state.messages;

    if (!m.nodes) m.nodes = std::make_unique<TCoorClass>(true, modelFileName, &messages);
    if (m.nodes->Count() == 0) return Fail(state);

    m.system = std::make_unique<TMatrix>();
    m.rightHandSide = std::make_unique<TMatrix>();
    m.heights = std::make_unique<TdoubleList>(false, true, "&SOLUTION", modelFileName);
    m.increments = std::make_unique<TdoubleList>(false, true, "", "");
    for (const NodeEntry& node : m.nodes->Nodes()) {
        m.increments->Add(node.number, 0.0);
        m.heights->Add(node.number, 0.0);
    }
    if (state.view) state.view->FillCoordGrid(state);

    if (!m.initial) m.initial = std::make_unique<TdoubleList>(true, false, "&INITIAL", modelFileName, &messages);
    if (m.initial->Empty()) return Fail(state);
    if (!m.constraints)
        m.constraints = std::make_unique<TIntList>(true, true, "&CONSTR", modelFileName, &messages);
    if (m.constraints->Empty()) return Fail(state);
    if (!m.elements) m.elements = std::make_unique<TElemClass>(true, modelFileName, &messages);
    if (m.elements->Count() == 0) return Fail(state);

    const std::string boundaryPath = ChooseBoundaryPointsPath(state.boundaryPointsPath, modelFileName);
    if (!m.edgePairs) m.edgePairs = std::make_unique<TTwoIntList>();
    if (!m.boundaryNodes) m.boundaryNodes = std::make_unique<TIntList>(false, true, "", boundaryPath);
    if (FindBoundaryNodes(state) && !m.boundaryNodes->Empty())
        WriteBoundaryPointsFile(state, boundaryPath, CurrentDateTimeText());

    if (state.view) {
        state.view->FillElemGrid(state);
        state.view->FillConstrGrid(state);
        state.view->FillInitGrid(state);
    }
    for (const auto& entry : m.initial->Entries()) m.heights->SetValue(entry.key, entry.value);

    const double area = m.elements->ComputeMeshArea(m.nodes.get());
    if (state.view) state.view->SetFlatArea("Flat mesh surface : " + FormatFixed(area, 12, 3));

    if (!m.bars) m.bars = std::make_unique<TElemClass>(false, modelFileName);
    m.elements->BuildBarTable(*m.bars);

    const std::vector<std::string> faults = CheckModel(state);
    if (!faults.empty()) {
        std::string text;
        for (const std::string& fault : faults) text += (text.empty() ? "" : "\n") + fault;
        messages.Show(text, MessageKind::Error, "Model check");
        return Fail(state);
    }
    return true;
}

}  // namespace membrane
