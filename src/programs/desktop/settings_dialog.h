// The modal dialog that changes the settings of the next runs: accuracy, maximum number of
// iterations, membrane weight, the linear solver, the Newton step and the start heights;
// "Restore defaults" shows the program's defaults in the fields.
#pragma once

#include <QDialog>

#include "heightfield/settings.h"

class QComboBox;

namespace membrane {

class NumberEdit;

class SettingsDialog : public QDialog {
    Q_OBJECT

  public:
    // Shows `current` in the fields.
    explicit SettingsDialog(QWidget* owner = nullptr, const Settings& current = Settings{});

    void ShowSettings(const Settings& settings);
    // The fields' stored values (updated at every key release) and the solver choice.
    Settings ReadSettings() const;

    // OK: takes the values when every field holds a valid number, otherwise shows why
    // the first faulty one is refused and keeps the dialog open.
    void Confirm();

  private:
    NumberEdit* accuracyField_ = nullptr;
    NumberEdit* iterationsField_ = nullptr;
    NumberEdit* weightField_ = nullptr;
    QComboBox* solverBox_ = nullptr;
    QComboBox* newtonBox_ = nullptr;
    QComboBox* startBox_ = nullptr;
};

// The main window's "Defaults" command: shows `settings` in a new dialog owned by `owner`;
// OK stores the dialog's values into `settings` and returns true, Cancel, Escape or
// closing the window leaves them unchanged and returns false.
bool EditSettings(QWidget* owner, Settings& settings);

}  // namespace membrane
