// Sparse elimination of A x = B, the program's own direct solver.
//
// 1. Rows are put in ascending order of their entry count (ties: descending key), which
//    eliminates the sparsest rows first and keeps fill-in small.
// 2. Forward: each row s takes its largest entry as pivot (ties: the entry added
//    earliest) and eliminates the pivot column from every later row; entries that become
//    exactly 0 are dropped.
// 3. The row order is reversed and the rows are solved back to front.
// 4. Each right-hand-side row is renamed to the unknown its value stands for.
//
// The arithmetic follows the row and entry order exactly, since it decides the last digits
// of the results. A column index (column -> rows holding it) and a scatter array (column ->
// position in the row being updated) replace the linear searches of a plain linked list.
// Rows in the dense front of the elimination (see dense_front.h) are updated as dense
// vectors instead; every value is computed by the same operations in the same order, so
// the results are the same to the last bit.
#include "linalg/elimination.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <unordered_map>
#include <vector>

#include "common/key_index.h"
#include "common/memory_limit.h"
#include "linalg/dense_front.h"
#include "linalg/elimination_cells.h"
#include "linalg/front_kernels.h"
#include "linalg/rhs_order.h"

namespace membrane {
namespace {

// One row of A during the elimination; entries oldest first (list head = back).
struct ElimRow {
    std::int32_t key;
    CellRow cells;
};

// One row of B: at most the single value the solution needs (column 1).
struct RhsRow {
    std::int32_t key;
    bool hasEntry;
    double value;
    std::int32_t column;       // the entry's column before renaming
    std::int32_t unknown = 0;  // set when the value stands for an unknown
    bool renamed = false;
};

// Marks an entry for removal at the end of a row update (column ids are >= 0).
constexpr std::int32_t kDropped = -1;

// Every entry the rows hold beyond the assembled ones costs a cell (16 bytes, kept for the
// back substitution) and a place in the column index (4 bytes), plus the slack of growing
// vectors. The count below also takes entries that exact cancellations removed, so it runs
// ahead of the memory really used: with 16 bytes an entry against three quarters of the
// usable memory, the solve stops at about a third of it (bench/README.md has a measured
// case). The usable memory is the least of the physical memory, the process's resource
// limits and its cgroup's limit: under a limit the solve ends with TooLarge, not with an
// allocation failure.
std::size_t DefaultEntryLimit() {
    const std::uint64_t usable = UsableMemoryBytes();
    if (usable == std::numeric_limits<std::uint64_t>::max())
        return std::numeric_limits<std::size_t>::max();
    return static_cast<std::size_t>(usable / 4 * 3 / 16);
}

constexpr std::size_t kCancelPollPivots = 64;

bool GuardedDivide(double numerator, double divisor, double& quotient) {
    if (divisor == 0.0 || std::isnan(divisor)) return false;
    quotient = numerator / divisor;
    return true;
}

class Eliminator {
  public:
    // One eliminator may solve one system after another (the Newton steps of a run): its
    // work arrays keep their memory from one solve to the next.
    SolveStatus Run(SparseMatrix& system, SparseMatrix& rhs, const EliminationOptions& options) {
        system_ = &system;
        rhs_ = &rhs;
        // The dense rows take at most a quarter of the usable memory (the results do not
        // depend on how many rows are dense).
        denseFrontBytes_ = static_cast<std::size_t>(
            std::min<std::uint64_t>(options.denseFrontBytes, UsableMemoryBytes() / 4));
        entryLimit_ = options.entryLimit > 0 ? options.entryLimit : DefaultEntryLimit();
        storedGrowth_ = 0;
        cancel_ = options.cancel;
        if (system_->Empty()) return SolveStatus::Ok;
        Prepare();
        SolveStatus status = Forward();
        if (status != SolveStatus::Ok) return status;
        std::reverse(rows_.begin(), rows_.end());
        order_.Reverse();
        if (rows_.front().cells.size() > 1) return SolveStatus::NotSquare;
        status = Backward();
        if (status != SolveStatus::Ok) return status;
        WriteSolution();
        return SolveStatus::Ok;
    }

  private:
    std::int32_t ColumnId(std::int32_t column) {
        std::int32_t id = columnIds_.Find(column);
        if (id == KeyIndex::kNone) {
            id = static_cast<std::int32_t>(columnKeys_.size());
            columnIds_.Set(column, id);
            columnKeys_.push_back(column);
        }
        return id;
    }

    std::int32_t RhsRowOf(std::int32_t key) const { return rhsByKey_.Find(key); }

