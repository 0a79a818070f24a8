#include "desktop/about_box.h"

#include <QFont>
#include <QFrame>
#include <QLabel>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>

#include "common/number_format.h"
#include "desktop/classic_font.h"
#include "desktop/clickable_label.h"
#include "desktop/decimal_point.h"
#include "desktop/ui_hooks.h"

namespace membrane {
namespace {

constexpr double kVersion = 2.5;

// "Tahoma" on Windows, otherwise the same face as the other labels.
QFont TahomaFont(int pixels) {
#if defined(Q_OS_WIN)
    QFont font(QStringLiteral("Tahoma"));
    font.setPixelSize(pixels);
    return font;
#else
    return ClassicFontPixels(pixels);
#endif
}

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text, const QFont& font,
                  int left, int top) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    label->setFont(font);
    label->move(left, top);
    label->adjustSize();
    return label;
}

}  // namespace

QString AboutBox::VersionText() {
    return QStringLiteral("v") + QString::fromStdString(FormatGeneral(kVersion));
}

QString AboutBox::MailAddress() {
    return QStringLiteral("support@membrane-fem.example");
}

// The parts are joined as they stand; the mail program reads the blanks of the subject
// and the body as they are.
QString AboutBox::MailLink() {
    return QStringLiteral("mailto:") + MailAddress() + QStringLiteral("?subject=") +
           QStringLiteral("info about brimel") + QStringLiteral("&body=") +
           QStringLiteral("Dear Sir,");
}

QStringList AboutBox::Description() {
    return {
        QStringLiteral("This programme is a Finite Element Method programme for finding "),
        QStringLiteral(
            "the minimum membrane surface above a plan (mesh) with specified altitudes "),
        QStringLiteral("at specific points at the boundary."),
        QString(),
        QStringLiteral(
            "Initial values at the boundaries have to be specified. The free points require"),
        QStringLiteral("a startvalue in order to iterate towards the end result."),
        QString(),
        QStringLiteral("The start value has to be choosen between the extreme values at the "),
        QStringLiteral("boundaries."),
        QString(),
        QStringLiteral("To view the 3D result a VRML viewer is used. Install a VRML-plugin "),
        QStringLiteral("or a stand-alone VRML browser, for example FreeWRL."),
    };
}

AboutBox::AboutBox(QWidget* owner) : QDialog(owner) {
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(QStringLiteral("About"));
    setWindowFlags(Qt::Dialog | Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setFixedSize(386, 256);
    if (owner) move(owner->window()->pos() + QPoint(135, 45));

    ForceDotDecimalPoint();

    auto* panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("panel"));
    panel->setGeometry(0, 0, 386, 209);
    panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    panel->setLineWidth(2);
    panel->setAutoFillBackground(true);
    QPalette white = panel->palette();
    white.setColor(QPalette::Window, Qt::white);
    panel->setPalette(white);

    auto* picture = new QLabel(panel);
    picture->setObjectName(QStringLiteral("programImage"));
    picture->setGeometry(8, 8, 41, 41);
    picture->setScaledContents(true);
    picture->setPixmap(QPixmap(QStringLiteral(":/images/membrane_icon.png")));

    QPalette black = palette();
    black.setColor(QPalette::WindowText, Qt::black);
    MakeLabel(panel, "programName", QStringLiteral("membrane"), ClassicFontPixels(12, true), 56, 8)
        ->setPalette(black);
    MakeLabel(panel, "programKind", QStringLiteral("Finite Element Method"), ClassicFontPixels(12),
              56, 24)
        ->setPalette(black);

    auto* mail = new ClickableLabel(QStringLiteral("the membrane FEM team"), panel);
    mail->setObjectName(QStringLiteral("mailLink"));
    mail->setFont(ClassicFontPixels(12, true, true));
    QPalette blue = palette();
    blue.setColor(QPalette::WindowText, Qt::blue);
    mail->setPalette(blue);
    mail->setToolTip(QStringLiteral("click to mail me"));
    mail->move(56, 40);
    mail->adjustSize();
    connect(mail, &ClickableLabel::clicked, this, &AboutBox::WriteMail);

    MakeLabel(panel, "version", VersionText(), TahomaFont(11), 8, 50);

    auto* memo = new QPlainTextEdit(panel);
    memo->setObjectName(QStringLiteral("description"));
    memo->setGeometry(8, 72, 369, 129);
    memo->setFont(ClassicFontPixels(11));
    memo->setReadOnly(true);
    memo->setPlainText(Description().join(QLatin1Char('\n')));

    auto* ok = new QPushButton(style()->standardIcon(QStyle::SP_DialogOkButton),
                               QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("okButton"));
    ok->setFont(ClassicFontPixels(12, true));
    ok->setGeometry(159, 218, 77, 27);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

void AboutBox::WriteMail() {
    OpenExternalUrl(QUrl(MailLink(), QUrl::TolerantMode));
}

}  // namespace membrane
