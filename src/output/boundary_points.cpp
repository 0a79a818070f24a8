#include "output/boundary_points.h"

#include <unistd.h>

#include <algorithm>
#include <ctime>
#include <unordered_set>

#include "common/file_names.h"
#include "common/text_file.h"
#include "model/elem_table.h"
#include "model/side_occurrences.h"
#include "model/value_lists.h"

namespace membrane {

namespace {

// Every side of every element in file order: node i to node i + 1, the last to the first.
template <typename Visit>
void ForEachSide(const TElemClass& elements, Visit&& visit) {
    for (const ElementEntry& element : elements.Elements()) {
        const auto nodes = elements.NodesOf(element);
        const std::size_t k = nodes.size();
        for (std::size_t i = 0; i < k; ++i) {
            const std::int32_t a = nodes[i];
            const std::int32_t b = nodes[(i + 1) % k];
            visit(std::min(a, b), std::max(a, b));
        }
    }
}

// The pairing of the sides, one side at a time: a side seen before is removed from the
// list, any other is added with the list's largest key + 1.
void PairSidesOneByOne(const TElemClass& elements, TTwoIntList& pairs) {
    ForEachSide(elements, [&pairs](std::int32_t lo, std::int32_t hi) {
        const std::int32_t key = pairs.FindPair(lo, hi);
        if (key != 0)
            pairs.Remove(key);
        else
            pairs.Add(pairs.MaxKey() + 1, lo, hi);
    });
}

// The same pairing into an empty list, worked out on arrays. A side's occurrences
// alternate between adding and removing, and a removal takes the entry its previous
// occurrence added. Keys only ever grow along the live entries (each new key is the
// largest + 1, and removals keep the order), so the largest key is that of the newest
// live entry. The list then receives the entries that stay, oldest first, with their
// keys: what it would hold after the side-by-side pairing.
void PairSidesAtOnce(const TElemClass& elements, TTwoIntList& pairs) {
    std::vector<std::uint64_t> sides;
    ForEachSide(elements, [&sides](std::int32_t lo, std::int32_t hi) { sides.push_back(PairMap::Key(lo, hi)); });
    const std::vector<std::int32_t> previous = PreviousOccurrences(sides);
    const auto count = static_cast<std::int32_t>(sides.size());
    std::vector<std::int32_t> key(count, 0);  // 0: not (or no longer) in the list
    std::vector<std::int32_t> older(count), newer(count);
    std::int32_t oldest = -1, newest = -1;
    for (std::int32_t t = 0; t < count; ++t) {
        const std::int32_t p = previous[t];
        if (p >= 0 && key[p] != 0) {
            key[p] = 0;
            if (older[p] >= 0) newer[older[p]] = newer[p]; else oldest = newer[p];
            if (newer[p] >= 0) older[newer[p]] = older[p]; else newest = older[p];
        } else {
            key[t] = (newest >= 0 ? key[newest] : 0) + 1;
            older[t] = newest;
            newer[t] = -1;
            if (newest >= 0) newer[newest] = t; else oldest = t;
            newest = t;
        }
    }
    for (std::int32_t t = oldest; t >= 0; t = newer[t])
        pairs.Add(key[t], static_cast<std::int32_t>(sides[t] >> 32), static_cast<std::int32_t>(sides[t] & 0xffffffffu));
}

}  // namespace

bool FindBoundaryNodes(RunState& state) {
    ModelObjects& m = state.model;
    if (!m.elements) return false;
    if (!m.edgePairs) m.edgePairs = std::make_unique<TTwoIntList>();
    if (!m.boundaryNodes) m.boundaryNodes = std::make_unique<TIntList>(false, true, "", state.boundaryPointsPath);
    TTwoIntList& pairs = *m.edgePairs;
    if (pairs.Count() == 0 && pairs.MaxKey() == 0)
        PairSidesAtOnce(*m.elements, pairs);
    else
        PairSidesOneByOne(*m.elements, pairs);
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