    void Prepare() {
        // A's rows in key order, then stably ordered by ascending entry count, ties by
        // descending key (the effect of moving the densest rows to the front one by one).
        std::vector<SparseMatrix::Row> rows = system_->TakeRowsInOrder();
        std::vector<std::int32_t> order(rows.size());
        for (std::size_t i = 0; i < rows.size(); ++i) order[i] = static_cast<std::int32_t>(i);
        std::stable_sort(order.begin(), order.end(), [&](std::int32_t a, std::int32_t b) {
            if (rows[a].entries.size() != rows[b].entries.size())
                return rows[a].entries.size() < rows[b].entries.size();
            return rows[a].key > rows[b].key;
        });
        rows_.resize(rows.size());
        columnIds_.Clear();
        columnKeys_.clear();
        KeyIndex inSystem;
        // A column takes the number of the row with the same key, so the columns near a
        // row in elimination order sit near it in the work arrays too.
        for (std::size_t i = 0; i < order.size(); ++i) ColumnId(rows[order[i]].key);
        for (std::size_t i = 0; i < order.size(); ++i) {
            SparseMatrix::Row& source = rows[order[i]];
            ElimRow& row = rows_[i];
            row.key = source.key;
            row.cells.clear();
            inSystem.Set(source.key, static_cast<std::int32_t>(i));
            row.cells.reserve(source.entries.size());
            for (const MatrixEntry& e : source.entries)
                row.cells.push_back(Cell{ColumnId(e.column), e.value});
        }
        columnRows_.resize(columnKeys_.size());
        for (auto& rowsOfColumn : columnRows_) rowsOfColumn.clear();
        for (std::size_t i = 0; i < rows_.size(); ++i)
            for (const Cell& c : rows_[i].cells)
                columnRows_[c.column].push_back(static_cast<std::int32_t>(i));

        // B's rows: those whose key is a row of A follow A's order; the others keep
        // their place behind them.
        std::vector<SparseMatrix::Row> rhsRows = rhs_->TakeRowsInOrder();
        rhsRows_.clear();
        rhsByKey_.Clear();
        std::vector<std::int32_t> front(rows_.size(), -1), back;
        for (auto& source : rhsRows) {
            const auto id = static_cast<std::int32_t>(rhsRows_.size());
            RhsRow row{source.key, !source.entries.empty(), 0.0, 1};
            if (row.hasEntry) {
                row.value = source.entries.back().value;
                row.column = source.entries.back().column;
            }
            rhsRows_.push_back(row);
            rhsByKey_.Set(source.key, id);
            const std::int32_t position = inSystem.Find(source.key);
            if (position != KeyIndex::kNone)
                front[position] = id;
            else
                back.push_back(id);
        }
        std::vector<std::int32_t> ids, keys;
        for (std::int32_t id : front)
            if (id >= 0) ids.push_back(id);
        ids.insert(ids.end(), back.begin(), back.end());
        for (std::int32_t id : ids) keys.push_back(rhsRows_[id].key);
        order_.Build(ids, keys);

        scatter_.assign(columnKeys_.size(), -1);
        seen_.assign(rows_.size(), -1);
        solution_.assign(columnKeys_.size(), 0.0);
        recorded_.assign(columnKeys_.size(), 0);
        front_ = nullptr;
        if (denseFrontBytes_ > 0) {
            if (!frontStorage_) frontStorage_ = std::make_unique<DenseFront>();
            frontStorage_->Reset(columnKeys_.size(), rows_.size(), denseFrontBytes_);
            front_ = frontStorage_.get();
        }
        // A solve that failed half-way may have left the pivot row spread out.
        std::fill(pivotValues_.begin(), pivotValues_.end(), 0.0);
    }

    // The right-hand side row for key, created in key order when missing.
    RhsRow& RhsFor(std::int32_t key) {
        std::int32_t id = RhsRowOf(key);
        if (id == KeyIndex::kNone) {
            id = static_cast<std::int32_t>(rhsRows_.size());
            rhsRows_.push_back(RhsRow{key, false, 0.0, 1});
            rhsByKey_.Set(key, id);
            order_.InsertInKeyOrder(id, key);
        }
        return rhsRows_[id];
    }

