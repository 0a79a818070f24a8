// The numeric edit: check states and values at key release, messages on Tab and Enter
// only, focus kept in a faulty field (also across tab pages), Enter moving on.
#include "desktop/number_edit.h"

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QMimeData>
#include <QTabWidget>
#include <QtTest>

#include "desktop/ui_hooks.h"
#include "ui_test_support.h"

using namespace membrane;
using namespace membrane::test;

namespace {

// A window with: first (real, 0..100), a label, second (integer, 0..200), a disabled
// edit, last (real, 0..100); the label and the disabled edit cannot take the focus.
struct Form {
    Form() {
        first = Make(NumberKind::Real, 100.0, 10);
        new QLabel(QStringLiteral("label"), &window);
        second = Make(NumberKind::Integer, 200.0, 40);
        auto* disabled = new QLineEdit(&window);
        disabled->setEnabled(false);
        last = Make(NumberKind::Real, 100.0, 100);
        window.resize(200, 140);
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        first->setFocus();
    }
    NumberEdit* Make(NumberKind type, double max, int top) {
        auto* edit = new NumberEdit(&window);
        edit->SetKind(type);
        edit->SetMax(max);
        edit->move(10, top);
        return edit;
    }
    QWidget window;
    NumberEdit* first = nullptr;
    NumberEdit* second = nullptr;
    NumberEdit* last = nullptr;
};

void Type(NumberEdit* edit, const QString& text) {
    edit->clear();
    QTest::keyClicks(edit, text);
}

// The whole text at once, checked by a single key release.
void Enter(NumberEdit* edit, const QString& text) {
    edit->setText(text);
    QTest::keyRelease(edit, Qt::Key_End);
}

}  // namespace

class NumberEditTest : public QObject {
    Q_OBJECT

  private slots:
    void parsersAreLocaleFreeAndStrict() {
        QCOMPARE(NumberEdit::ParseReal("-.5").value(), -0.5);
        QCOMPARE(NumberEdit::ParseReal("+1.5E-3").value(), 1.5e-3);
        QCOMPARE(NumberEdit::ParseInteger("+42").value(), 42);
        for (const char* bad : {"1,5", "inf", "nan", "+-1", " 1", "1 ", "1e", "0x10", "-", ""})
            QVERIFY2(!NumberEdit::ParseReal(bad), bad);
        QVERIFY(!NumberEdit::ParseInteger("2147483648"));
        QVERIFY(!NumberEdit::ParseInteger("1.0"));
    }

