// The elimination must give the same bits whichever way it stores the rows: as lists of
// cells, with the front as dense vectors, or switching from one to the other when the
// dense front runs out of memory; and the same bits as a plain linked-list elimination
// that follows the rules word for word.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <iterator>
#include <limits>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "linalg/elimination.h"
#include "literal_elimination.h"

namespace membrane {
namespace {

struct Triple {
    std::int32_t row, column;
    double value;
};

struct System {
    std::vector<Triple> a;  // in the order the entries are set
    std::vector<Triple> b;
};

// Row keys in list order and entries newest first; values compared by their bits.
std::string Describe(const std::vector<std::pair<std::int32_t, std::vector<MatrixEntry>>>& rows) {
    std::string out;
    for (const auto& [key, entries] : rows) {
        out += std::to_string(key) + ":";
        for (const MatrixEntry& e : entries) {
            std::uint64_t bits;
            std::memcpy(&bits, &e.value, sizeof bits);
            out += " " + std::to_string(e.column) + "=" + std::to_string(bits);
        }
        out += "\n";
    }
    return out;
}

// Every row, also a second one with a key that the renaming has given twice.
std::string Describe(SparseMatrix& m) {
    std::vector<std::pair<std::int32_t, std::vector<MatrixEntry>>> rows;
    for (SparseMatrix::Row& row : m.TakeRowsInOrder()) {
        std::reverse(row.entries.begin(), row.entries.end());  // stored oldest first
        rows.push_back({row.key, std::move(row.entries)});
    }
    return Describe(rows);
}

std::pair<SolveStatus, std::string> RunProgram(const System& system, std::size_t denseFrontBytes,
                                               EliminationWorkspace* workspace = nullptr) {
    SparseMatrix a, b;
    for (const Triple& t : system.a) a.SetEntry(t.row, t.column, t.value);
    for (const Triple& t : system.b) b.SetEntry(t.row, t.column, t.value);
    const SolveStatus status = Solve(a, b, EliminationOptions{denseFrontBytes, workspace});
    return {status, status == SolveStatus::Ok ? Describe(b) : std::string()};
}

std::pair<SolveStatus, std::string> RunLiteral(const System& system) {
    test::LiteralMatrix a, b;
    for (const Triple& t : system.a) a.SetEntry(t.row, t.column, t.value);
    for (const Triple& t : system.b) b.SetEntry(t.row, t.column, t.value);
    const SolveStatus status = test::LiteralSolve(a, b);
    return {status, status == SolveStatus::Ok ? Describe(b.Dump()) : std::string()};
}

// A random system with a mesh-like symmetric pattern. Small integer-like values make
// ties between pivot candidates and exact cancellations common; keys are scattered and
// may be negative; entries are set in random order, some twice, some back to 0.
System RandomSystem(std::mt19937& random, bool specialValues) {
    std::uniform_int_distribution<int> sizeOf(1, 24);
    const int n = sizeOf(random);
    std::vector<std::int32_t> keys;
    std::uniform_int_distribution<int> keyOf(-5, 60);
    while (static_cast<int>(keys.size()) < n) {
        const int k = keyOf(random);
        if (std::find(keys.begin(), keys.end(), k) == keys.end()) keys.push_back(k);
    }
    const double values[] = {1, -1, 2, -2, 0.5, 3, -4, 0.25, 1e10, 7};
    std::uniform_int_distribution<int> valueOf(0, 9);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    auto value = [&] {
        if (specialValues && unit(random) < 0.04) return std::numeric_limits<double>::infinity();
        return unit(random) < 0.7 ? values[valueOf(random)] : unit(random) - 0.5;
    };
    System s;
    for (int i = 0; i < n; ++i) {
        if (unit(random) < 0.95) s.a.push_back({keys[i], keys[i], value()});
        for (int j = 0; j < i; ++j)
            if (unit(random) < 0.3) {
                s.a.push_back({keys[i], keys[j], value()});
                s.a.push_back({keys[j], keys[i], unit(random) < 0.8 ? s.a.back().value : value()});
            }
    }
    // Pivot columns away from the diagonal now and then.
    if (n > 1 && unit(random) < 0.3) s.a.push_back({keys[0], keys[n - 1], 5.0});
    std::shuffle(s.a.begin(), s.a.end(), random);
    for (std::size_t k = 0; k < s.a.size() / 6; ++k) {
        Triple again = s.a[k];
        again.value = unit(random) < 0.5 ? 0.0 : value();
        s.a.push_back(again);
    }
    for (int i = 0; i < n; ++i)
        if (unit(random) < 0.7) s.b.push_back({keys[i], 1, value()});
    if (unit(random) < 0.2) s.b.push_back({keyOf(random) + 100, 1, 2.0});  // a key A lacks
    return s;
}

// Budgets: none (cells only), room for one or a few dense rows of the first slot
// capacity (the front has to spill back to cells), and the default.
const std::size_t kBudgets[] = {0, 5'000, 20'000, EliminationOptions{}.denseFrontBytes};

TEST(EliminationEquivalence, RandomSystemsMatchTheLinkedListRules) {
    std::mt19937 random(20261207);
    int solved = 0, failed = 0;
    // One workspace per budget for all the trials, failed ones included: what a solve
    // leaves behind must not reach the next one.
    EliminationWorkspace workspaces[std::size(kBudgets)];
    for (int trial = 0; trial < 3000; ++trial) {
        const System system = RandomSystem(random, false);
        const auto expected = RunLiteral(system);
        (expected.first == SolveStatus::Ok ? solved : failed)++;
        for (std::size_t k = 0; k < std::size(kBudgets); ++k) {
            const std::size_t budget = kBudgets[k];
            for (EliminationWorkspace* workspace :
                 {static_cast<EliminationWorkspace*>(nullptr), &workspaces[k]}) {
                const auto got = RunProgram(system, budget, workspace);
                ASSERT_EQ(got.first, expected.first) << "trial " << trial << " budget " << budget;
                ASSERT_EQ(got.second, expected.second) << "trial " << trial << " budget " << budget;
            }
        }
    }
    // Both outcomes must be well represented for the comparison to mean something.
    EXPECT_GT(solved, 500);
    EXPECT_GT(failed, 100);
}

TEST(EliminationEquivalence, InfiniteValuesGiveTheSameBitsDenseOrNot) {
    // An infinite factor must not spread NaN over the dense row (inf * 0): the dense
    // update has to fall back to entry-by-entry updates.
    std::mt19937 random(7);
    for (int trial = 0; trial < 2000; ++trial) {
        const System system = RandomSystem(random, true);
        const auto expected = RunProgram(system, 0);
        for (std::size_t budget : kBudgets) {
            const auto got = RunProgram(system, budget);
            ASSERT_EQ(got.first, expected.first) << "trial " << trial << " budget " << budget;
            ASSERT_EQ(got.second, expected.second) << "trial " << trial << " budget " << budget;
        }
    }
}

// A grid of n x n nodes with a five-point pattern, rows set in key order. The boundary
// rows have fewer entries and go first, which makes the next ring a dense clique: the
// front grows past the first slot capacity and is compacted many times.
System GridSystem(int n, std::mt19937& random) {
    std::uniform_real_distribution<double> jitter(-0.01, 0.01);
    System s;
    auto key = [n](int i, int j) { return 1 + j * n + i; };
    for (int j = 0; j < n; ++j)
        for (int i = 0; i < n; ++i) {
            s.a.push_back({key(i, j), key(i, j), 4.0 + jitter(random)});
            if (i > 0) s.a.push_back({key(i, j), key(i - 1, j), -1.0});
            if (i + 1 < n) s.a.push_back({key(i, j), key(i + 1, j), -1.0});
            if (j > 0) s.a.push_back({key(i, j), key(i, j - 1), -1.0 + jitter(random)});
            if (j + 1 < n) s.a.push_back({key(i, j), key(i, j + 1), -1.0 + jitter(random)});
            s.b.push_back({key(i, j), 1, 1.0 + jitter(random)});
        }
    return s;
}

TEST(EliminationEquivalence, LargeFrontGivesTheSameBitsDenseOrNot) {
    std::mt19937 random(3);
    const System system = GridSystem(48, random);
    const auto expected = RunProgram(system, 0);
    ASSERT_EQ(expected.first, SolveStatus::Ok);
    // 200 kB and 500 kB hold the front only for a while: the slots cannot grow, every dense
    // row goes back to cells and the rest runs on cells. The workspace carries the big
    // front of one solve into the next ones.
    EliminationWorkspace workspace;
    for (std::size_t budget : {EliminationOptions{}.denseFrontBytes, std::size_t{200'000},
                               std::size_t{500'000}, EliminationOptions{}.denseFrontBytes}) {
        const auto got = RunProgram(system, budget, &workspace);
        EXPECT_EQ(got.first, SolveStatus::Ok);
        EXPECT_TRUE(got.second == expected.second) << "budget " << budget;
    }
}

}  // namespace
}  // namespace membrane

namespace membrane {
namespace {

TEST(EliminationLimits, FillBeyondTheEntryLimitEndsTheSolveInsteadOfTheMemory) {
    std::mt19937 random(5);
    const System system = GridSystem(30, random);
    for (std::size_t budget : {std::size_t{0}, EliminationOptions{}.denseFrontBytes}) {
        SparseMatrix a, b;
        for (const Triple& t : system.a) a.SetEntry(t.row, t.column, t.value);
        for (const Triple& t : system.b) b.SetEntry(t.row, t.column, t.value);
        EliminationOptions options;
        options.denseFrontBytes = budget;
        options.entryLimit = 2000;
        EXPECT_EQ(Solve(a, b, options), SolveStatus::TooLarge);
        EXPECT_TRUE(a.Empty());
        EXPECT_TRUE(b.Empty());
    }
    // The same system within the limit.
    const auto solved = RunProgram(system, EliminationOptions{}.denseFrontBytes);
    EXPECT_EQ(solved.first, SolveStatus::Ok);
}

}  // namespace
}  // namespace membrane
