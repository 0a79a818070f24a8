#include "heightfield/model_loader.h"

#include <cmath>
#include <limits>
#include <optional>
#include <utility>

#include "common/key_index.h"
#include "heightfield/bar_table.h"
#include "heightfield/mesh_area.h"
#include "heightfield/table_reading.h"
#include "heightfield/text_stream.h"

namespace membrane {
namespace {

// 1 + a^2 + b^2 for the plane through the triangle's corners at their heights, where a and
// b are the slopes in x and y: the quantity under the root of the lifted area and of
// every Newton term. When it overflows, the assembly has nothing but infinities to add.
double SlopeMeasure(const double h[3], const NodeEntry* const corner[3], double twiceArea) {
    const double a = ((corner[1]->y - corner[2]->y) * h[0] + (corner[2]->y - corner[0]->y) * h[1] +
                      (corner[0]->y - corner[1]->y) * h[2]) /
                     twiceArea;
    const double b = ((corner[2]->x - corner[1]->x) * h[0] + (corner[0]->x - corner[2]->x) * h[1] +
                      (corner[1]->x - corner[0]->x) * h[2]) /
                     twiceArea;
    return 1 + a * a + b * b;
}

// Below this, twice the plan area or its square is not a normal double: the slopes and
// the Newton terms, which divide by them, lose every digit (a mesh scaled by 1e-100 would
// "converge" to heights far outside the held ones).
const double kSmallestTwiceArea = std::sqrt(std::numeric_limits<double>::min());

// The start height of the node with this number (the newest node of the number).
double StartHeight(const Model& model, std::int32_t number) {
    const std::int32_t index = model.nodes.IndexOf(number);
    return index < 0 ? 0.0 : model.startHeights[index];
}

// Where the messages of a second look at a table go: they were told at the first.
class SilentSink final : public MessageSink {
  public:
    using MessageSink::Show;
    void Show(const UserMessage&) override {}
};

// Passes on the messages about whole tables (a table cut short: they carry the caption of
// its reader), not those about single fields.
class TableMessagesOnly final : public MessageSink {
  public:
    explicit TableMessagesOnly(MessageSink& next) : next_(next) {}
    using MessageSink::Show;
    void Show(const UserMessage& message) override {
        if (!message.caption.empty()) next_.Show(message);
    }

