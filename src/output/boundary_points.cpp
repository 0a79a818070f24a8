#include "output/boundary_points.h"

#include <unistd.h>

#include <algorithm>
#include <ctime>
#include <unordered_set>

#include "common/file_names.h"
#include "common/text_file.h"
#include "model/elem_table.h"
#include "model/value_lists.h"

namespace membrane {

bool FindBoundaryNodes(RunState& state) {
    ModelObjects& m = state.model;
    if (!m.elements) return false;
    if (!m.edgePairs) m.edgePairs = std::make_unique<TTwoIntList>();
    if (!m.boundaryNodes) m.boundaryNodes = std::make_unique<TIntList>(false, true, "", state.boundaryPointsPath);
    TTwoIntList& pairs = *m.edgePairs;
    for (const ElementEntry& element : m.elements->Elements()) {
        const auto nodes = m.elements->NodesOf(element);
        const std::size_t k = nodes.size();
        for (std::size_t i = 0; i < k; ++i) {
            const std::int32_t a = nodes[i];
            const std::int32_t b = nodes[(i + 1) % k];
            const std::int32_t lo = std::min(a, b), hi = std::max(a, b);
            const std::int32_t key = pairs.FindPair(lo, hi);
            if (key != 0)
                pairs.Remove(key);
            else
                pairs.Add(pairs.MaxKey() + 1, lo, hi);
        }
    }
    if (pairs.Count() == 0) return false;

    // Each node once, keys counting the insertions, values ascending from the front:
    // what inserting them one by one in sorted position gives.
    TIntList& boundary = *m.boundaryNodes;
    std::vector<TIntList::Entry> entries(boundary.Entries());
    std::unordered_set<std::int32_t> known;
    for (const auto& e : entries) known.insert(e.value);
    std::int32_t maxKey = boundary.MaxKey();
    pairs.ForEach([&](const TwoIntEntry& side) {
        for (std::int32_t node : {side.first, side.second})
            if (known.insert(node).second) entries.push_back(TIntList::Entry{++maxKey, node});
    });
    // Oldest first means largest value first.
    std::stable_sort(entries.begin(), entries.end(),
                     [](const TIntList::Entry& a, const TIntList::Entry& b) { return a.value > b.value; });
    boundary.AssignEntries(std::move(entries));
    return true;
}

std::string CurrentDateTimeText() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[64];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    return text;
}

bool WriteBoundaryPointsFile(const RunState& state, const std::string& path, const std::string& when) {
    const TIntList* boundary = state.model.boundaryNodes.get();
    if (boundary == nullptr || boundary->Empty()) return false;
    AtomicFile target(path);
    auto file = TextFileWriter::Create(target.TempPath());
    if (!file) return false;
    {
        file->Line("TEXT FILE");
        file->Line("- ALL BOUNDARY POINTS FROM RECENT BRIMEL.EXE CALCULATION");
        file->Line("- usage   : if needed adjust *.dat model with this list");
        file->Line("- model   : " + state.inputName);
        file->Line("- created : " + when);
        file->Line();
        file->Line("&CONSTRAINTS " + std::to_string(boundary->Count()) + " ");
        const auto& entries = boundary->Entries();
        // Ascending node numbers: from the front (newest, smallest) to the back.
        for (std::size_t i = entries.size(); i-- > 0;) file->Line("   " + std::to_string(entries[i].value));
        file->Close();
        target.Commit();
    }
    return true;
}

std::string ChooseBoundaryPointsPath(const std::string& preferred, const std::string& modelFileName) {
    std::string directory = ExtractFilePath(preferred);
    if (directory.empty()) directory = "./";
    if (::access(directory.c_str(), W_OK) == 0) return preferred;
    return ExtractFilePath(modelFileName) + "BNDRYPTS.txt";
}

}  // namespace membrane
