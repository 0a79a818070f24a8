// The settings dialog: shown values, OK / Cancel / Escape, and what OK refuses.
#include "desktop/settings_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QtTest>
#include <functional>

#include "desktop/number_edit.h"
#include "desktop/ui_hooks.h"
#include "ui_test_support.h"

using namespace membrane;
using namespace membrane::test;

namespace {

// Runs `user` on the shown dialog instead of a modal loop; the dialog's result is what
// the user's OK, Cancel or Escape left in it.
struct ScriptedDialog {
    explicit ScriptedDialog(std::function<void(SettingsDialog&)> user) {
        previous = SetDialogRunner([user, this](QDialog& dialog) {
            auto& form = dynamic_cast<SettingsDialog&>(dialog);
            form.setResult(QDialog::Rejected);
            form.show();
            form.activateWindow();
            if (!QTest::qWaitForWindowActive(&form)) return int(QDialog::Rejected);
            ++runs;
            user(form);
            const int result = form.result();
            form.close();  // closing a dialog that is still open counts as cancel
            return result;
        });
    }
    ~ScriptedDialog() { SetDialogRunner(previous); }
    DialogRunner previous;
    int runs = 0;
};

NumberEdit* Field(const SettingsDialog& dialog, const char* name) {
    return Child<NumberEdit>(&dialog, name);
}

void Retype(NumberEdit* field, const QString& text) {
    field->setFocus();
    field->selectAll();
    QTest::keyClicks(field, text);
}

}  // namespace

class SettingsDialogTest : public QObject {
    Q_OBJECT

  private slots:
    void showsTheDefaults() {
        SettingsDialog form;
        QCOMPARE(form.windowTitle(), QString("DefaultsForm"));
        QCOMPARE(Field(form, "accuracyField")->text(), QString("0.001"));
        QCOMPARE(Field(form, "iterationsField")->text(), QString("10"));
        QCOMPARE(Field(form, "weightField")->text(), QString("1"));
        QCOMPARE(Child<QComboBox>(&form, "solverBox")->currentText(),
                 QString("auto (elimination where it is fast)"));
        QCOMPARE(Field(form, "weightField")->toolTip(),
                 QString("membrane wight per square meter in kN"));
        QCOMPARE(Field(form, "iterationsField")->Max(), 200.0);
        QCOMPARE(Field(form, "weightField")->Max(), 100000.0);
        const Settings read = form.ReadSettings();
        QCOMPARE(read.accuracy, 0.001);
        QCOMPARE(read.maxIterations, 10);
        QCOMPARE(read.weight, 1.0);
    }

    void showSettingsRoundTrips() {
        SettingsDialog form;
        form.ShowSettings(Settings{1.5e-7, 37, 0.25, SolverChoice::Amg, NewtonStep::Pure,
                                   StartHeights::Harmonic});
        QCOMPARE(Field(form, "accuracyField")->text(), QString("1.5E-7"));
        QCOMPARE(Child<QComboBox>(&form, "solverBox")->currentText(),
                 QString("multigrid (the largest models)"));
        const Settings read = form.ReadSettings();
        QCOMPARE(read.accuracy, 1.5e-7);
        QCOMPARE(read.maxIterations, 37);
        QCOMPARE(read.weight, 0.25);
        QCOMPARE(read.solver, SolverChoice::Amg);
        QCOMPARE(read.newton, NewtonStep::Pure);
        QCOMPARE(read.start, StartHeights::Harmonic);
    }

    // The Newton step and the start chosen in one dialog are shown by the next.
    void newtonChoicesAreKeptBetweenRuns() {
        Settings settings;
        QCOMPARE(settings.newton, NewtonStep::Auto);
        {
            ScriptedDialog user([](SettingsDialog& form) {
                auto* newton = Child<QComboBox>(&form, "newtonBox");
                QCOMPARE(newton->currentText(), QString("auto (pure, damped if it runs off)"));
                newton->setFocus();
                QTest::keyClick(newton, Qt::Key_Up);  // auto -> damped
                auto* start = Child<QComboBox>(&form, "startBox");
                start->setFocus();
                QTest::keyClick(start, Qt::Key_Down);  // file -> harmonic
                QTest::mouseClick(Child<QPushButton>(&form, "okButton"), Qt::LeftButton);
            });
            QVERIFY(EditSettings(nullptr, settings));
        }
        QCOMPARE(settings.newton, NewtonStep::Damped);
        QCOMPARE(settings.start, StartHeights::Harmonic);
        SettingsDialog next(nullptr, settings);
        QCOMPARE(Child<QComboBox>(&next, "newtonBox")->currentText(),
                 QString("damped (line search on the area)"));
        QCOMPARE(next.ReadSettings().start, StartHeights::Harmonic);
    }

    void cancelKeepsTheSettings() {
        ScriptedDialog user([](SettingsDialog& form) {
            Retype(Field(form, "accuracyField"), "0.0001");
            QTest::mouseClick(Child<QPushButton>(&form, "cancelButton"), Qt::LeftButton);
        });
        Settings settings;
        QVERIFY(!EditSettings(nullptr, settings));
        QCOMPARE(user.runs, 1);
        QCOMPARE(settings.accuracy, 0.001);
    }