    void realStatesAndValues_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("state");
        QTest::addColumn<double>("value");  // -1: the value from before stays
        QTest::newRow("plain") << "42.5" << 0 << 42.5;
        QTest::newRow("exponent") << "1e2" << 0 << 100.0;
        QTest::newRow("capital exponent") << "25E-1" << 0 << 2.5;
        QTest::newRow("exact decimal") << "1.1e-1" << 0 << 0.11;
        QTest::newRow("above range, kept") << "1e3" << 2 << 1000.0;
        QTest::newRow("below range, kept") << "-3" << 2 << -3.0;
        QTest::newRow("empty exponent") << "1e" << 3 << -1.0;
        QTest::newRow("exponent is a sign") << "1e-" << 3 << -1.0;
        QTest::newRow("exponent not integer") << "1e2.5" << 3 << -1.0;
        QTest::newRow("overflow, not taken") << "2e400" << 1 << -1.0;
        QTest::newRow("too large plain") << "1" + QString(301, '0') << 1 << -1.0;
        QTest::newRow("too small plain") << "0." + QString(301, '0') + "1" << 1 << -1.0;
        QTest::newRow("bare minus") << "-" << 3 << -1.0;
        QTest::newRow("comma") << "0,5" << 3 << -1.0;
        QTest::newRow("letters") << "abc" << 3 << -1.0;
    }
    void realStatesAndValues() {
        QFETCH(QString, text);
        QFETCH(int, state);
        QFETCH(double, value);
        HookRecorder messages;
        Form form;
        form.first->SetRealValue(-1.0);
        Enter(form.first, text);
        QCOMPARE(form.first->CheckState(), state);
        QCOMPARE(form.first->RealValue(), value);
        QCOMPARE(form.first->Text(), text);
        QVERIFY(messages.texts.isEmpty());  // messages only on Tab or Enter
    }

    void integerStatesAndValues() {
        HookRecorder messages;
        Form form;
        NumberEdit* edit = form.second;
        edit->setFocus();
        Type(edit, "250");
        QCOMPARE(edit->CheckState(), int(NumberEdit::UserRange));
        QCOMPARE(edit->IntValue(), 250);  // kept although outside the range
        Enter(edit, "-2147483647");
        QCOMPARE(edit->CheckState(), int(NumberEdit::CompilerRange));
        Enter(edit, "2147483648");
        QCOMPARE(edit->CheckState(), int(NumberEdit::NumberError));
        Enter(edit, "1e2");
        QCOMPARE(edit->CheckState(), int(NumberEdit::NumberError));
        QCOMPARE(edit->IntValue(), -2147483647);
        Type(edit, "25");
        QCOMPARE(edit->CheckState(), int(NumberEdit::Valid));
        QCOMPARE(edit->IntValue(), 25);
    }

    void messagesOnTabAndEnterOnly() {
        HookRecorder messages;
        Form form;
        Type(form.first, "1e3");
        QTest::keyClick(form.first, Qt::Key_Return);
        Type(form.first, "2e400");
        QTest::keyClick(form.first, Qt::Key_Tab);
        form.first->clear();
        QTest::keyClick(form.first, Qt::Key_Enter);
        Type(form.first, "-");  // passes the check as 0, but is no number
        QTest::keyClick(form.first, Qt::Key_Return);
        QCOMPARE(messages.texts, QStringList({"Number exceeds user defined range.",
                                              "Number exceeds compiler range.", "Error in number.",
                                              "Error in number."}));
        QCOMPARE(form.window.focusWidget(), form.first);
    }

    void mantissaWithItsOwnExponent() {
        HookRecorder messages;
        Form form;
        Type(form.first, "1E1e1");
        QCOMPARE(messages.texts,
                 QStringList{"NUMEDIT: There is something wrong !!\nMantisse: 1E1\nExponent: 1"});
        // No number: the value stays that of "1E1", the last number typed, not 1E1 x 10;
        // Enter tells so.
        QCOMPARE(form.first->CheckState(), int(NumberEdit::NumberError));
        QCOMPARE(form.first->RealValue(), 10.0);
        QTest::keyClick(form.first, Qt::Key_Return);
        QCOMPARE(messages.texts.last(), QString("Error in number."));
    }

    // The Enter that closes a message box is pressed in the box; only its release reaches
    // the field. It must not bring the box straight back.
    void enterReleaseFromAMessageBoxIsPassedOver() {
        HookRecorder messages;
        Form form;
        Type(form.first, "x");
        QTest::keyClick(form.first, Qt::Key_Return);
        QCOMPARE(messages.texts, QStringList{"Error in number."});
        QTest::keyRelease(form.first, Qt::Key_Return);
        QTest::keyRelease(form.first, Qt::Key_Enter);
        QCOMPARE(messages.texts.size(), 1);
        QCOMPARE(form.window.focusWidget(), form.first);
    }

    // Text that comes without keys (middle-click paste, drag and drop) is checked and taken
    // at once.
    void pastedAndDroppedTextIsTaken() {
        HookRecorder messages;
        Form form;
        Type(form.first, "5");
        QClipboard* clipboard = QGuiApplication::clipboard();
        if (clipboard->supportsSelection()) {
            form.first->clear();
            clipboard->setText("12.5", QClipboard::Selection);
            QTest::mouseClick(form.first, Qt::MiddleButton);
            QCOMPARE(form.first->RealValue(), 12.5);
        }
        form.first->selectAll();
        clipboard->setText("250");
        form.first->paste();  // the context menu's Paste
        QCOMPARE(form.first->CheckState(), int(NumberEdit::UserRange));
        QCOMPARE(form.first->RealValue(), 250.0);

        form.first->clear();
        QMimeData dragged;
        dragged.setText("x");
        const QPoint at = form.first->rect().center();
        QDragEnterEvent enter(at, Qt::CopyAction, &dragged, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(form.first, &enter);
        QDropEvent drop(at, Qt::CopyAction, &dragged, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(form.first, &drop);
        QCOMPARE(form.first->text(), QString("x"));
        QCOMPARE(form.first->CheckState(), int(NumberEdit::NumberError));
        QVERIFY(messages.texts.isEmpty());
    }

    // While another window is active the field has nothing to guard: its 1 ms timer rests,
    // and starts again when the field's window comes back.
    void focusTimerRestsWhileAnotherWindowIsActive() {
        Form form;
        Type(form.first, "5");
        QVERIFY(form.first->FocusTimerActive());
        QWidget other;
        other.show();
        other.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&other));
        QTRY_VERIFY(!form.first->FocusTimerActive());
        form.window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&form.window));
        QTRY_VERIFY(form.first->FocusTimerActive());
    }

    void modifierReleasesDoNotCheck() {
        Form form;
        QList<int> forwarded;
        QObject::connect(form.first, &NumberEdit::keyReleased,
                         [&](int key, Qt::KeyboardModifiers) { forwarded << key; });
        Type(form.first, "x");
        QCOMPARE(form.first->CheckState(), int(NumberEdit::NumberError));
        form.first->setText("5");  // displayed only: not yet checked
        QTest::keyRelease(form.first, Qt::Key_Control);
        QCOMPARE(form.first->CheckState(), int(NumberEdit::NumberError));
        QTest::keyRelease(form.first, Qt::Key_Shift);
        QCOMPARE(form.first->CheckState(), int(NumberEdit::Valid));
        QTest::keyClick(form.first, Qt::Key_Return);
        QCOMPARE(forwarded, QList<int>({Qt::Key_X, Qt::Key_Control, Qt::Key_Shift}));
    }

    void enterMovesToNextFocusableSiblingAndWraps() {
        HookRecorder messages;
        Form form;
        Type(form.first, "1");
        QTest::keyClick(form.first, Qt::Key_Return);
        QCOMPARE(form.window.focusWidget(), form.second);  // past the label
        Type(form.second, "1");
        QTest::keyClick(form.second, Qt::Key_Return);
        QCOMPARE(form.window.focusWidget(), form.last);  // past the disabled edit
        Type(form.last, "1");
        QTest::keyClick(form.last, Qt::Key_Return);
        QCOMPARE(form.window.focusWidget(), form.first);  // wrapped around
        QVERIFY(messages.texts.isEmpty());
        QVERIFY(!form.last->FocusTimerActive());
    }

    void tabMovesOnlyFromValidField() {
        HookRecorder messages;
        Form form;
        Type(form.first, "abc");
        QTest::keyClick(form.first, Qt::Key_Tab);
        QCOMPARE(form.window.focusWidget(), form.first);
        Type(form.first, "7");
        QTest::keyClick(form.first, Qt::Key_Tab);
        QCOMPARE(form.window.focusWidget(), form.second);
        Type(form.second, "8");
        QTest::keyClick(form.second, Qt::Key_Backtab);
        QCOMPARE(form.window.focusWidget(), form.first);
        QCOMPARE(messages.texts, QStringList{"Error in number."});
    }

    void faultyFieldTakesTheFocusBack() {
        Form form;
        Type(form.first, "1e");
        form.second->setFocus();  // a mouse click elsewhere
        QTRY_COMPARE_WITH_TIMEOUT(form.window.focusWidget(), form.first, 20000);
        // Corrected, the field lets the focus go and its timer stops.
        Type(form.first, "1e1");
        form.second->setFocus();
        QTRY_VERIFY_WITH_TIMEOUT(!form.first->FocusTimerActive(), 20000);
        QCOMPARE(form.window.focusWidget(), form.second);
        // A faulty field that its form switches off stops guarding.
        form.first->setFocus();
        Type(form.first, "x");
        form.first->setEnabled(false);
        QTRY_VERIFY_WITH_TIMEOUT(!form.first->FocusTimerActive(), 20000);
    }

    void faultyFieldBringsItsTabPageBack() {
        QTabWidget tabs;
        auto* page0 = new QWidget;
        auto* field = new NumberEdit(page0);
        field->SetKind(NumberKind::Real);
        field->SetMax(100.0);
        auto* page1 = new QWidget;
        auto* other = new QLineEdit(page1);
        tabs.addTab(page0, "one");
        tabs.addTab(page1, "two");
        tabs.resize(300, 200);
        tabs.show();
        tabs.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&tabs));
        field->setFocus();
        QTest::keyClicks(field, "500");                          // outside the range
        QTRY_VERIFY_WITH_TIMEOUT(field->TabPageNoted(), 20000);  // the timer notes the page
        tabs.setCurrentIndex(1);
        other->setFocus();
        QTRY_COMPARE_WITH_TIMEOUT(tabs.currentIndex(), 0, 20000);
        QTRY_COMPARE_WITH_TIMEOUT(tabs.focusWidget(), field, 20000);
    }

    void rangeAndHintRules() {
        NumberEdit edit;
        QCOMPARE(edit.Max(), 100.0);  // no range yet: Min + 100
        edit.SetMin(5.0);
        QCOMPARE(edit.Max(), 0.0);  // the stored maximum differs from Min again
        edit.SetMax(5.0);           // equal to Min: ignored
        QCOMPARE(edit.Max(), 0.0);
        edit.SetMax(50.0);
        edit.SetMin(50.0);
        QCOMPARE(edit.Max(), 150.0);
        edit.SetDefaultHint(true);
        QCOMPARE(edit.toolTip(), QString("50 150"));
        edit.SetMax(1234567.891);
        QCOMPARE(edit.toolTip(), QString("50 1234567.9"));
        edit.SetMin(-0.5);
        QCOMPARE(edit.toolTip(), QString("-0.5 1234567.9"));
    }

    void valueAndTextWriters() {
        NumberEdit real;
        real.SetKind(NumberKind::Real);
        real.SetRealValue(0.123456789);
        QCOMPARE(real.Text(), QString("0.12345679"));
        QCOMPARE(real.RealValue(), 0.123456789);
        real.SetRealValue(0.12345679);  // the text already reads this value
        QCOMPARE(real.Text(), QString("0.12345679"));
        real.SetText("2.5e1");
        QCOMPARE(real.RealValue(), 25.0);
        real.SetText("junk");
        QCOMPARE(real.RealValue(), 0.0);
        real.SetRealValue(3.0);  // text is no number: left as it is
        QCOMPARE(real.Text(), QString("junk"));

        NumberEdit integer;
        integer.SetIntValue(123456789);
        QCOMPARE(integer.text(), QString("123456789"));
        integer.SetText("12");
        QCOMPARE(integer.IntValue(), 12);
        integer.SetText("12.5");
        QCOMPARE(integer.IntValue(), 0);
    }
};

QTEST_MAIN(NumberEditTest)
#include "number_edit_test.moc"
