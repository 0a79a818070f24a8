#include "ui/grid_columns.h"

#include <QFontMetrics>
#include <QHeaderView>
#include <QScrollBar>
#include <QStyle>
#include <QTableView>
#include <algorithm>

namespace membrane {

namespace {

// Room beside the text: the cell's margins and the grid line.
constexpr int kCellPadding = 10;

}  // namespace

QString WidestNumber(std::int64_t lowest, std::int64_t highest) {
    const QString low = QString::number(lowest), high = QString::number(highest);
    return low.size() > high.size() ? low : high;
}

void FitColumn(QTableView& grid, int column, const QString& widestText, int atLeast) {
    const int text = QFontMetrics(grid.font()).horizontalAdvance(widestText) + kCellPadding;
    grid.setColumnWidth(column, std::max({kGridColumnWidth, atLeast, text}));
}

void FitGridWidth(QTableView& grid, int designWidth) {
    int columns = 0;
    for (int column = 0; column < grid.horizontalHeader()->count(); ++column)
        columns += grid.columnWidth(column);
    const int bar = grid.style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, &grid);
    grid.setFixedWidth(std::max(designWidth, columns + bar + 2 * grid.frameWidth()));
}

}  // namespace membrane
