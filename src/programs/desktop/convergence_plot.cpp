#include "desktop/convergence_plot.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

namespace membrane {
namespace {

const QColor kIncrementColour(0, 0, 200);
const QColor kAreaColour(200, 0, 0);
const QColor kBoundColour(0, 128, 0);
const QColor kRestartColour(200, 120, 0);

double IncrementSize(const NewtonStepRecord& step) {
    return std::fabs(step.largest) + std::fabs(step.smallest);
}

// Powers of ten that enclose the values (at least one decade).
std::pair<double, double> Decades(double low, double high) {
    const double bottom = std::floor(std::log10(std::max(low, 1e-300)));
    const double top = std::ceil(std::log10(std::max(high, 1e-300)));
    return {bottom, std::max(top, bottom + 1)};
}

// A step of 1, 2 or 5 times a power of ten giving about `count` steps over `span`.
double NiceStep(double span, int count) {
    const double raw = span / std::max(1, count);
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (const double m : {1.0, 2.0, 5.0})
        if (m * power >= raw) return m * power;
    return 10 * power;
}

// The number of decimals that tells ticks `step` apart.
int Decimals(double step) {
    return std::clamp(static_cast<int>(-std::floor(std::log10(step))), 0, 12);
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

ConvergencePlot::Layout ConvergencePlot::ComputeLayout() const {
    Layout layout;
    if (history_.empty()) return layout;
    const QFontMetricsF metrics(font());
    const double line = metrics.height();
    const int n = static_cast<int>(history_.size());

    // The increment on log10 (left), the area linear (right), the steps across.
    const double bound = boundFactor_ * accuracy_;
    double low = bound, high = bound;
    for (const NewtonStepRecord& step : history_) {
        const double size = IncrementSize(step);
        if (size > 0 && std::isfinite(size)) low = std::min(low, size), high = std::max(high, size);
    }
    const auto [bottom, top] = Decades(low > 0 ? low : 1e-16, high > 0 ? high : 1);
    int phaseStart = 0;
    for (int k = 0; k < n; ++k)
        if (history_[k].restarted) phaseStart = k;
    double areaLow = INFINITY, areaHigh = -INFINITY;
    for (int k = phaseStart; k < n; ++k)
        if (std::isfinite(history_[k].area))
            areaLow = std::min(areaLow, history_[k].area),
            areaHigh = std::max(areaHigh, history_[k].area);
    if (!(areaLow <= areaHigh)) areaLow = 0, areaHigh = 1;
    const double areaMargin =
        std::max((areaHigh - areaLow) * 0.08, std::max(1e-12, std::fabs(areaHigh) * 1e-12));
    areaLow -= areaMargin;
    areaHigh += areaMargin;
    const double areaStep = NiceStep(areaHigh - areaLow, 4);
    const int decimals = Decimals(areaStep);
    std::vector<double> areaTicks;
    for (double t = std::ceil(areaLow / areaStep) * areaStep; t <= areaHigh; t += areaStep)
        areaTicks.push_back(t);
    const auto areaText = [decimals](double a) { return QString::number(a, 'f', decimals); };
    const auto decadeText = [](double d) { return QStringLiteral("1e%1").arg(int(d)); };

    // Margins from the widest numbers.
    double left = 0, right = 0;
    for (double d = bottom; d <= top; d += 1)
        left = std::max(left, metrics.horizontalAdvance(decadeText(d)));
    for (double t : areaTicks) right = std::max(right, metrics.horizontalAdvance(areaText(t)));
    left += 10;
    right += 10;
    // Title, legend, frame, step numbers, step title.
    const double legendTop = line + 4;
    const QRectF frame(left, legendTop + line + 8, width() - left - right,
                       height() - (legendTop + line + 8) - 2 * line - 10);
    if (frame.width() < 40 || frame.height() < 30) return layout;
    layout.frame = frame;

    const auto x = [&](int k) {
        return frame.left() + (n == 1 ? frame.width() / 2.0 : frame.width() * k / (n - 1.0));
    };
    const auto yLog = [&](double v) {
        const double t = (std::log10(std::max(v, 1e-300)) - bottom) / (top - bottom);
        return frame.bottom() - std::clamp(t, 0.0, 1.0) * frame.height();
    };
    const auto yArea = [&](double a) {
        return frame.bottom() - (a - areaLow) / (areaHigh - areaLow) * frame.height();
    };
    auto& labels = layout.labels;
    labels.push_back({QRectF(0, 0, width(), line + 2), title_});

    // The legend: one sample line and word per line drawn.
    double at = 8;
    const bool restarted = phaseStart > 0;
    for (const QString& word :
         {lineName_, areaName_,
          boundFactor_ == 1.0 ? QStringLiteral("accuracy")
                              : QString::number(boundFactor_) + QStringLiteral(" \u00d7 accuracy"),
          restarted ? QStringLiteral("restart") : QString()}) {
        if (word.isEmpty()) continue;
        at += 22;  // the sample
        const double w = metrics.horizontalAdvance(word) + 2;
        labels.push_back({QRectF(at, legendTop, w, line), word});
        ++layout.legend;
        at += w + 12;
    }

    const double every =
        std::max(1.0, std::ceil((top - bottom) / std::max(1.0, frame.height() / (1.5 * line))));
    for (double d = bottom; d <= top; d += every)
        labels.push_back(
            {QRectF(0, yLog(std::pow(10, d)) - line / 2, left - 4, line), decadeText(d)});
    for (double t : areaTicks)
        labels.push_back(
            {QRectF(frame.right() + 4, yArea(t) - line / 2, right - 4, line), areaText(t)});
    // The steps, numbered from 1 across a restart, as many as have room.
    const double numberWidth = metrics.horizontalAdvance(QString::number(n)) + 8;
    const int stride =
        std::max(1, static_cast<int>(std::ceil(numberWidth /
                                               std::max(1.0, frame.width() / std::max(1, n - 1)))));
    for (int k = 0; k < n; k += stride)
        labels.push_back({QRectF(x(k) - numberWidth / 2, frame.bottom() + 2, numberWidth, line),
                          QString::number(k + 1)});
    labels.push_back({QRectF(0, height() - line - 2, width(), line + 2), step_});

    layout.bound = accuracy_ > 0 ? yLog(bound) : -1;
    for (int k = 0; k < n; ++k) {
        const NewtonStepRecord& step = history_[k];
        layout.increments.emplace_back(x(k), yLog(IncrementSize(step)));
        const double y = yArea(step.area);
        const bool clipped = !(y >= frame.top() && y <= frame.bottom());
        layout.areas.emplace_back(
            x(k), std::isfinite(y) ? std::clamp(y, frame.top(), frame.bottom()) : frame.top());
        layout.areaClipped.push_back(clipped);
    }
    return layout;
}

void ConvergencePlot::SetCaptions(const QString& title, const QString& step, const QString& empty,
                                  double boundFactor, const QString& lineName,
                                  const QString& areaName) {
    lineName_ = lineName;
    areaName_ = areaName;
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
    if (history_.empty()) {
        p.drawText(rect(), Qt::AlignCenter, empty_);
        return;
    }
    const Layout layout = ComputeLayout();
    if (layout.frame.isEmpty()) return;
    const QRectF& frame = layout.frame;

    // The decades as grey lines behind everything.
    p.setPen(QColor(220, 220, 220));
    for (const Label& label : layout.labels)
        if (label.place.right() <= frame.left() && label.text.startsWith(QLatin1String("1e")))
            p.drawLine(QPointF(frame.left(), label.place.center().y()),
                       QPointF(frame.right(), label.place.center().y()));
    p.setPen(Qt::black);
    p.drawRect(frame);
    for (const Label& label : layout.labels) {
        Qt::Alignment align = Qt::AlignVCenter | Qt::AlignHCenter;
        if (label.place.right() <= frame.left() + 1) align = Qt::AlignVCenter | Qt::AlignRight;
        if (label.place.left() >= frame.right()) align = Qt::AlignVCenter | Qt::AlignLeft;
        p.drawText(label.place, align, label.text);
    }
    // The legend's samples, left of their words (the second to fifth labels).
    const QColor colours[] = {kIncrementColour, kAreaColour, kBoundColour, kRestartColour};
    const Qt::PenStyle styles[] = {Qt::SolidLine, Qt::SolidLine, Qt::DashLine, Qt::DotLine};
    for (int k = 0; k < layout.legend; ++k) {
        const Label& word = layout.labels[k + 1];
        p.setPen(QPen(colours[k], k == 0 ? 2 : 1, styles[k]));
        const double y = word.place.center().y();
        p.drawLine(QPointF(word.place.left() - 20, y), QPointF(word.place.left() - 4, y));
    }

    // The convergence bound 2 x accuracy.
    if (layout.bound >= frame.top() && layout.bound <= frame.bottom()) {
        p.setPen(QPen(kBoundColour, 1, Qt::DashLine));
        p.drawLine(QPointF(frame.left(), layout.bound), QPointF(frame.right(), layout.bound));
    }

    const int n = static_cast<int>(history_.size());
    QPainterPath increments, areas;
    for (int k = 0; k < n; ++k) {
        const NewtonStepRecord& step = history_[k];
        if (step.restarted) {
            p.setPen(QPen(kRestartColour, 1, Qt::DotLine));
            p.drawLine(QPointF(layout.increments[k].x(), frame.top()),
                       QPointF(layout.increments[k].x(), frame.bottom()));
        }
        if (k == 0 || step.restarted) {
            increments.moveTo(layout.increments[k]);
            areas.moveTo(layout.areas[k]);
        } else {
            increments.lineTo(layout.increments[k]);
            areas.lineTo(layout.areas[k]);
        }
    }
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(kIncrementColour, 2));
    p.drawPath(increments);
    p.setPen(QPen(kAreaColour, 1.5));
    p.drawPath(areas);
    p.setPen(Qt::NoPen);
    p.setBrush(kIncrementColour);
    for (const QPointF& point : layout.increments) p.drawEllipse(point, 3, 3);
    p.setBrush(kAreaColour);
    for (int k = 0; k < n; ++k)
        if (!layout.areaClipped[k]) p.drawEllipse(layout.areas[k], 2, 2);
}

}  // namespace membrane
