#include "desktop/grid_columns.h"

#include <QFontMetrics>
#include <QHeaderView>
#include <QScrollBar>
#include <QStyle>
#include <QTableView>
#include <algorithm>

#include "common/number_format.h"

namespace membrane {

namespace {

// Room beside the text: the cell's margins and the grid line.
constexpr int kCellPadding = 10;
// The narrowest a grid gets when the window is made small (a small or scaled screen): its
// columns then scroll.
constexpr int kLeastGridWidth = 120;

// Between two extremes the text grows no longer than at one of them.
QString Longer(const QString& a, const QString& b) {
    return a.size() > b.size() ? a : b;
}

}  // namespace

QString WidestNumber(std::int64_t lowest, std::int64_t highest) {
    return Longer(QString::number(lowest), QString::number(highest));
}

QString WidestFixed(double lowest, double highest, int precision, int decimals) {
    return Longer(QString::fromStdString(FormatFixed(lowest, precision, decimals)),
                  QString::fromStdString(FormatFixed(highest, precision, decimals)));
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
    // At least the design width; more, up to the columns' width, only where the notebook
    // has the room (the grid never widens the window).
    grid.setMinimumWidth(std::min(designWidth, kLeastGridWidth));
    grid.setMaximumWidth(std::max(designWidth, columns + bar + 2 * grid.frameWidth()));
}

}  // namespace membrane
