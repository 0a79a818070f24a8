// A word-for-word elimination on singly linked lists, slow and plain, kept only as the
// yardstick for the program's elimination: rows found by walking the row list, entries by
// walking the entry list, new entries at the head, the pivot moved to the head, every
// exact zero unlinked at once. The program's solver must give the same bits.
#pragma once

#include <cmath>
#include <cstdint>
#include <deque>
#include <utility>
#include <vector>

#include "linalg/solve_status.h"
#include "linalg/sparse_matrix.h"

namespace membrane::test {

class LiteralMatrix {
  public:
    struct Entry {
        std::int32_t column;
        double value;
        Entry* next;
    };
    struct Row {
        std::int32_t key;
        Entry* first;
        Row* next;
    };

    Row* first = nullptr;

    Row* Find(std::int32_t key, Row** before = nullptr) {
        Row* previous = nullptr;
        for (Row* r = first; r != nullptr; previous = r, r = r->next)
            if (r->key == key) {
                if (before) *before = previous;
                return r;
            }
        return nullptr;
    }
    Row* InsertInKeyOrder(std::int32_t key) {
        Row* previous = nullptr;
        Row* r = first;
        while (r != nullptr && r->key < key) previous = r, r = r->next;
        Row* row = &rows_.emplace_back(Row{key, nullptr, r});
        (previous ? previous->next : first) = row;
        return row;
    }
    static Entry* FindEntry(Row* row, std::int32_t column, Entry** before = nullptr) {
        Entry* previous = nullptr;
        for (Entry* e = row->first; e != nullptr; previous = e, e = e->next)
            if (e->column == column) {
                if (before) *before = previous;
                return e;
            }
        return nullptr;
    }
    Entry* AddAtHead(Row* row, std::int32_t column, double value) {
        Entry* e = &entries_.emplace_back(Entry{column, value, row->first});
        row->first = e;
        return e;
    }
    static void Unlink(Row* row, Entry* e, Entry* before) {
        (before ? before->next : row->first) = e->next;
    }
    static void RemoveColumn(Row* row, std::int32_t column) {
        Entry* before = nullptr;
        if (Entry* e = FindEntry(row, column, &before)) Unlink(row, e, before);
    }
    void MoveToFront(std::int32_t key) {
        Row* before = nullptr;
        Row* row = Find(key, &before);
        if (row == nullptr || before == nullptr) return;
        before->next = row->next;
        row->next = first;
        first = row;
    }
    void Reverse() {
        Row* reversed = nullptr;
        while (first) {
            Row* next = first->next;
            first->next = reversed;
            reversed = first;
            first = next;
        }
        first = reversed;
    }
    void SetEntry(std::int32_t key, std::int32_t column, double value) {
        Row* row = Find(key);
        if (row == nullptr) {
            if (value == 0.0 || std::isnan(value)) return;
            row = InsertInKeyOrder(key);
        }
        Entry* before = nullptr;
        if (Entry* e = FindEntry(row, column, &before)) {
            if (value == 0.0)
                Unlink(row, e, before);
            else
                e->value = value;
        } else if (value != 0.0) {
            AddAtHead(row, column, value);
        }
    }
    // Rows in list order, entries in list order (newest first).
    std::vector<std::pair<std::int32_t, std::vector<MatrixEntry>>> Dump() const {
        std::vector<std::pair<std::int32_t, std::vector<MatrixEntry>>> out;
        for (const Row* r = first; r != nullptr; r = r->next) {
            out.push_back({r->key, {}});
            for (const Entry* e = r->first; e != nullptr; e = e->next)
                out.back().second.push_back({e->column, e->value});
        }
        return out;
    }

