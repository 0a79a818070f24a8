#include "heightfield/fill_ordering.h"

#include <algorithm>
#include <iterator>
#include <system_error>

#include "common/key_index.h"
#include "common/messages.h"
#include "heightfield/element_table.h"
#include "heightfield/value_lists.h"

#ifdef MEMBRANE_HAVE_CHOLMOD
#include <cholmod.h>
#endif
#ifdef MEMBRANE_HAVE_METIS
#include <metis.h>
#endif

namespace membrane {

namespace {

// A node and its two triangles take 120 to 170 bytes in a model file: files above the
// first size (some 3300 nodes) hold meshes on which the elimination's work is nearly always
// above kAutoEliminationWork, files above the second hold more than kAutoMultigridUnknowns
// unless their numbers are written unusually wide (then the sparse Cholesky solver works
// its ordering out itself).
constexpr std::size_t kAutoOrderingBytes = 400'000;
constexpr std::size_t kAutoMultigridBytes = std::size_t{kAutoMultigridUnknowns} * 200;

}  // namespace

bool MayUseCholmod(const Settings& settings, std::size_t fileBytes) {
    if (settings.solver == SolverChoice::Cholmod) return true;
    return settings.solver == SolverChoice::Auto && fileBytes > kAutoOrderingBytes &&
           fileBytes <= kAutoMultigridBytes;
}

#ifdef MEMBRANE_HAVE_CHOLMOD

namespace {

// The graph as the lower triangle of a symmetric pattern in compressed columns: column j
// lists, ascending and each once, the vertices i > j joined to j by a triangle side.
struct LowerPattern {
    std::vector<std::int32_t> start;  // n + 1 column starts
    std::vector<std::int32_t> rows;
};

LowerPattern SidesPattern(const std::vector<std::int32_t>& corners, std::int32_t n) {
    LowerPattern pattern;
    pattern.start.assign(static_cast<std::size_t>(n) + 1, 0);
    auto forEachSide = [&corners](auto&& visit) {
        for (std::size_t t = 0; t < corners.size(); t += 3) {
            const std::int32_t a = corners[t], b = corners[t + 1], c = corners[t + 2];
            if (a != b) visit(std::min(a, b), std::max(a, b));
            if (b != c) visit(std::min(b, c), std::max(b, c));
            if (a != c) visit(std::min(a, c), std::max(a, c));
        }
    };
    // Bucket the sides by column, then sort each short column and drop the repeats (an
    // inner side belongs to two triangles).
    forEachSide([&](std::int32_t column, std::int32_t) { ++pattern.start[column + 1]; });
    for (std::int32_t j = 0; j < n; ++j) pattern.start[j + 1] += pattern.start[j];
    pattern.rows.resize(pattern.start[n]);
    std::vector<std::int32_t> next(pattern.start.begin(), pattern.start.end() - 1);
    forEachSide([&](std::int32_t column, std::int32_t row) { pattern.rows[next[column]++] = row; });
    std::int32_t kept = 0;
    for (std::int32_t j = 0; j < n; ++j) {
        auto begin = pattern.rows.begin() + pattern.start[j];
        auto end = pattern.rows.begin() + pattern.start[j + 1];
        std::sort(begin, end);
        end = std::unique(begin, end);
        pattern.start[j] = kept;
        kept = static_cast<std::int32_t>(std::copy(begin, end, pattern.rows.begin() + kept) -
                                         pattern.rows.begin());
    }
    pattern.start[n] = kept;
    pattern.rows.resize(kept);
    return pattern;
}

#ifdef MEMBRANE_HAVE_METIS

// METIS nested dissection called directly, on the graph with every side in both
// directions. One refinement pass per coarsening level instead of METIS's ten: on a
// triangle mesh the separators are nearly as good and the ordering, which the solver would
// otherwise wait for, is quicker (figures in bench/README.md). False when METIS fails.
bool NestedDissection(const LowerPattern& pattern, std::int32_t n,
                      std::vector<std::int32_t>& perm) {
    std::vector<idx_t> start(static_cast<std::size_t>(n) + 1, 0);
    for (std::int32_t j = 0; j < n; ++j)
        for (std::int32_t k = pattern.start[j]; k < pattern.start[j + 1]; ++k) {
            ++start[j + 1];
            ++start[pattern.rows[k] + 1];
        }
    for (std::int32_t j = 0; j < n; ++j) start[j + 1] += start[j];
    std::vector<idx_t> adjacent(start[n]);
    std::vector<idx_t> next(start.begin(), start.end() - 1);
    for (std::int32_t j = 0; j < n; ++j)
        for (std::int32_t k = pattern.start[j]; k < pattern.start[j + 1]; ++k) {
            const std::int32_t i = pattern.rows[k];
            adjacent[next[j]++] = i;
            adjacent[next[i]++] = j;
        }
    idx_t options[METIS_NOPTIONS];
    METIS_SetDefaultOptions(options);
    options[METIS_OPTION_NUMBERING] = 0;
    options[METIS_OPTION_NITER] = 1;
    idx_t vertices = n;
    std::vector<idx_t> order(n), inverse(n);
    if (METIS_NodeND(&vertices, start.data(), adjacent.data(), nullptr, options, order.data(),
                     inverse.data()) != METIS_OK)
        return false;
    // order[k] is the vertex eliminated k-th.
    perm.assign(order.begin(), order.end());
    return true;
}

#else

// METIS nested dissection through CHOLMOD, with a CHOLMOD workspace of this thread's own.
// False when METIS is not there or fails.
bool NestedDissection(const LowerPattern& pattern, std::int32_t n,
                      std::vector<std::int32_t>& perm) {
    cholmod_common common{};
    cholmod_start(&common);
    common.print = 0;
    bool ok = false;
    cholmod_sparse* graph =
        cholmod_allocate_sparse(n, n, pattern.rows.size(), 1, 1, -1, CHOLMOD_PATTERN, &common);
    if (graph != nullptr) {
        std::copy(pattern.start.begin(), pattern.start.end(), static_cast<std::int32_t*>(graph->p));
        std::copy(pattern.rows.begin(), pattern.rows.end(), static_cast<std::int32_t*>(graph->i));
        perm.assign(n, 0);
        // No postorder here: the symbolic analysis postorders the given ordering anyway.
        ok = cholmod_metis(graph, nullptr, 0, 0, perm.data(), &common) != 0 &&
             common.status == CHOLMOD_OK;
        cholmod_free_sparse(&graph, &common);
    }
    cholmod_finish(&common);
    return ok;
}

#endif

}  // namespace

std::vector<std::int32_t> FillOrdering::Compute(std::vector<Triangle> triangles,
                                                const std::vector<std::int32_t>& held,
                                                const std::atomic<bool>& cancelled) {
    // Ascending element numbers, the newest element of a number (the last in file order).
    const auto byNumber = [](const Triangle& a, const Triangle& b) { return a.number < b.number; };
    if (std::adjacent_find(triangles.begin(), triangles.end(),
                           [](const Triangle& a, const Triangle& b) {
                               return a.number >= b.number;
                           }) != triangles.end()) {
        std::stable_sort(triangles.begin(), triangles.end(), byNumber);
        auto kept = triangles.begin();
        for (auto it = triangles.begin(); it != triangles.end(); ++it)
            if (std::next(it) == triangles.end() || std::next(it)->number != it->number)
                *kept++ = *it;
        triangles.erase(kept, triangles.end());
    }

    // Vertices numbered in the order the nodes are first met.
    KeyIndex vertexOf;
    std::vector<std::int32_t> nodeOf;
    auto vertex = [&](std::int32_t node) {
        std::int32_t v = vertexOf.Find(node);
        if (v == KeyIndex::kNone) {
            v = static_cast<std::int32_t>(nodeOf.size());
            vertexOf.Set(node, v);
            nodeOf.push_back(node);
        }
        return v;
    };
    std::vector<std::int32_t> corners;
    corners.reserve(3 * triangles.size());
    for (const Triangle& t : triangles)
        for (std::int32_t node : t.nodes) corners.push_back(vertex(node));
    triangles.clear();
    triangles.shrink_to_fit();
    for (std::int32_t node : held) vertex(node);
    const auto n = static_cast<std::int32_t>(nodeOf.size());
    if (n == 0 || cancelled) return {};

    LowerPattern pattern = SidesPattern(corners, n);
    corners.clear();
    corners.shrink_to_fit();
    if (cancelled) return {};

    std::vector<std::int32_t> perm;
    if (!NestedDissection(pattern, n, perm)) return {};
    std::vector<std::int32_t> nodes(n);
    for (std::int32_t k = 0; k < n; ++k) nodes[k] = nodeOf[perm[k]];
    return nodes;
}

namespace {

// The element and constraint tables as the model loading reads them, without messages.
std::vector<std::int32_t> ReadAndCompute(const ModelFile& file,
                                         const std::atomic<bool>& cancelled) {
    NullMessageSink quiet;
    std::vector<FillOrdering::Triangle> triangles;
    {
        const ElementTable elements = ElementTable::Read(file.text, quiet);
        triangles.reserve(elements.Elements().size());
        for (const ElementEntry& element : elements.Elements()) {
            if (element.nodeCount < 3) continue;  // the solver skips these too
            const auto nodes = elements.NodesOf(element);
            triangles.push_back(
                FillOrdering::Triangle{element.number, {nodes[0], nodes[1], nodes[2]}});
        }
    }
    if (triangles.empty() || cancelled) return {};
    std::vector<std::int32_t> held;
    IntList constraints(KeyColumn::Implicit, "&CONSTR");
    constraints.ReadTable(file.text, quiet);
    for (const auto& entry : constraints.Entries()) held.push_back(entry.value);
    return FillOrdering::Compute(std::move(triangles), held, cancelled);
}

}  // namespace

std::unique_ptr<FillOrdering> FillOrdering::Start(std::shared_ptr<const ModelFile> file) {
    if (!file) return nullptr;
    std::unique_ptr<FillOrdering> ordering(new FillOrdering);
    FillOrdering* self = ordering.get();
    try {
        ordering->thread_ = std::thread([self, file = std::move(file)] {
            try {
                self->result_ = ReadAndCompute(*file, self->cancelled_);
            } catch (...) {
                // A read error or no memory: the solver orders the system itself.
                self->result_.clear();
            }
        });
    } catch (const std::system_error&) {
        return nullptr;  // no thread to be had: the solver orders the system itself
    }
    return ordering;
}

#else  // built without CHOLMOD

std::vector<std::int32_t> FillOrdering::Compute(std::vector<Triangle>,
                                                const std::vector<std::int32_t>&,
                                                const std::atomic<bool>&) {
    return {};
}

std::unique_ptr<FillOrdering> FillOrdering::Start(std::shared_ptr<const ModelFile>) {
    return nullptr;
}

#endif

std::unique_ptr<FillOrdering> FillOrdering::Given(std::vector<std::int32_t> nodes) {
    std::unique_ptr<FillOrdering> ordering(new FillOrdering);
    ordering->result_ = std::move(nodes);
    return ordering;
}

FillOrdering::~FillOrdering() {
    cancelled_ = true;
    if (thread_.joinable()) thread_.join();
}

std::vector<std::int32_t> FillOrdering::Take() {
    if (thread_.joinable()) thread_.join();
    if (taken_) return {};
    taken_ = true;
    return std::move(result_);
}

}  // namespace membrane