  private:
    MessageSink& next_;
};

// A table that gave no record: named when the file has no such table or its header
// announces none (a table cut short has told so already, with the records it read).
void TellEmptyTable(std::string_view text, const std::string& search, const std::string& title,
                    MessageSink& messages) {
    SilentSink silent;
    TextStream stream(text, silent);
    const std::optional<std::int32_t> count = OpenTable(stream, search);
    const std::string caption = "Read " + title + " From File";
    if (!count)
        messages.Show("The file has no table " + title + ".", MessageKind::Error, caption);
    else if (*count <= 0)
        messages.Show(title + ": the table header announces " + std::to_string(*count) +
                          " records; the model needs at least one.",
                      MessageKind::Error, caption);
}

}  // namespace

std::shared_ptr<Model> ReadModel(const ModelFile& file, MessageSink& messages) {
    auto model = std::make_shared<Model>();
    Model& m = *model;
    m.fileName = file.path;
    // Every table is read, each from the start of the text, so that a file cut short or
    // lacking a table says so for every table it concerns. After the first table without
    // records only what concerns whole tables is told: the fields of a model that cannot
    // load are not worth a message each.
    TableMessagesOnly tablesOnly(messages);
    bool stopped = false;
    const auto sink = [&]() -> MessageSink& {
        if (stopped) return tablesOnly;
        return messages;
    };
    m.nodes = NodeTable::Read(file.text, sink());
    stopped = stopped || m.nodes.Empty();
    m.initial.ReadTable(file.text, sink());
    stopped = stopped || m.initial.Empty();
    m.constraints.ReadTable(file.text, sink());
    stopped = stopped || m.constraints.Empty();
    m.elements = ElementTable::Read(file.text, sink());
    const bool empty[] = {m.nodes.Empty(), m.elements.Empty(), m.initial.Empty(),
                          m.constraints.Empty()};
    // The title searched for, and the one the message names.
    const std::pair<std::string, std::string> titles[] = {{"&COORDINATES", "&COORDINATES"},
                                                          {"&ELEMENTS", "&ELEMENTS"},
                                                          {m.initial.Title(), "&INITIAL"},
                                                          {m.constraints.Title(), "&CONSTRAINTS"}};
    bool any = false;
    for (int k = 0; k < 4; ++k)
        if (empty[k]) {
            TellEmptyTable(file.text, titles[k].first, titles[k].second, messages);
            any = true;
        }
    if (any) return model;

    m.complete = true;
    m.startHeights.assign(m.nodes.Nodes().size(), 0.0);
    // In file order: a node given twice in "&INITIAL" keeps its last height.
    for (const auto& entry : m.initial.Entries())
        if (const std::int32_t index = m.nodes.IndexOf(entry.key); index >= 0)
            m.startHeights[index] = entry.value;
    m.boundary = FindBoundary(m.elements);
    m.flatArea = ComputeMeshAreas(m.nodes, m.elements, {}).total;
    m.bars = BuildBarTable(m.elements);
    return model;
}

std::vector<std::string> CheckModel(const Model& m, std::size_t limit) {
    std::vector<std::string> faults;
    std::size_t total = 0;
    auto report = [&](std::string text) {
        if (faults.size() < limit) faults.push_back(std::move(text));
        ++total;
    };
    // The texts are made only for the faults: a model with a million elements and none
    // is checked without a string per element. Numbers seen are kept in a KeyIndex (an
    // array for the usual numbering 1..N).
    KeyIndex seenNodes;
    for (const NodeEntry& node : m.nodes.Nodes()) {
        auto name = [&node] { return "node " + std::to_string(node.number); };
        if (seenNodes.Find(node.number) != KeyIndex::kNone)
            report(name() + " is given twice in &COORDINATES");
        else
            seenNodes.Set(node.number, 0);
        if (!std::isfinite(node.x) || !std::isfinite(node.y))
            report(name() + ": the coordinates are not finite numbers");
        if (!std::isfinite(StartHeight(m, node.number)))
            report(name() + ": the height is not a finite number");
    }
    KeyIndex seenElements;
    for (const ElementEntry& element : m.elements.Elements()) {
        auto name = [&element] { return "element " + std::to_string(element.number); };
        if (seenElements.Find(element.number) != KeyIndex::kNone)
            report(name() + " is given twice in &ELEMENTS");
        else
            seenElements.Set(element.number, 0);
        const auto nodes = m.elements.NodesOf(element);
        const NodeEntry* corner[3] = {nullptr, nullptr, nullptr};
        bool complete = nodes.size() == 3;
        for (std::size_t k = 0; k < nodes.size() && k < 3; ++k) {
            corner[k] = m.nodes.Find(nodes[k]);
            if (corner[k] == nullptr) {
                report(name() + ": node " + std::to_string(nodes[k]) + " is not in &COORDINATES");
                complete = false;
            }
        }
        if (!complete) continue;
        auto triangle = [&] {
            return name() + ": the triangle " + std::to_string(nodes[0]) + " " +
                   std::to_string(nodes[1]) + " " + std::to_string(nodes[2]);
        };
        const double twiceArea = TwiceSignedArea(corner[0]->x, corner[0]->y, corner[1]->x,
                                                 corner[1]->y, corner[2]->x, corner[2]->y);
        const double h[3] = {StartHeight(m, nodes[0]), StartHeight(m, nodes[1]),
                             StartHeight(m, nodes[2])};
        if (twiceArea == 0.0)
            report(triangle() + " has no area in the plan");
        else if (std::fabs(twiceArea) < kSmallestTwiceArea)
            report(triangle() +
                   " is too small: its plan area cannot be computed in double "
                   "precision");
        else if (!std::isfinite(twiceArea))
            report(triangle() + " is too large: its plan area is not a finite number");
        else if (!std::isfinite(SlopeMeasure(h, corner, twiceArea)))
            report(triangle() + " is too steep: its heights make the area not a finite number");
    }
    if (total > faults.size())
        faults.push_back("... and " + std::to_string(total - faults.size()) + " more");
    return faults;
}

std::vector<std::string> MissingNodeWarnings(const Model& m, std::size_t limit) {
    std::vector<std::string> warnings;
    std::size_t total = 0;
    auto check = [&](const std::string& title, std::int32_t node) {
        if (m.nodes.Find(node) != nullptr) return;
        if (warnings.size() < limit)
            warnings.push_back(title + " names node " + std::to_string(node) +
                               ", which is not in &COORDINATES");
        ++total;
    };
    for (const auto& entry : m.constraints.Entries()) check(m.constraints.Title(), entry.value);
    for (const auto& entry : m.initial.Entries()) check(m.initial.Title(), entry.key);
    if (total > warnings.size())
        warnings.push_back("... and " + std::to_string(total - warnings.size()) + " more");
    return warnings;
}

}  // namespace membrane
