#include "ui/about_box.h"

#include "common/number_format.h"
#include "ui/classic_font.h"
#include "ui/clickable_label.h"
#include "ui/decimal_point.h"
#include "ui/ui_hooks.h"

#include <QFont>
#include <QFrame>
#include <QLabel>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>

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

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text, const QFont& font, int left,
                  int top) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    label->setFont(font);
    label->move(left, top);
    label->adjustSize();
    return label;
}

}  // namespace

QString TAboutBox::VersionText() {
    return QStringLiteral("v") + QString::fromStdString(FormatGeneral(kVersion));
}

QString TAboutBox::MailAddress() { return QStringLiteral("support@membrane-fem.example"); }

// The parts are joined as they stand; the mail program reads the blanks of the subject
// and the body as they are.
QString TAboutBox::MailLink() {
    return QStringLiteral("mailto:") + MailAddress() + QStringLiteral("?subject=") +
           QStringLiteral("info about brimel") + QStringLiteral("&body=") + QStringLiteral("Dear Sir,");
}

QStringList TAboutBox::Description() {
    return {
        QStringLiteral("This programme is a Finite Element Method programme for finding "),
        QStringLiteral("the minimum membrane surface above a plan (mesh) with specified altitudes "),
        QStringLiteral("at specific points at the boundary."),
        QString(),
        QStringLiteral("Initial values at the boundaries have to be specified. The free points require"),
        QStringLiteral("a startvalue in order to iterate towards the end result."),
        QString(),
        QStringLiteral("The start value has to be choosen between the extreme values at the "),
        QStringLiteral("boundaries."),
        QString(),
        QStringLiteral("To view the 3D result a VRML viewer is used. Install a VRML-plugin "),
        QStringLiteral("or a stand-alone VRML browser, for example FreeWRL."),
    };
}

TAboutBox::TAboutBox(QWidget* owner) : QDialog(owner) {
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(QStringLiteral("About"));
    setWindowFlags(Qt::Dialog | Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setFixedSize(386, 256);
    if (owner) move(owner->window()->pos() + QPoint(135, 45));

    ForceDotDecimalPoint();

    Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setGeometry(0, 0, 386, 209);
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Raised);
    Panel1->setLineWidth(2);
    Panel1->setAutoFillBackground(true);
    QPalette white = Panel1->palette();
    white.setColor(QPalette::Window, Qt::white);
    Panel1->setPalette(white);

    ProgramImage = new QLabel(Panel1);
    ProgramImage->setObjectName(QStringLiteral("ProgramImage"));
    ProgramImage->setGeometry(8, 8, 41, 41);
    ProgramImage->setScaledContents(true);
    ProgramImage->setPixmap(QPixmap(QStringLiteral(":/images/membrane_icon.png")));

    QPalette black = palette();
    black.setColor(QPalette::WindowText, Qt::black);
    Label1 = MakeLabel(Panel1, "Label1", QStringLiteral("BRIMEL"), ClassicFontPixels(12, true), 56, 8);
    Label1->setPalette(black);
    Label2 = MakeLabel(Panel1, "Label2", QStringLiteral("Finite Element Method"), ClassicFontPixels(12),
                       56, 24);
    Label2->setPalette(black);

    MailLabel = new ClickableLabel(QStringLiteral("the membrane FEM team"), Panel1);
    MailLabel->setObjectName(QStringLiteral("MailLabel"));
    MailLabel->setFont(ClassicFontPixels(12, true, true));
    QPalette blue = palette();
    blue.setColor(QPalette::WindowText, Qt::blue);
    MailLabel->setPalette(blue);
    MailLabel->setToolTip(QStringLiteral("click to mail me"));
    MailLabel->move(56, 40);
    MailLabel->adjustSize();
    connect(MailLabel, &ClickableLabel::clicked, this, &TAboutBox::MailLabelClick);

    Label3 = MakeLabel(Panel1, "Label3", VersionText(), TahomaFont(11), 8, 50);

    Memo1 = new QPlainTextEdit(Panel1);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setGeometry(8, 72, 369, 129);
    Memo1->setFont(ClassicFontPixels(11));
    Memo1->setReadOnly(true);
    Memo1->setPlainText(Description().join(QLatin1Char('\n')));

    OKButton = new QPushButton(style()->standardIcon(QStyle::SP_DialogOkButton), QStringLiteral("OK"), this);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    OKButton->setFont(ClassicFontPixels(12, true));
    OKButton->setGeometry(159, 218, 77, 27);
    OKButton->setDefault(true);
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);
}

void TAboutBox::MailLabelClick() { OpenExternalUrl(QUrl(MailLink(), QUrl::TolerantMode)); }

}  // namespace membrane
