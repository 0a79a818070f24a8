// The about box: program name, version, a short description and a link that starts a
// mail to the authors.
#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>

namespace membrane {

class AboutBox : public QDialog {
    Q_OBJECT

  public:
    // Placed 135 pixels right of and 45 below the owner's top left corner.
    explicit AboutBox(QWidget* owner = nullptr);

    static QString VersionText();  // "v2.5"
    static QString MailAddress();
    static QString MailLink();         // the mailto: text handed to the desktop
    static QStringList Description();  // the memo, line by line

    // The mail link: starts a mail to the authors.
    void WriteMail();
};

}  // namespace membrane
