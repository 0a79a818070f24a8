// The defaults dialog: shown values, OK / Cancel / Escape, and what OK refuses.
#include "ui/defaults_form.h"
#include "ui/number_edit.h"
#include "ui/ui_hooks.h"

#include <QCheckBox>
#include <QPushButton>
#include <QtTest>

#include <functional>

using namespace membrane;

namespace {

// Runs `user` on the shown dialog instead of a modal loop; the dialog's result is what
// the user's OK, Cancel or Escape left in it.
struct ScriptedDialog {
    explicit ScriptedDialog(std::function<void(TDefaultsForm&)> user) {
        previous = SetDialogRunner([user, this](QDialog& dialog) {
            auto& form = dynamic_cast<TDefaultsForm&>(dialog);
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

struct MessageRecorder {
    MessageRecorder() {
        previous = SetMessageBoxHook([this](const MessageBoxRequest& r) { texts << r.text; });
    }
    ~MessageRecorder() { SetMessageBoxHook(previous); }
    QStringList texts;
    MessageBoxHook previous;
};

void Retype(NumberEdit* field, const QString& text) {
    field->setFocus();
    field->selectAll();
    QTest::keyClicks(field, text);
}

}  // namespace

class DefaultsFormTest : public QObject {
    Q_OBJECT

private slots:
    void showsTheDefaults() {
        TDefaultsForm form;
        QCOMPARE(form.windowTitle(), QString("DefaultsForm"));
        QCOMPARE(form.EPSNumberEdit->text(), QString("0.001"));
        QCOMPARE(form.iterNumberEdit->text(), QString("10"));
        QCOMPARE(form.weightNumberEdit->text(), QString("1"));
        QVERIFY(!form.CholmodCheckBox->isChecked());
        QCOMPARE(form.weightNumberEdit->toolTip(), QString("membrane wight per square meter in kN"));
        QCOMPARE(form.iterNumberEdit->Max(), 200.0);
        QCOMPARE(form.weightNumberEdit->Max(), 100000.0);
        const Settings read = form.ReadSettings();
        QCOMPARE(read.accuracy, 0.001);
        QCOMPARE(read.maxIterations, 10);
        QCOMPARE(read.weight, 1.0);
    }

    void showSettingsRoundTrips() {
        TDefaultsForm form;
        form.ShowSettings(Settings{1.5e-7, 37, 0.25, true});
        QCOMPARE(form.EPSNumberEdit->text(), QString("1.5E-7"));
        const Settings read = form.ReadSettings();
        QCOMPARE(read.accuracy, 1.5e-7);
        QCOMPARE(read.maxIterations, 37);
        QCOMPARE(read.weight, 0.25);
        QVERIFY(read.useCholmod);
    }

    void cancelKeepsTheSettings() {
        ScriptedDialog user([](TDefaultsForm& form) {
            Retype(form.EPSNumberEdit, "0.0001");
            QTest::mouseClick(form.BitBtn2, Qt::LeftButton);
        });
        Settings settings;
        QVERIFY(!EditSettings(nullptr, settings));
        QCOMPARE(user.runs, 1);
        QCOMPARE(settings.accuracy, 0.001);
    }

    void escapeKeepsTheSettings() {
        ScriptedDialog user([](TDefaultsForm& form) {
            Retype(form.iterNumberEdit, "25");
            QTest::keyClick(form.iterNumberEdit, Qt::Key_Escape);
            QVERIFY(!form.isVisible());
        });
        Settings settings;
        QVERIFY(!EditSettings(nullptr, settings));
        QCOMPARE(settings.maxIterations, 10);
    }

    void okTakesTheValues() {
        ScriptedDialog user([](TDefaultsForm& form) {
            Retype(form.iterNumberEdit, "25");
            QTest::keyClick(form.iterNumberEdit, Qt::Key_Return);  // moves on, does not close
            QVERIFY(form.isVisible());
            QCOMPARE(form.focusWidget(), form.weightNumberEdit);
            Retype(form.weightNumberEdit, "2.5e-1");
            form.CholmodCheckBox->setChecked(true);
            QTest::mouseClick(form.BitBtn1, Qt::LeftButton);
        });
        Settings settings;
        settings.accuracy = 0.02;
        QVERIFY(EditSettings(nullptr, settings));
        QCOMPARE(settings.maxIterations, 25);
        QCOMPARE(settings.weight, 0.25);
        QCOMPARE(settings.accuracy, 0.02);  // shown and taken back unchanged
        QVERIFY(settings.useCholmod);
    }

    void okRefusesAFaultyField() {
        MessageRecorder messages;
        ScriptedDialog user([](TDefaultsForm& form) {
            Retype(form.iterNumberEdit, "250");
            QTest::mouseClick(form.BitBtn1, Qt::LeftButton);
            QVERIFY(form.isVisible());
            QCOMPARE(form.focusWidget(), form.iterNumberEdit);
            Retype(form.iterNumberEdit, "150");
            QTest::mouseClick(form.BitBtn1, Qt::LeftButton);
        });
        Settings settings;
        QVERIFY(EditSettings(nullptr, settings));
        QCOMPARE(messages.texts, QStringList{"Number exceeds user defined range."});
        QCOMPARE(settings.maxIterations, 150);
    }
};

QTEST_MAIN(DefaultsFormTest)
#include "defaults_form_test.moc"
