#include "desktop/settings_dialog.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <algorithm>

#include "common/number_format.h"
#include "desktop/classic_font.h"
#include "desktop/number_edit.h"
#include "desktop/ui_hooks.h"

namespace membrane {
namespace {

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text, int left, int top) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    label->move(left, top);
    label->adjustSize();
    return label;
}

NumberEdit* MakeField(QWidget* parent, const char* name, NumberKind kind, double max, int top) {
    auto* field = new NumberEdit(parent);
    field->setObjectName(QLatin1String(name));
    field->SetKind(kind);
    field->SetMin(0.0);
    field->SetMax(max);
    field->SetDefaultHint(false);
    field->setGeometry(128, top, 121, 21);
    return field;
}

QComboBox* MakeChoice(QWidget* parent, const char* name, const QStringList& items, int top) {
    auto* box = new QComboBox(parent);
    box->setObjectName(QLatin1String(name));
    box->addItems(items);
    box->setGeometry(128, top, 232, 23);
    return box;
}

constexpr int kButtonTop = 216;

QPushButton* MakeButton(QWidget* parent, const char* name, QStyle::StandardPixmap icon,
                        const QString& text, int left) {
    auto* button = new QPushButton(parent->style()->standardIcon(icon), text, parent);
    button->setObjectName(QLatin1String(name));
    button->setGeometry(left, kButtonTop, 82, 27);
    button->setAutoDefault(false);
    return button;
}

}  // namespace

SettingsDialog::SettingsDialog(QWidget* owner, const Settings& current) : QDialog(owner) {
    setObjectName(QStringLiteral("DefaultsForm"));
    setWindowTitle(QStringLiteral("DefaultsForm"));
    setFixedSize(384, kButtonTop + 47);
    setFont(ClassicFontPoints(8));

    // Creation order is the order Enter and Tab walk through the fields.
    MakeLabel(this, "accuracyLabel", QStringLiteral("accuracy"), 24, 22);
    MakeLabel(this, "iterationsLabel", QStringLiteral("max iterations"), 24, 54);
    MakeLabel(this, "weightLabel", QStringLiteral("weight"), 24, 86);
    accuracyField_ = MakeField(this, "accuracyField", NumberKind::Real, 100.0, 20);
    iterationsField_ = MakeField(this, "iterationsField", NumberKind::Integer, 200.0, 52);
    weightField_ = MakeField(this, "weightField", NumberKind::Real, 100000.0, 84);
    weightField_->setToolTip(QStringLiteral("membrane wight per square meter in kN"));
    accuracyField_->SetFieldName(QStringLiteral("accuracy"));
    accuracyField_->SetMinExclusive(true);  // an accuracy of 0 is never met
    iterationsField_->SetFieldName(QStringLiteral("max iterations"));
    weightField_->SetFieldName(QStringLiteral("weight"));
    MakeLabel(this, "weightUnit", QStringLiteral("kN/m^2"), 256, 86);

    // In the order of SolverChoice, NewtonStep and StartHeights.
    MakeLabel(this, "solverLabel", QStringLiteral("solver"), 24, 114);
    solverBox_ = MakeChoice(
        this, "solverBox",
        {QStringLiteral("built-in elimination"), QStringLiteral("sparse Cholesky (large models)"),
         QStringLiteral("multigrid (the largest models)"),
         QStringLiteral("auto (elimination where it is fast)")},
        110);

    MakeLabel(this, "newtonLabel", QStringLiteral("Newton step"), 24, 146);
    newtonBox_ = MakeChoice(this, "newtonBox",
                            {QStringLiteral("pure (the whole increment)"),
                             QStringLiteral("damped (line search on the area)"),
                             QStringLiteral("auto (pure, damped if it runs off)")},
                            142);
    MakeLabel(this, "startLabel", QStringLiteral("start heights"), 24, 178);
    startBox_ = MakeChoice(
        this, "startBox",
        {QStringLiteral("from the model file"), QStringLiteral("harmonic (from the held nodes)")},
        174);

    // One row of buttons below the choice boxes: "Restore defaults" left, OK and Cancel
    // right.
    QPushButton* ok =
        MakeButton(this, "okButton", QStyle::SP_DialogOkButton, QStringLiteral("OK"), 204);
    QPushButton* cancel = MakeButton(this, "cancelButton", QStyle::SP_DialogCancelButton,
                                     QStringLiteral("Cancel"), 294);
    auto* restore = new QPushButton(QStringLiteral("Restore defaults"), this);
    restore->setObjectName(QStringLiteral("restoreButton"));
    restore->setGeometry(8, kButtonTop, std::min(188, std::max(88, restore->sizeHint().width())),
                         27);
    restore->setAutoDefault(false);
    connect(restore, &QPushButton::clicked, this, [this] { ShowSettings(Settings{}); });
    connect(ok, &QPushButton::clicked, this, &SettingsDialog::Confirm);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    ShowSettings(current);
}

void SettingsDialog::ShowSettings(const Settings& settings) {
    accuracyField_->SetRealValue(settings.accuracy);
    accuracyField_->SetText(QString::fromStdString(FormatGeneral(settings.accuracy)));
    iterationsField_->SetIntValue(settings.maxIterations);
    iterationsField_->SetText(QString::number(settings.maxIterations));
    weightField_->SetRealValue(settings.weight);
    weightField_->SetText(QString::fromStdString(FormatGeneral(settings.weight)));
    solverBox_->setCurrentIndex(static_cast<int>(settings.solver));
    newtonBox_->setCurrentIndex(static_cast<int>(settings.newton));
    startBox_->setCurrentIndex(static_cast<int>(settings.start));
}

Settings SettingsDialog::ReadSettings() const {
    Settings settings;
    settings.accuracy = accuracyField_->RealValue();
    settings.maxIterations = iterationsField_->IntValue();
    settings.weight = weightField_->RealValue();
    settings.solver = static_cast<SolverChoice>(solverBox_->currentIndex());
    settings.newton = static_cast<NewtonStep>(newtonBox_->currentIndex());
    settings.start = static_cast<StartHeights>(startBox_->currentIndex());
    return settings;
}

void SettingsDialog::Confirm() {
    // A field keeps whatever number it last read, also one outside its range (a negative
    // weight, 500 iterations) or none at all. Such a value must not become a setting
    // because the OK button was reached with the mouse.
    for (NumberEdit* field : {accuracyField_, iterationsField_, weightField_}) {
        if (field->CheckState() != NumberEdit::Valid) {
            field->ShowCheckMessage();
            field->setFocus(Qt::OtherFocusReason);
            return;
        }
    }
    accept();
}

bool EditSettings(QWidget* owner, Settings& settings) {
    SettingsDialog dialog(owner, settings);
    if (RunModal(dialog) != QDialog::Accepted) return false;
    settings = dialog.ReadSettings();
    return true;
}

}  // namespace membrane
