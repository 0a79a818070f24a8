#include "ui/convergence_plot.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

namespace membrane {
namespace {

double IncrementSize(const NewtonStepRecord& step) {
    return std::fabs(step.largest) + std::fabs(step.smallest);
}

// Powers of ten that enclose the values (at least one decade).
std::pair<double, double> Decades(double low, double high) {
    const double bottom = std::floor(std::log10(std::max(low, 1e-300)));
    const double top = std::ceil(std::log10(std::max(high, 1e-300)));
    return {bottom, std::max(top, bottom + 1)};
}

}  // namespace

ConvergencePlot::ConvergencePlot(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("convergencePlot"));
    setMinimumSize(240, 160);
}

void ConvergencePlot::SetHistory(NewtonHistory history, double accuracy) {
    history_ = std::move(history);
    accuracy_ = accuracy;
    update();
}

void ConvergencePlot::SetCaptions(const QString& title, const QString& step, const QString& empty,
                                  double boundFactor) {
    title_ = title;
    step_ = step;
    empty_ = empty;
    boundFactor_ = boundFactor;
    update();
}

void ConvergencePlot::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
    p.setRenderHint(QPainter::Antialiasing);
    const QFontMetrics metrics(font());
    if (history_.empty()) {
        p.drawText(rect(), Qt::AlignCenter, empty_);
        return;
    }
    const int margin = metrics.horizontalAdvance(QStringLiteral("1e-000")) + 10;
    const QRect frame(margin, metrics.height() + 8, width() - 2 * margin,
                      height() - 2 * metrics.height() - 20);
    if (frame.width() < 20 || frame.height() < 20) return;

    // Scales: the increment on log10 (left), the area linear (right), the step across.
    const double bound = boundFactor_ * accuracy_;
    double low = bound, high = bound;
    double areaLow = history_.front().area, areaHigh = areaLow;
    for (const NewtonStepRecord& step : history_) {
        const double size = IncrementSize(step);
        if (size > 0 && std::isfinite(size)) low = std::min(low, size), high = std::max(high, size);
        if (std::isfinite(step.area))
            areaLow = std::min(areaLow, step.area), areaHigh = std::max(areaHigh, step.area);
    }
    const auto [bottom, top] = Decades(low > 0 ? low : 1e-16, high > 0 ? high : 1);
    if (areaHigh <= areaLow) areaHigh = areaLow + std::max(1e-12, std::fabs(areaLow) * 1e-9);
    const int n = static_cast<int>(history_.size());
    auto x = [&](int k) {
        return frame.left() + (n == 1 ? frame.width() / 2.0 : frame.width() * k / (n - 1.0));
    };
    auto yLog = [&](double v) {
        const double t = (std::log10(std::max(v, 1e-300)) - bottom) / (top - bottom);
        return frame.bottom() - std::clamp(t, 0.0, 1.0) * frame.height();
    };
    auto yArea = [&](double a) {
        return frame.bottom() - (a - areaLow) / (areaHigh - areaLow) * frame.height();
    };

    p.setPen(QColor(220, 220, 220));
    for (double d = bottom; d <= top; d += 1)
        p.drawLine(QPointF(frame.left(), yLog(std::pow(10, d))),
                   QPointF(frame.right(), yLog(std::pow(10, d))));
    p.setPen(Qt::black);
    p.drawRect(frame);
    for (double d = bottom; d <= top; d += std::max(1.0, std::ceil((top - bottom) / 8))) {
        const QString label = QStringLiteral("1e%1").arg(static_cast<int>(d));
        p.drawText(
            QRectF(0, yLog(std::pow(10, d)) - metrics.height() / 2.0, margin - 4, metrics.height()),
            Qt::AlignRight | Qt::AlignVCenter, label);
    }
    p.drawText(
        QRectF(frame.right() + 4, frame.top() - metrics.height() / 2.0, margin, metrics.height()),
        Qt::AlignLeft | Qt::AlignVCenter, QString::number(areaHigh, 'g', 7));
    p.drawText(QRectF(frame.right() + 4, frame.bottom() - metrics.height() / 2.0, margin,
                      metrics.height()),
               Qt::AlignLeft | Qt::AlignVCenter, QString::number(areaLow, 'g', 7));
    p.drawText(QRect(0, 0, width(), metrics.height() + 4), Qt::AlignCenter, title_);
    p.drawText(QRect(0, height() - metrics.height() - 4, width(), metrics.height() + 4),
               Qt::AlignCenter, step_);

    // The convergence bound (2 x accuracy for Newton steps).
    p.setPen(QPen(QColor(0, 128, 0), 1, Qt::DashLine));
    p.drawLine(QPointF(frame.left(), yLog(bound)), QPointF(frame.right(), yLog(bound)));

    QPainterPath increments, areas;
    for (int k = 0; k < n; ++k) {
        const NewtonStepRecord& step = history_[k];
        if (step.restarted) {
            p.setPen(QPen(QColor(200, 120, 0), 1, Qt::DotLine));
            p.drawLine(QPointF(x(k), frame.top()), QPointF(x(k), frame.bottom()));
        }
        const QPointF point(x(k), yLog(IncrementSize(step)));
        const QPointF area(
            x(k), std::clamp(yArea(step.area), double(frame.top()), double(frame.bottom())));
        if (k == 0 || step.restarted) {
            increments.moveTo(point);
            areas.moveTo(area);
        } else {
            increments.lineTo(point);
            areas.lineTo(area);
        }
    }
    p.setPen(QPen(QColor(0, 0, 200), 2));
    p.drawPath(increments);
    p.setPen(QPen(QColor(200, 0, 0), 1));
    p.drawPath(areas);
    p.setBrush(QColor(0, 0, 200));
    p.setPen(Qt::NoPen);
    for (int k = 0; k < n; ++k)
        p.drawEllipse(QPointF(x(k), yLog(IncrementSize(history_[k]))), 3, 3);
}

}  // namespace membrane
