// A label that reacts to the mouse like a link or a button: clicked on release inside it,
// doubleClicked on a double click.
#pragma once

#include <QLabel>

namespace membrane {

class ClickableLabel : public QLabel {
    Q_OBJECT

  public:
    explicit ClickableLabel(const QString& text = QString(), QWidget* parent = nullptr);

  signals:
    void clicked();
    void doubleClicked();

  protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

  private:
    bool pressed_ = false;
};

}  // namespace membrane