  private:
    std::deque<Row> rows_;
    std::deque<Entry> entries_;
};

inline SolveStatus LiteralSolve(LiteralMatrix& a, LiteralMatrix& b) {
    using Row = LiteralMatrix::Row;
    using Entry = LiteralMatrix::Entry;
    if (a.first == nullptr) return SolveStatus::Ok;
    auto divide = [](double numerator, double divisor, double& q) {
        if (divisor == 0.0 || std::isnan(divisor)) return false;
        q = numerator / divisor;
        return true;
    };

    // Densest rows to the front one by one: ascending counts, ties in descending key.
    std::vector<std::pair<std::int32_t, std::size_t>> counts;
    for (Row* r = a.first; r; r = r->next) {
        std::size_t n = 0;
        for (Entry* e = r->first; e; e = e->next) ++n;
        counts.push_back({r->key, n});
    }
    while (!counts.empty()) {
        std::size_t best = 0;
        for (std::size_t i = 1; i < counts.size(); ++i)
            if (counts[i].second > counts[best].second) best = i;
        a.MoveToFront(counts[best].first);
        b.MoveToFront(counts[best].first);
        counts.erase(counts.begin() + static_cast<std::ptrdiff_t>(best));
    }

    std::vector<std::pair<std::int32_t, double>> recorded;  // unknown -> x
    auto lookup = [&](std::int32_t k, double& x) {
        for (auto& [unknown, value] : recorded)
            if (unknown == k) {
                x = value;
                return true;
            }
        return false;
    };

    for (Row* s = a.first; s; s = s->next) {
        if (s->first == nullptr) return SolveStatus::RowDependence;
        Entry* pivot = s->first;
        Entry* pivotBefore = nullptr;
        Entry* previous = nullptr;
        for (Entry* e = s->first; e; previous = e, e = e->next)
            if (std::fabs(e->value) >= std::fabs(pivot->value)) pivot = e, pivotBefore = previous;
        if (pivot != s->first) {
            LiteralMatrix::Unlink(s, pivot, pivotBefore);
            pivot->next = s->first;
            s->first = pivot;
        }
        const std::int32_t p = pivot->column;
        const double v = pivot->value;
        Row* bs = b.Find(s->key);
        const double rhs = (bs && bs->first) ? bs->first->value : 0.0;
        for (Row* t = s->next; t; t = t->next) {
            Entry* w = LiteralMatrix::FindEntry(t, p);
            if (w == nullptr) continue;
            double f;
            if (!divide(w->value, v, f)) return SolveStatus::DivisionByZero;
            LiteralMatrix::RemoveColumn(t, p);
            for (Entry* e = pivot->next; e; e = e->next) {
                Entry* before = nullptr;
                Entry* target = LiteralMatrix::FindEntry(t, e->column, &before);
                if (target == nullptr) target = a.AddAtHead(t, e->column, 0.0), before = nullptr;
                target->value = target->value - f * e->value;
                if (target->value == 0.0) LiteralMatrix::Unlink(t, target, before);
            }
            const double fb = f * rhs;
            if (fb != 0.0) {
                Row* bt = b.Find(t->key);
                if (bt == nullptr)
                    b.AddAtHead(b.InsertInKeyOrder(t->key), 1, -fb);
                else if (bt->first == nullptr)
                    b.AddAtHead(bt, 1, -fb);
                else
                    bt->first->value = bt->first->value - fb;
            }
        }
    }
    a.Reverse();
    b.Reverse();
    if (a.first->first && a.first->first->next) return SolveStatus::NotSquare;

    std::vector<std::pair<Row*, std::int32_t>> renamed;  // B row -> unknown
    for (Row* s = a.first; s; s = s->next) {
        Entry* pivot = s->first;
        s->first = pivot->next;
        for (Entry* e = s->first; e; e = e->next) {
            double x;
            if (!lookup(e->column, x)) continue;
            Row* bs = b.Find(s->key);
            if (bs == nullptr) bs = b.InsertInKeyOrder(s->key);
            if (bs->first == nullptr) b.AddAtHead(bs, 1, 0.0);
            bs->first->value = bs->first->value - e->value * x;
        }
        Row* bs = b.Find(s->key);
        if (bs == nullptr || bs->first == nullptr) continue;
        double x;
        if (!divide(bs->first->value, pivot->value, x)) return SolveStatus::DivisionByZero;
        bs->first->value = x;
        recorded.push_back({pivot->column, x});
        renamed.push_back({bs, pivot->column});
    }
    for (auto& [row, unknown] : renamed) {
        row->key = unknown;
        row->first->column = 1;
    }
    return SolveStatus::Ok;
}

}  // namespace membrane::test