    SolveStatus Forward() {
        for (std::size_t s = 0; s < rows_.size(); ++s) {
            // A pivot of the dense front of a large mesh takes a few milliseconds: looking
            // every 64 pivots answers a cancel well within a second.
            if (s % kCancelPollPivots == 0 && cancel_ && cancel_->load(std::memory_order_relaxed))
                return SolveStatus::Cancelled;
            ElimRow& pivotRow = rows_[s];
            if (front_ && front_->DenseIndexOf(static_cast<std::int32_t>(s)) >= 0)
                front_->Materialize(static_cast<std::int32_t>(s), pivotRow.cells);
            auto& cells = pivotRow.cells;
            if (cells.empty()) return SolveStatus::RowDependence;

            // Largest magnitude; among equals the one standing last in the list, which
            // is the first in storage (oldest first).
            std::size_t best = 0;
            for (std::size_t i = 1; i < cells.size(); ++i)
                if (std::fabs(cells[i].value) > std::fabs(cells[best].value)) best = i;
            const Cell pivot = cells[best];
            cells.erase(cells.begin() + static_cast<std::ptrdiff_t>(best));
            cells.push_back(pivot);

            const std::int32_t rhsId = RhsRowOf(pivotRow.key);
            const double b = (rhsId != KeyIndex::kNone && rhsRows_[rhsId].hasEntry)
                                 ? rhsRows_[rhsId].value
                                 : 0.0;

            // The rows to update, in the order in which they got the pivot column.
            targets_.clear();
            for (std::int32_t t : columnRows_[pivot.column]) {
                if (t <= static_cast<std::int32_t>(s) || seen_[t] == static_cast<std::int32_t>(s))
                    continue;
                seen_[t] = static_cast<std::int32_t>(s);
                targets_.push_back(t);
            }
            const bool dense = front_ && PrepareDenseTargets(s);
            for (std::int32_t t : targets_) {
                const SolveStatus status = dense && front_->DenseIndexOf(t) >= 0
                                               ? EliminateDense(s, pivot, b, t)
                                               : EliminateFrom(s, pivot, b, t);
                if (status != SolveStatus::Ok) return status;
            }
            if (front_) {
                if (dense) ClearPivotScratch();
                front_->ReleaseColumn(pivot.column);
            }
            if (storedGrowth_ > static_cast<std::int64_t>(entryLimit_))
                return SolveStatus::TooLarge;
        }
        return SolveStatus::Ok;
    }

    // Makes the targets dense where the budget allows, gives the pivot row's columns their
    // slots and spreads the pivot row over them. False when no target is dense.
    bool PrepareDenseTargets(std::size_t s) {
        bool anyDense = false;
        for (std::int32_t t : targets_) {
            if (front_->DenseIndexOf(t) < 0) front_->Activate(t, rows_[t].cells, clock_);
            anyDense = anyDense || front_->DenseIndexOf(t) >= 0;
        }
        if (!anyDense) return false;
        const CellRow& source = rows_[s].cells;
        const std::size_t others = source.size() - 1;  // the pivot stands at the back
        for (std::size_t i = 0; i < others; ++i)
            if (front_->EnsureSlot(source[i].column) < 0) {
                SpillFront();
                return false;
            }
        if (pivotValues_.size() < front_->SlotCapacity()) {
            pivotValues_.resize(front_->SlotCapacity(), 0.0);
            pivotRanks_.resize(front_->SlotCapacity(), 0);
        }
        windowBegin_ = front_->SlotCapacity();
        windowEnd_ = 0;
        for (std::size_t i = 0; i < others; ++i) {
            const auto slot = static_cast<std::size_t>(front_->SlotOf(source[i].column));
            pivotValues_[slot] = source[i].value;
            pivotRanks_[slot] = static_cast<std::uint32_t>(others - 1 - i);  // 0: head of the list
            windowBegin_ = std::min(windowBegin_, slot);
            windowEnd_ = std::max(windowEnd_, slot + 1);
        }
        if (windowEnd_ < windowBegin_) windowBegin_ = windowEnd_ = 0;
        return true;
    }

    void ClearPivotScratch() {
        std::fill(pivotValues_.begin() + static_cast<std::ptrdiff_t>(windowBegin_),
                  pivotValues_.begin() + static_cast<std::ptrdiff_t>(windowEnd_), 0.0);
    }

    // The dense front would outgrow its budget: every dense row goes back to cells and the
    // rest of the elimination runs on cells alone.
    void SpillFront() {
        for (std::size_t row = 0; row < rows_.size(); ++row) {
            const auto r = static_cast<std::int32_t>(row);
            if (front_->DenseIndexOf(r) >= 0) front_->Materialize(r, rows_[row].cells);
        }
        front_ = nullptr;
    }

