// Column widths of the results window's grids, taken from what the cells will hold: the
// widest node or element number of the table and the widest value, so that "node 1234567"
// is never cut and a grid shows no horizontal scroll bar. The grids make their cells on
// demand, so the widths come from the numbers (extremes), not from measuring every cell.
#pragma once

#include <QString>
#include <cstdint>

class QTableView;

namespace membrane {

// The narrowest a column gets: the classic grids' column width.
constexpr int kGridColumnWidth = 80;

// Of the numbers from `lowest` to `highest`, the one with the most characters, as text.
QString WidestNumber(std::int64_t lowest, std::int64_t highest);
// Of the values from `lowest` to `highest` in the fixed format (FormatFixed), the widest.
QString WidestFixed(double lowest, double highest, int precision, int decimals);

// Sets column `column` of `grid` wide enough for `widestText` in the grid's font (at least
// kGridColumnWidth, or `atLeast` when that is wider).
void FitColumn(QTableView& grid, int column, const QString& widestText, int atLeast = 0);

// Lets `grid` grow to the width of its columns, its vertical scroll bar and its frame (its
// maximum width): where its page has the room the columns fit without a horizontal scroll
// bar. It gets narrower than `designWidth` only in a window made small.
void FitGridWidth(QTableView& grid, int designWidth);

}  // namespace membrane
