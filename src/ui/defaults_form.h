// The modal dialog that changes the settings of the next runs: accuracy, maximum number of
// iterations, membrane weight, and the choice of the sparse Cholesky solver.
#pragma once

#include "common/settings.h"

#include <QDialog>

class QCheckBox;
class QLabel;
class QPushButton;

namespace membrane {

class TNumberEdit;

class TDefaultsForm : public QDialog {
    Q_OBJECT

public:
    // Shows `current` in the fields.
    explicit TDefaultsForm(QWidget* owner = nullptr, const Settings& current = Settings{});

    void ShowSettings(int maxIterations, double accuracy, double weight);
    void ShowSettings(const Settings& settings);
    // The fields' stored values (updated at every key release) and the solver choice.
    Settings ReadSettings() const;

    QLabel* Label1 = nullptr;  // "accuracy"
    QLabel* Label2 = nullptr;  // "max iterations"
    QLabel* Label3 = nullptr;  // "weight"
    QLabel* Label4 = nullptr;  // "kN/m^2"
    TNumberEdit* EPSNumberEdit = nullptr;
    TNumberEdit* iterNumberEdit = nullptr;
    TNumberEdit* weightNumberEdit = nullptr;
    QCheckBox* CholmodCheckBox = nullptr;
    QPushButton* BitBtn1 = nullptr;  // OK
    QPushButton* BitBtn2 = nullptr;  // Cancel (also Escape)

private:
    void BitBtn1Click();
    void BitBtn2Click();
};

// The main window's "Defaults" command: shows `settings` in a new dialog owned by `owner`;
// OK stores the dialog's values into `settings` and returns true, Cancel, Escape or
// closing the window leaves them unchanged and returns false.
bool EditSettings(QWidget* owner, Settings& settings);

}  // namespace membrane