    void escapeKeepsTheSettings() {
        ScriptedDialog user([](SettingsDialog& form) {
            Retype(Field(form, "iterationsField"), "25");
            QTest::keyClick(Field(form, "iterationsField"), Qt::Key_Escape);
            QVERIFY(!form.isVisible());
        });
        Settings settings;
        QVERIFY(!EditSettings(nullptr, settings));
        QCOMPARE(settings.maxIterations, 10);
    }

    void okTakesTheValues() {
        ScriptedDialog user([](SettingsDialog& form) {
            Retype(Field(form, "iterationsField"), "25");
            QTest::keyClick(Field(form, "iterationsField"),
                            Qt::Key_Return);  // moves on, does not close
            QVERIFY(form.isVisible());
            QCOMPARE(form.focusWidget(), Field(form, "weightField"));
            Retype(Field(form, "weightField"), "2.5e-1");
            Child<QComboBox>(&form, "solverBox")->setCurrentIndex(1);
            QTest::mouseClick(Child<QPushButton>(&form, "okButton"), Qt::LeftButton);
        });
        Settings settings;
        settings.accuracy = 0.02;
        QVERIFY(EditSettings(nullptr, settings));
        QCOMPARE(settings.maxIterations, 25);
        QCOMPARE(settings.weight, 0.25);
        QCOMPARE(settings.accuracy, 0.02);  // shown and taken back unchanged
        QCOMPARE(settings.solver, SolverChoice::Cholmod);
    }

    // "-1E0e1" in the accuracy: the box about the malformed number, then OK refuses the
    // dialog, naming the field and its range, and keeps the settings.
    void okRefusesAMantissaWithItsOwnExponent() {
        HookRecorder messages;
        ScriptedDialog user([](SettingsDialog& form) {
            Retype(Field(form, "accuracyField"), "-1E0e1");
            Retype(Field(form, "weightField"), "1E5e3");
            QTest::mouseClick(Child<QPushButton>(&form, "okButton"), Qt::LeftButton);
            QVERIFY(form.isVisible());
            QCOMPARE(form.focusWidget(), Field(form, "accuracyField"));
        });
        Settings settings;
        QVERIFY(!EditSettings(nullptr, settings));
        QCOMPARE(messages.texts,
                 QStringList({"NUMEDIT: There is something wrong !!\nMantisse: -1E0\nExponent: 1",
                              "NUMEDIT: There is something wrong !!\nMantisse: 1E5\nExponent: 3",
                              "accuracy: not a number; allowed: a number more than 0, at most "
                              "100."}));
        QCOMPARE(settings.accuracy, 0.001);
        QCOMPARE(settings.weight, 1.0);
    }

    // OK refuses a number outside its field's range (an accuracy of 0 could never be met),
    // naming the field and the range, and takes it once corrected.
    void okRefusesAFaultyField() {
        const struct {
            const char* field;
            QString faulty, fixed, message;
        } cases[] = {
            {"iterationsField", "250", "150",
             "max iterations: not in the allowed range; allowed: a whole number from 0 to 200."},
            {"accuracyField", "0", "0.01",
             "accuracy: not in the allowed range; allowed: a number more than 0, at most 100."},
            {"weightField", "x", "2", "weight: not a number; allowed: a number from 0 to 100000."},
        };
        for (const auto& c : cases) {
            HookRecorder messages;
            ScriptedDialog user([&c](SettingsDialog& form) {
                Retype(Field(form, c.field), c.faulty);
                QTest::mouseClick(Child<QPushButton>(&form, "okButton"), Qt::LeftButton);
                QVERIFY(form.isVisible());
                QCOMPARE(form.focusWidget(), Field(form, c.field));
                Retype(Field(form, c.field), c.fixed);
                QTest::mouseClick(Child<QPushButton>(&form, "okButton"), Qt::LeftButton);
            });
            Settings settings;
            QVERIFY(EditSettings(nullptr, settings));
            QCOMPARE(messages.texts, QStringList{c.message});
        }
    }

    // No control hides another: "Restore defaults" below the choice boxes, its caption whole.
    void controlsDoNotOverlap() {
        SettingsDialog form;
        form.show();
        const QList<QWidget*> controls = form.findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
        for (QWidget* a : controls)
            for (QWidget* b : controls)
                if (a != b && a->isVisible() && b->isVisible() && !qobject_cast<QLabel*>(a) &&
                    !qobject_cast<QLabel*>(b))
                    QVERIFY2(!a->geometry().intersects(b->geometry()),
                             qPrintable(a->objectName() + " overlaps " + b->objectName()));
        auto* restore = Child<QPushButton>(&form, "restoreButton");
        QVERIFY(restore->width() >= restore->sizeHint().width());
        QVERIFY(form.rect().contains(restore->geometry()));
    }
};

QTEST_MAIN(SettingsDialogTest)
#include "settings_dialog_test.moc"
