// A one-line edit for a single integer or real number with a user range.
//
// The text is checked at every key release (and at once when it is changed without keys:
// pasted or dropped) and the parsed number kept in IntValue or RealValue. Leaving the field with
// Tab or Enter while the text is faulty shows why and keeps the field; any other attempt to move
// the focus away (a mouse click, another tab page) is undone by a 1 ms timer, so a faulty number
// cannot be left behind. Enter in a valid field moves on to the next control of the same parent.
//
// Numbers are read and written with "." as the decimal point whatever the locale.
#pragma once

#include <QLineEdit>
#include <QPointer>
#include <QSet>
#include <QString>
#include <cstdint>
#include <optional>

class QTabWidget;
class QTimer;

namespace membrane {

enum class NumberKind { Integer, Real };

class NumberEdit : public QLineEdit {
    Q_OBJECT

  public:
    // Result of checking the text.
    enum CheckResult {
        Valid = 0,
        CompilerRange = 1,  // beyond what a 32-bit integer or a double can sensibly hold
        UserRange = 2,      // a number, but outside [Min, Max]
        NumberError = 3,    // not a number
    };

    explicit NumberEdit(QWidget* parent = nullptr);

    NumberKind Kind() const { return kind_; }
    void SetKind(NumberKind kind) { kind_ = kind; }

    double Min() const { return min_; }
    void SetMin(double value);
    // The stored maximum, or Min + 100 while it equals Min (an empty range is no range).
    double Max() const;
    void SetMax(double value);  // ignored when equal to the stored maximum or to Min

    std::int32_t IntValue() const { return intValue_; }
    void SetIntValue(std::int32_t value);
    double RealValue() const { return realValue_; }
    void SetRealValue(double value);

    // The field's name in its messages, which then tell the allowed range; and whether
    // Min itself is outside it (an accuracy of 0 could never be met).
    void SetFieldName(const QString& name) { fieldName_ = name; }
    void SetMinExclusive(bool exclusive) { minExclusive_ = exclusive; }
    // The message of a check state: CheckMessage's, or with a field name "accuracy: not in
    // the allowed range; allowed: more than 0, at most 100".
    QString FieldMessage(int state) const;

    bool DefaultHint() const { return defaultHint_; }
    void SetDefaultHint(bool on);  // on: the tool tip shows "Min Max"

    // The text as last checked at a key release or set through SetText.
    QString Text() const { return text_; }
    // Shows `text` and takes its number as the value (0 and NumberError when it is no
    // number, else Valid).
    void SetText(const QString& text);

    // Check state of the last key release that checked the text.
    int CheckState() const { return lastState_; }
    // Shows the message of the current check state (nothing when valid).
    void ShowCheckMessage();
    static QString CheckMessage(int state);

    bool FocusTimerActive() const;
    // Whether the focus-keeping timer has noted the tab page the field sits on (it brings
    // that page back when the focus leaves it).
    bool TabPageNoted() const { return pageNoted_; }

    // Locale-free parsers shared with the dialogs: optional sign, digits, "." and (for
    // reals) an exponent; no blanks, no "inf" or "nan".
    static std::optional<std::int32_t> ParseInteger(const QString& text);
    static std::optional<double> ParseReal(const QString& text);

  signals:
    // Every key release except Tab and Enter, with the modifier the released key stands
    // for (Shift, Control or Alt; none for other keys).
    void keyReleased(int key, Qt::KeyboardModifiers shift);

  protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;

  private:
    struct TabPlace {
        QTabWidget* tabs = nullptr;
        int page = -1;
    };

    void KeyReleased(int key);
    // Checks the shown text and takes its number; the check state.
    int TakeDisplayedText();
    int CheckDisplayedText(QString& mantissa, QString& exponent, bool& split);
    int CheckNumber(const QString& mantissa, const QString& exponent);
    bool OutsideUserRange(double value) const;
    void RestartFocusTimer();
    void StopFocusTimer();
    void FocusTimerTick();
    void FocusNextSibling();
    bool CanTakeFocus() const;
    bool OwnsWindowFocus() const;
    TabPlace FindTabPlace() const;
    void RebuildHint();
    void Display(const QString& text);

    NumberKind kind_ = NumberKind::Integer;
    double min_ = 0.0;
    double max_ = 0.0;
    std::int32_t intValue_ = 0;
    double realValue_ = 0.0;
    bool defaultHint_ = false;
    bool minExclusive_ = false;
    QString fieldName_;
    QString text_;

    int lastState_ = Valid;
    // The last check met a mantissa with an exponent of its own ("1E5e3"), and its parts.
    bool malformed_ = false;
    QString malformedMantissa_, malformedExponent_;
    // Keys pressed in this field and not yet released.
    QSet<int> pressedKeys_;
    bool autoSelect_ = true;  // select the whole text when entered with Tab

    // The focus-keeping timer and the page of the tab widget the field sits on when the
    // timer first looked. Kept per field: a field left faulty in one window must not stop
    // the fields of another window from guarding themselves.
    QTimer* focusTimer_ = nullptr;
    bool checkPending_ = false;
    QPointer<QTabWidget> notedTabs_;
    int notedPage_ = -1;
    bool pageNoted_ = false;
};

}  // namespace membrane