    // Row t as a dense vector: the same operations as EliminateFrom, value by value.
    // Slots where the pivot row has no entry see v - f * 0 = v, which leaves every finite
    // and infinite value and every missing entry (0) as it is; only a non-finite factor
    // could change them (inf * 0 = NaN), and then the row is updated entry by entry.
    SolveStatus EliminateDense(std::size_t s, const Cell& pivot, double b, std::int32_t t) {
        const std::int32_t index = front_->DenseIndexOf(t);
        double* v = front_->Values(index);
        const std::int32_t pivotSlot = front_->SlotOf(pivot.column);
        if (pivotSlot < 0 || v[pivotSlot] == 0.0) return SolveStatus::Ok;  // lost to an exact zero
        double f;
        if (!GuardedDivide(v[pivotSlot], pivot.value, f)) return SolveStatus::DivisionByZero;
        v[pivotSlot] = 0.0;
        --storedGrowth_;
        DenseFront::Stamp* stamps = front_->Stamps(index);

        const CellRow& source = rows_[s].cells;
        const std::size_t others = source.size() - 1;
        const std::size_t width = windowEnd_ - windowBegin_;
        if (!std::isfinite(f) || width > 4 * others + 64) {
            // Entry by entry in list order; new entries are stamped in that order.
            for (std::size_t i = others; i-- > 0;) {
                const Cell& a = source[i];
                const std::int32_t slot = front_->SlotOf(a.column);
                double& value = v[slot];
                if (value == 0.0) {
                    stamps[slot] = ++clock_;
                    columnRows_[a.column].push_back(t);
                    ++storedGrowth_;
                }
                value = value - f * a.value;
            }
        } else {
            const double* a = pivotValues_.data();
            newBlocks_.resize(width / kNewEntryBlock + 1);
            if (SubtractScaledExceptNew(v + windowBegin_, a + windowBegin_, f, width,
                                        newBlocks_.data())) {
                // New entries come in the pivot row's list order: stamp = base + rank.
                for (std::size_t block = 0; block < newBlocks_.size(); ++block) {
                    if (!newBlocks_[block]) continue;
                    const std::size_t begin = windowBegin_ + block * kNewEntryBlock;
                    const std::size_t end = std::min(windowEnd_, begin + kNewEntryBlock);
                    for (std::size_t slot = begin; slot < end; ++slot)
                        if (v[slot] == 0.0 && a[slot] != 0.0) {
                            stamps[slot] = clock_ + 1 + pivotRanks_[slot];
                            columnRows_[front_->ColumnOfSlot(static_cast<std::int32_t>(slot))]
                                .push_back(t);
                            ++storedGrowth_;
                        }
                    SubtractScaled(v + begin, a + begin, f, end - begin);
                }
                clock_ += others;
            }
        }
        SubtractFromRhs(t, f * b);
        return SolveStatus::Ok;
    }

    void SubtractFromRhs(std::int32_t t, double fb) {
        if (fb == 0.0) return;
        RhsRow& row = RhsFor(rows_[t].key);
        if (!row.hasEntry) {
            row.hasEntry = true;
            row.column = 1;
            row.value = -fb;
        } else {
            row.value = row.value - fb;
        }
    }

    SolveStatus EliminateFrom(std::size_t s, const Cell& pivot, double b, std::int32_t t) {
        auto& target = rows_[t].cells;
        // One pass finds the pivot column and spreads the row's columns into the scatter
        // array; the entry in the pivot column is marked and dropped in the final pass,
        // together with entries that became exactly 0, so the list order stays as if each
        // had been unlinked at once.
        std::int32_t hit = -1;
        for (std::size_t i = 0; i < target.size(); ++i) {
            const std::int32_t column = target[i].column;
            scatter_[column] = static_cast<std::int32_t>(i);
            if (column == pivot.column) hit = static_cast<std::int32_t>(i);
        }
        if (hit < 0) {  // lost the column to an exact zero
            for (const Cell& c : target) scatter_[c.column] = -1;
            return SolveStatus::Ok;
        }
        double f;
        if (!GuardedDivide(target[hit].value, pivot.value, f)) {
            for (const Cell& c : target) scatter_[c.column] = -1;
            return SolveStatus::DivisionByZero;
        }
        scatter_[pivot.column] = -1;
        target[hit].column = kDropped;
        --storedGrowth_;

        const auto& source = rows_[s].cells;
        // The pivot row's other entries in list order: storage from back to front,
        // skipping the pivot at the back.
        for (std::size_t i = source.size() - 1; i-- > 0;) {
            const Cell& a = source[i];
            std::int32_t at = scatter_[a.column];
            if (at < 0) {
                at = static_cast<std::int32_t>(target.size());
                target.push_back(Cell{a.column, 0.0});
                scatter_[a.column] = at;
                columnRows_[a.column].push_back(t);
                ++storedGrowth_;
            }
            Cell& cell = target[at];
            cell.value = cell.value - f * a.value;
            if (cell.value == 0.0) cell.column = kDropped - 1 - cell.column;  // exact zero: drop
        }
        std::size_t kept = 0;
        for (std::size_t i = 0; i < target.size(); ++i) {
            const std::int32_t column = target[i].column;
            if (column >= 0) {
                scatter_[column] = -1;
                target[kept++] = target[i];
            } else if (column < kDropped) {
                scatter_[kDropped - 1 - column] = -1;
            }
        }
        target.resize(kept);

        SubtractFromRhs(t, f * b);
        return SolveStatus::Ok;
    }

