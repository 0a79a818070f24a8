#include "model/elem_table.h"

#include <algorithm>
#include <cmath>

#include "common/file_names.h"
#include "common/number_format.h"
#include "common/text_file.h"
#include "model/coor_table.h"
#include "model/field_reader.h"
#include "model/side_occurrences.h"
#include "model/table_reading.h"

namespace membrane {

TElemClass::TElemClass(bool readNow, std::string modelFileName, MessageSink* messages)
    : modelFileName_(std::move(modelFileName)),
      reportFileName_(ChangeFileExt(modelFileName_, ".OUT")),
      trussFileName_(ChangeFileExt(modelFileName_, ".TRS")) {
    if (readNow) {
        NullMessageSink quiet;
        ReadTable(messages != nullptr ? *messages : quiet);
    }
}

const ElementEntry* TElemClass::FindElement(std::int32_t number) const {
    const std::int32_t position = index_.Find(number);
    return position == KeyIndex::kNone ? nullptr : &elements_[position];
}

std::int32_t TElemClass::Add(std::int32_t number, std::int32_t type, double value,
                             std::span<const std::int32_t> nodes) {
    const auto position = static_cast<std::int32_t>(elements_.size());
    ElementEntry entry{number, type, 0.0, static_cast<std::uint32_t>(nodes_.size()), 0};
    entry.nodeCount = static_cast<std::uint32_t>(nodes.size());
    nodes_.insert(nodes_.end(), nodes.begin(), nodes.end());
    elements_.push_back(entry);
    index_.Set(number, position);
    if (nodes.size() != 2 && !nodes.empty()) onlyPairs_ = false;
    total_ += value;
    maxNumber_ = std::max(maxNumber_, number);
    return maxNumber_;
}

void TElemClass::IndexPairs() const {
    for (; pairsIndexed_ < elements_.size(); ++pairsIndexed_) {
        const ElementEntry& element = elements_[pairsIndexed_];
        if (element.nodeCount != 2) continue;
        const auto position = static_cast<std::int32_t>(pairsIndexed_);
        const std::int32_t* nodes = nodes_.data() + element.nodeOffset;
        pairIndex_.Set(PairMap::Key(nodes[0], nodes[1]), position);
        nodeIndex_.Set(nodes[0], position);
        nodeIndex_.Set(nodes[1], position);
    }
}

const ElementEntry* TElemClass::FindByNodes(std::span<const std::int32_t> nodes) const {
    if (nodes.empty()) return nullptr;
    if (onlyPairs_ && nodes.size() <= 2) {
        IndexPairs();
        std::int32_t position = KeyIndex::kNone;
        if (nodes.size() == 1 || nodes[0] == nodes[1]) {
            position = nodeIndex_.Find(nodes[0]);
        } else {
            position = pairIndex_.Find(PairMap::Key(nodes[0], nodes[1]));
        }
        return position == KeyIndex::kNone ? nullptr : &elements_[position];
    }
    for (auto it = elements_.rbegin(); it != elements_.rend(); ++it) {
        const auto own = NodesOf(*it);
        const bool all = std::all_of(nodes.begin(), nodes.end(), [&](std::int32_t n) {
            return std::find(own.begin(), own.end(), n) != own.end();
        });
        if (all) return &*it;
    }
    return nullptr;
}

bool TElemClass::ReadTable(MessageSink& messages) {
    auto table = OpenTable(modelFileName_, "&ELEMENTS", messages,
                           {"Read Elements From File", "Inputfile not found", MessageKind::Error});
    if (!table) return false;
    TextStream* stream = table->stream.get();
    const std::int32_t n = table->count;
    RecordGuard guard(*stream, "&ELEMENTS", n);
    for (std::int32_t i = 1; i <= n; ++i) {
        if (!guard.FieldAvailable()) break;
        const std::int32_t number = ReadInteger(*stream);
        std::int32_t corner[3];
        bool complete = true;
        for (auto& node : corner) {
            if (!guard.FieldAvailable()) {
                complete = false;
                break;
            }
            node = ReadInteger(*stream);
        }
        if (!complete) break;
        Add(number, 1, 0.0, corner);
        guard.RecordDone();
    }
    return true;
}

bool TElemClass::EchoToReport(const std::string& path) const {
    if (elements_.empty()) return false;
    auto file = TextFileWriter::OpenAppend(path);
    if (!file) return false;
    file->Line("&ELEMENTS  " + std::to_string(elements_.size()) + " ");
    for (const ElementEntry& element : elements_) {
        std::string line = "   " + FormatInt(element.number, 4);
        for (std::int32_t node : NodesOf(element)) line += " " + std::to_string(node);
        file->Line(line);
    }
    file->Line();
    file->Close();
    return true;
}

bool TElemClass::WriteTrussSection(const std::string& path) const {
    if (elements_.empty()) return false;
    auto file = TextFileWriter::OpenAppend(path);
    if (!file) return false;
    file->Write(TrussSectionText());
    file->Close();
    return true;
}

std::string TElemClass::TrussSectionText() const {
    if (elements_.empty()) return {};
    std::string text = "[elements]\r\n";
    text.reserve(elements_.size() * 24);
    for (const ElementEntry& element : elements_) {
        text += std::to_string(element.number);
        text += '=';
        for (std::int32_t node : NodesOf(element)) {
            text += std::to_string(node);
            text += '@';
        }
        text += std::to_string(element.type);
        text += "\r\n";
    }
    text += "\r\n";
    return text;
}

double TElemClass::ElementArea(const ElementEntry& element, const TCoorClass* table) const {
    if (table == nullptr) return 0.0;
    double p[3][3] = {{0, 0, 0}, {0, 0, 0}, {0, 0, 0}};
    const auto nodes = NodesOf(element);
    for (std::size_t k = 0; k < nodes.size() && k < 3; ++k) {
        if (const NodeEntry* node = table->FindNode(nodes[k])) {
            p[k][0] = node->x;
            p[k][1] = node->y;
            p[k][2] = node->z;
        }
    }
    const double x1 = p[0][0], y1 = p[0][1], z1 = p[0][2];
    const double x2 = p[1][0], y2 = p[1][1], z2 = p[1][2];
    const double x3 = p[2][0], y3 = p[2][1], z3 = p[2][2];
    // (P1 - P3) x (P1 - P2)
    const double c1 = (y1 - y3) * (z1 - z2) - (z1 - z3) * (y1 - y2);
    const double c2 = (z1 - z3) * (x1 - x2) - (x1 - x3) * (z1 - z2);
    const double c3 = (x1 - x3) * (y1 - y2) - (y1 - y3) * (x1 - x2);
    return 0.5 * std::sqrt(c1 * c1 + c2 * c2 + c3 * c3);
}

double TElemClass::ComputeMeshArea(const TCoorClass* table) {
    total_ = 0.0;
    for (ElementEntry& element : elements_) {
        element.area = ElementArea(element, table);
        total_ += element.area;
    }
    return total_;
}

namespace {

// The sides of an element as bars: 1-2, 2-3, and then 1-3 (in that node order) for a
// triangle; in general consecutive nodes up to the third, then the first with each later
// one. A one-node element gives the side (n, n).
template <typename Visit>
void ForEachBarSide(std::span<const std::int32_t> nodes, Visit&& visit) {
    const std::size_t k = nodes.size();
    for (std::size_t j = 1; j <= k; ++j) {
        std::int32_t side[2];
        if (j < k && j < 3) {
            side[0] = nodes[j - 1];
            side[1] = nodes[j];
        } else {
            side[0] = nodes[0];
            side[1] = nodes[j - 1];
        }
        if (k < 2) side[1] = nodes[0];
        visit(side);
    }
}

}  // namespace

void TElemClass::BuildBarTable(TElemClass& bars) const {
    // Into an empty table, every side is a new bar exactly when no earlier side joins the
    // same two nodes, which sorting the sides tells at once. A side from a node to itself
    // is new only when no earlier bar touches the node at all: rare (such a triangle has
    // no area), so those tables are built side by side.
    std::vector<std::uint64_t> sides;
    bool degenerate = false;
    if (bars.Count() == 0) {
        sides.reserve(3 * elements_.size());
        for (const ElementEntry& element : elements_)
            ForEachBarSide(NodesOf(element), [&](const std::int32_t* side) {
                degenerate = degenerate || side[0] == side[1];
                sides.push_back(PairMap::Key(side[0], side[1]));
            });
    }
    if (bars.Count() == 0 && !degenerate) {
        const std::vector<std::int32_t> previous = PreviousOccurrences(sides);
        sides.clear();
        sides.shrink_to_fit();
        const auto count = static_cast<std::size_t>(std::count(previous.begin(), previous.end(), -1));
        bars.elements_.reserve(count);
        bars.nodes_.reserve(2 * count);
        std::size_t t = 0;
        for (const ElementEntry& element : elements_)
            ForEachBarSide(NodesOf(element), [&](const std::int32_t* side) {
                if (previous[t++] < 0) bars.Add(bars.MaxNumber() + 1, 1, 0.0, std::span<const std::int32_t>(side, 2));
            });
        return;
    }
    for (const ElementEntry& element : elements_)
        ForEachBarSide(NodesOf(element), [&](const std::int32_t* side) {
            const std::span<const std::int32_t> bar(side, 2);
            if (bars.FindByNodes(bar) == nullptr) bars.Add(bars.MaxNumber() + 1, 1, 0.0, bar);
        });
}

}  // namespace membrane
