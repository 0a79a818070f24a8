#include "ui/defaults_form.h"

#include "common/number_format.h"
#include "ui/classic_font.h"
#include "ui/number_edit.h"
#include "ui/ui_hooks.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QStyle>

namespace membrane {
namespace {

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text, int left, int top) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    label->move(left, top);
    label->adjustSize();
    return label;
}

TNumberEdit* MakeField(QWidget* parent, const char* name, TNumberType type, double max, int top) {
    auto* field = new TNumberEdit(parent);
    field->setObjectName(QLatin1String(name));
    field->SetNumType(type);
    field->SetMin(0.0);
    field->SetMax(max);
    field->SetDefaultHint(false);
    field->setGeometry(128, top, 121, 21);
    return field;
}

}  // namespace

TDefaultsForm::TDefaultsForm(QWidget* owner, const Settings& current) : QDialog(owner) {
    setObjectName(QStringLiteral("DefaultsForm"));
    setWindowTitle(QStringLiteral("DefaultsForm"));
    setFixedSize(384, 199);
    setFont(ClassicFontPoints(8));

    // Creation order is the order Enter and Tab walk through the fields.
    Label1 = MakeLabel(this, "Label1", QStringLiteral("accuracy"), 24, 22);
    Label2 = MakeLabel(this, "Label2", QStringLiteral("max iterations"), 24, 54);
    Label3 = MakeLabel(this, "Label3", QStringLiteral("weight"), 24, 86);
    EPSNumberEdit = MakeField(this, "EPSNumberEdit", RealType, 100.0, 20);
    iterNumberEdit = MakeField(this, "iterNumberEdit", IntType, 200.0, 52);
    weightNumberEdit = MakeField(this, "weightNumberEdit", RealType, 100000.0, 84);
    weightNumberEdit->setToolTip(QStringLiteral("membrane wight per square meter in kN"));
    Label4 = MakeLabel(this, "Label4", QStringLiteral("kN/m^2"), 256, 86);

    CholmodCheckBox = new QCheckBox(QStringLiteral("sparse Cholesky solver (large models)"), this);
    CholmodCheckBox->setObjectName(QStringLiteral("CholmodCheckBox"));
    CholmodCheckBox->move(128, 116);
    CholmodCheckBox->adjustSize();

    BitBtn1 = new QPushButton(style()->standardIcon(QStyle::SP_DialogOkButton), QStringLiteral("OK"), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setGeometry(104, 152, 82, 27);
    BitBtn1->setAutoDefault(false);
    BitBtn2 = new QPushButton(style()->standardIcon(QStyle::SP_DialogCancelButton), QStringLiteral("Cancel"),
                              this);
    BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
    BitBtn2->setGeometry(200, 152, 82, 27);
    BitBtn2->setAutoDefault(false);
    connect(BitBtn1, &QPushButton::clicked, this, &TDefaultsForm::BitBtn1Click);
    connect(BitBtn2, &QPushButton::clicked, this, &TDefaultsForm::BitBtn2Click);

    ShowSettings(current);
}

void TDefaultsForm::ShowSettings(int maxIterations, double accuracy, double weight) {
    EPSNumberEdit->SetRealValue(accuracy);
    EPSNumberEdit->SetText(QString::fromStdString(FormatGeneral(accuracy)));
    iterNumberEdit->SetIntValue(maxIterations);
    iterNumberEdit->SetText(QString::number(maxIterations));
    weightNumberEdit->SetRealValue(weight);
    weightNumberEdit->SetText(QString::fromStdString(FormatGeneral(weight)));
}

void TDefaultsForm::ShowSettings(const Settings& settings) {
    ShowSettings(settings.maxIterations, settings.accuracy, settings.weight);
    CholmodCheckBox->setChecked(settings.useCholmod);
}

Settings TDefaultsForm::ReadSettings() const {
    Settings settings;
    settings.accuracy = EPSNumberEdit->RealValue();
    settings.maxIterations = iterNumberEdit->IntValue();
    settings.weight = weightNumberEdit->RealValue();
    settings.useCholmod = CholmodCheckBox->isChecked();
    return settings;
}

void TDefaultsForm::BitBtn1Click() {
    // A field keeps whatever number it last read, also one outside its range (a negative
    // weight, 500 iterations) or none at all. Such a value must not become a setting
    // because the OK button was reached with the mouse.
    for (TNumberEdit* field : {EPSNumberEdit, iterNumberEdit, weightNumberEdit}) {
        if (field->CheckState() != TNumberEdit::Valid) {
            field->ShowCheckMessage();
            field->setFocus(Qt::OtherFocusReason);
            return;
        }
    }
    accept();
}

void TDefaultsForm::BitBtn2Click() { reject(); }

bool EditSettings(QWidget* owner, Settings& settings) {
    TDefaultsForm dialog(owner, settings);
    dialog.ShowSettings(settings);
    if (RunModal(dialog) != QDialog::Accepted) return false;
    settings = dialog.ReadSettings();
    return true;
}

}  // namespace membrane