    SolveStatus Backward() {
        for (ElimRow& row : rows_) {
            auto& cells = row.cells;
            const Cell pivot = cells.back();
            cells.pop_back();
            for (std::size_t i = cells.size(); i-- > 0;) {
                const Cell& a = cells[i];
                if (!recorded_[a.column]) continue;
                RhsRow& rhs = RhsFor(row.key);
                if (!rhs.hasEntry) {
                    rhs.hasEntry = true;
                    rhs.column = 1;
                    rhs.value = 0.0;
                }
                rhs.value = rhs.value - a.value * solution_[a.column];
            }
            const std::int32_t id = RhsRowOf(row.key);
            if (id == KeyIndex::kNone || !rhsRows_[id].hasEntry) continue;
            RhsRow& rhs = rhsRows_[id];
            double x;
            if (!GuardedDivide(rhs.value, pivot.value, x)) return SolveStatus::DivisionByZero;
            rhs.value = x;
            rhs.unknown = columnKeys_[pivot.column];
            rhs.renamed = true;
            solution_[pivot.column] = x;
            recorded_[pivot.column] = 1;
        }
        return SolveStatus::Ok;
    }

    void WriteSolution() {
        std::vector<SparseMatrix::Row> out;
        const std::vector<std::int32_t> ids = order_.Ids();
        out.reserve(ids.size());
        for (std::int32_t id : ids) {
            const RhsRow& row = rhsRows_[id];
            SparseMatrix::Row result{row.renamed ? row.unknown : row.key, {}};
            if (row.hasEntry)
                result.entries.push_back(MatrixEntry{row.renamed ? 1 : row.column, row.value});
            out.push_back(std::move(result));
        }
        rhs_->AssignRowsInOrder(std::move(out));
    }

    SparseMatrix* system_ = nullptr;
    SparseMatrix* rhs_ = nullptr;
    std::size_t denseFrontBytes_ = 0;
    std::size_t entryLimit_ = 0;
    const std::atomic<bool>* cancel_ = nullptr;  // set by another thread: stop
    // Entries created minus entries eliminated so far in this solve: how much more the rows
    // hold than the assembled matrix did.
    std::int64_t storedGrowth_ = 0;
    std::unique_ptr<DenseFront> frontStorage_;
    DenseFront* front_ = nullptr;  // null: every row stays a list of cells
    DenseFront::Stamp clock_ = 0;
    std::vector<std::int32_t> targets_;
    std::vector<unsigned char> newBlocks_;
    std::vector<double> pivotValues_;              // the pivot row over the slots, 0 elsewhere
    std::vector<std::uint32_t> pivotRanks_;        // its entries' places in list order
    std::size_t windowBegin_ = 0, windowEnd_ = 0;  // slots holding the pivot row
    std::vector<ElimRow> rows_;
    KeyIndex columnIds_;
    std::vector<std::int32_t> columnKeys_;
    std::vector<std::vector<std::int32_t>> columnRows_;
    std::vector<RhsRow> rhsRows_;
    KeyIndex rhsByKey_;
    RhsOrder order_;
    std::vector<std::int32_t> scatter_;
    std::vector<std::int32_t> seen_;
    std::vector<double> solution_;
    std::vector<char> recorded_;
};

}  // namespace

struct EliminationWorkspace::Impl {
    Eliminator eliminator;
};

EliminationWorkspace::EliminationWorkspace() : impl_(std::make_unique<Impl>()) {}
EliminationWorkspace::~EliminationWorkspace() = default;

SolveStatus Solve(SparseMatrix& system, SparseMatrix& rightHandSide) {
    return Solve(system, rightHandSide, EliminationOptions{});
}

SolveStatus Solve(SparseMatrix& system, SparseMatrix& rightHandSide,
                  const EliminationOptions& options) {
    SolveStatus status;
    if (options.workspace != nullptr) {
        status = options.workspace->impl_->eliminator.Run(system, rightHandSide, options);
    } else {
        Eliminator eliminator;
        status = eliminator.Run(system, rightHandSide, options);
    }
    system.Clear();
    if (status != SolveStatus::Ok) rightHandSide.Clear();
    return status;
}

}  // namespace membrane
