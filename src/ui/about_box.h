// The about box: program name, version, a short description and a link that starts a
// mail to the authors.
#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>

class QFrame;
class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace membrane {

class ClickableLabel;

class TAboutBox : public QDialog {
    Q_OBJECT

public:
    // Placed 135 pixels right of and 45 below the owner's top left corner.
    explicit TAboutBox(QWidget* owner = nullptr);

    static QString VersionText();     // "v2.5"
    static QString MailAddress();
    static QString MailLink();        // the mailto: text handed to the desktop
    static QStringList Description();  // the memo, line by line

    void MailLabelClick();

    QFrame* Panel1 = nullptr;
    QLabel* ProgramImage = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    ClickableLabel* MailLabel = nullptr;
    QLabel* Label3 = nullptr;
    QPlainTextEdit* Memo1 = nullptr;
    QPushButton* OKButton = nullptr;
};

}  // namespace membrane
