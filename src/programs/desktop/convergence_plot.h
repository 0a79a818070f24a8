// The convergence of a run as a picture: per Newton step the size of the increment,
// |max du| + |min du| on a logarithmic scale (the run converged where it falls below
// 2 x accuracy, drawn as a dashed line), and the lifted area on a second scale beside it.
// A restart with a line search is marked by a vertical line. Both scales and the steps
// carry numbers, a legend names the lines; the area scale is that of the steps after the
// last restart (the steps that ran off before it are drawn at the frame's edge), so that
// the line of the run that counts always has the frame's height.
#pragma once

#include <QPointF>
#include <QRectF>
#include <QString>
#include <QWidget>
#include <vector>

#include "heightfield/newton_history.h"

namespace membrane {

class ConvergencePlot final : public QWidget {
    Q_OBJECT

  public:
    explicit ConvergencePlot(QWidget* parent = nullptr);

    void SetHistory(NewtonHistory history, double accuracy);
    const NewtonHistory& History() const { return history_; }
    // The texts and the bound of another kind of run (the form-finding: the largest
    // movement of a node and W per iteration, converged below 1 x accuracy).
    void SetCaptions(const QString& title, const QString& step, const QString& empty,
                     double boundFactor, const QString& lineName, const QString& areaName);

    QSize sizeHint() const override { return {420, 260}; }

    // Where everything goes at the widget's size (empty without steps or room).
    struct Label {
        QRectF place;
        QString text;
    };
    struct Layout {
        QRectF frame;
        std::vector<Label> labels;  // scale numbers, axis titles and the legend's words
        std::vector<QPointF> increments, areas;  // the points of both lines
        std::vector<bool> areaClipped;           // an area beyond the scale, at the edge
        double bound = -1;                       // the height of 2 x accuracy
        int legend = 0;                          // the legend's words: labels 1 to `legend`
    };
    Layout ComputeLayout() const;

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    NewtonHistory history_;
    double accuracy_ = 0.0;
    QString title_ = QStringLiteral("increment |max du| + |min du| (m, log) and area (m\u00b2)");
    QString step_ = QStringLiteral("Newton step");
    QString empty_ = QStringLiteral("no Newton steps");
    double boundFactor_ = 2.0;
    QString lineName_ = QStringLiteral("increment");
    QString areaName_ = QStringLiteral("area");
};

}  // namespace membrane
