#include "desktop/number_edit.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTimer>
#include <charconv>
#include <cmath>
#include <string>

#include "common/number_format.h"
#include "desktop/ui_hooks.h"

namespace membrane {
namespace {

// The reals the field accepts without an exponent, and the decimal orders it accepts with
// one: beyond them a double loses the number (overflow) or all its digits (underflow).
constexpr double kLargestMagnitude = 1e300;
constexpr double kSmallestMagnitude = 1e-300;
constexpr int kLargestOrder = 300;
// The two most negative 32-bit integers are reserved (they mark "no value" elsewhere).
constexpr std::int64_t kLowestInteger = -2147483646;

bool IsTab(int key) {
    return key == Qt::Key_Tab || key == Qt::Key_Backtab;
}
bool IsEnter(int key) {
    return key == Qt::Key_Return || key == Qt::Key_Enter;
}

// The modifier that a released key itself stands for. Releasing Ctrl or Alt does not
// change the text, so those releases are not checked.
Qt::KeyboardModifiers ShiftStateOf(int key) {
    switch (key) {
        case Qt::Key_Shift:
            return Qt::ShiftModifier;
        case Qt::Key_Control:
            return Qt::ControlModifier;
        case Qt::Key_Alt:
        case Qt::Key_AltGr:
            return Qt::AltModifier;
        default:
            return Qt::NoModifier;
    }
}

// Skips one leading "+" (std::from_chars does not take it) and rejects what from_chars
// would read but a user did not mean as a plain number ("+-1", "inf", "nan").
bool StripPlus(const char*& begin, const char* end) {
    if (begin != end && *begin == '+') {
        ++begin;
        if (begin != end && *begin == '-') return false;
    }
    if (begin == end) return false;
    const char* first = begin;
    if (*first == '-') ++first;
    return first != end && ((*first >= '0' && *first <= '9') || *first == '.');
}

QString FromStd(const std::string& text) {
    return QString::fromStdString(text);
}

}  // namespace

std::optional<std::int32_t> NumberEdit::ParseInteger(const QString& text) {
    const std::string s = text.toStdString();
    const char* begin = s.data();
    const char* end = begin + s.size();
    if (!StripPlus(begin, end)) return std::nullopt;
    std::int32_t value = 0;
    const auto [stop, error] = std::from_chars(begin, end, value);
    if (error != std::errc() || stop != end) return std::nullopt;
    return value;
}

std::optional<double> NumberEdit::ParseReal(const QString& text) {
    const std::string s = text.toStdString();
    const char* begin = s.data();
    const char* end = begin + s.size();
    if (!StripPlus(begin, end)) return std::nullopt;
    double value = 0.0;
    const auto [stop, error] = std::from_chars(begin, end, value, std::chars_format::general);
    if (error != std::errc() || stop != end || !std::isfinite(value)) return std::nullopt;
    return value;
}

QString NumberEdit::CheckMessage(int state) {
    switch (state) {
        case CompilerRange:
            return QStringLiteral("Number exceeds compiler range.");
        case UserRange:
            return QStringLiteral("Number exceeds user defined range.");
        case NumberError:
            return QStringLiteral("Error in number.");
        default:
            return QString();
    }
}

NumberEdit::NumberEdit(QWidget* parent) : QLineEdit(parent), focusTimer_(new QTimer(this)) {
    focusTimer_->setInterval(1);
    connect(focusTimer_, &QTimer::timeout, this, &NumberEdit::FocusTimerTick);
    // Text changed by the user without a key of its own (middle-click paste, drag and
    // drop, the context menu) is checked and taken at once; typed text is checked again
    // at the key release, where a faulty number is told.
    connect(this, &QLineEdit::textEdited, this, [this] { TakeDisplayedText(); });
}

void NumberEdit::SetMin(double value) {
    if (value == min_) return;
    min_ = value;
    if (defaultHint_) RebuildHint();
    update();
}

double NumberEdit::Max() const {
    return max_ != min_ ? max_ : min_ + 100.0;
}

void NumberEdit::SetMax(double value) {
    if (value == max_ || value == min_) return;
    max_ = value;
    if (defaultHint_) RebuildHint();
    update();
}

void NumberEdit::SetDefaultHint(bool on) {
    if (on) RebuildHint();
    defaultHint_ = on;
}

void NumberEdit::RebuildHint() {
    setToolTip(FromStd(FormatGeneral(min_, 8)) + QLatin1Char(' ') +
               FromStd(FormatGeneral(Max(), 8)));
}

void NumberEdit::Display(const QString& text) {
    text_ = text;
    QLineEdit::setText(text);
}

void NumberEdit::SetIntValue(std::int32_t value) {
    intValue_ = value;
    const auto shown = ParseInteger(text_);
    // Plain decimal: eight significant digits would turn 123456789 into a real.
    if (text_.isEmpty() || (shown && *shown != value)) Display(QString::number(value));
}

void NumberEdit::SetRealValue(double value) {
    realValue_ = value;
    const auto shown = ParseReal(text_);
    if (text_.isEmpty() || (shown && *shown != value)) Display(FromStd(FormatGeneral(value, 8)));
}

void NumberEdit::SetText(const QString& text) {
    Display(text);
    bool number = false;
    if (kind_ == NumberKind::Integer) {
        const auto value = ParseInteger(text);
        intValue_ = value ? *value : 0;
        number = value.has_value();
    } else {
        const auto value = ParseReal(text);
        realValue_ = value ? *value : 0.0;
        number = value.has_value();
    }
    // The text shown is the text checked: a fault of what it replaced is gone with it. A
    // number outside the range (a stored setting no longer allowed) is refused at OK.
    const double value = kind_ == NumberKind::Integer ? intValue_ : realValue_;
    lastState_ = !number ? NumberError : OutsideUserRange(value) ? UserRange : Valid;
}

void NumberEdit::ShowCheckMessage() {
    if (lastState_ != Valid) ShowMessageBox(this, FieldMessage(lastState_), BoxKind::Error);
}

QString NumberEdit::FieldMessage(int state) const {
    if (fieldName_.isEmpty() || state == Valid) return CheckMessage(state);
    const QString what = state == NumberError ? QStringLiteral("not a number")
                                              : QStringLiteral("not in the allowed range");
    const QString kind = kind_ == NumberKind::Integer ? QStringLiteral("a whole number")
                                                      : QStringLiteral("a number");
    const QString low = FromStd(FormatGeneral(min_, 8)), high = FromStd(FormatGeneral(Max(), 8));
    const QString range =
        minExclusive_ ? QStringLiteral("more than ") + low + QStringLiteral(", at most ") + high
                      : QStringLiteral("from ") + low + QStringLiteral(" to ") + high;
    return fieldName_ + QStringLiteral(": ") + what + QStringLiteral("; allowed: ") + kind +
           QLatin1Char(' ') + range + QLatin1Char('.');
}

bool NumberEdit::FocusTimerActive() const {
    return focusTimer_->isActive();
}

// ---------------------------------------------------------------------------------------
// Checking the text

bool NumberEdit::OutsideUserRange(double value) const {
    return value < min_ || (minExclusive_ && value == min_) || value > max_;
}

int NumberEdit::CheckDisplayedText(QString& mantissa, QString& exponent, bool& split) {
    const QString shown = QLineEdit::text();
    text_ = shown;
    split = false;
    malformed_ = false;
    if (shown.isEmpty()) return NumberError;
    mantissa = shown;
    exponent.clear();
    if (kind_ == NumberKind::Real) {
        qsizetype at = shown.indexOf(QLatin1Char('e'));
        if (at < 0) at = shown.indexOf(QLatin1Char('E'));
        if (at >= 0) {
            split = true;
            mantissa = shown.left(at);
            exponent = shown.mid(at + 1);
        }
    }
    if (split && exponent.isEmpty()) return NumberError;
    return CheckNumber(mantissa, exponent);
}

int NumberEdit::CheckNumber(const QString& mantissa, const QString& exponent) {
    if (kind_ == NumberKind::Integer) {
        const auto value = ParseInteger(mantissa);
        if (!value) return NumberError;
        if (*value < kLowestInteger) return CompilerRange;
        if (OutsideUserRange(*value)) return UserRange;
        return Valid;
    }

    std::int64_t e = 0;
    if (!exponent.isEmpty()) {
        if (exponent == QLatin1String("-") || exponent == QLatin1String("+")) return NumberError;
        const auto parsed = ParseInteger(exponent);
        if (!parsed) return NumberError;
        e = *parsed;
    }
    if (mantissa.isEmpty()) return NumberError;
    double m = 0.0;
    if (mantissa != QLatin1String("-") && mantissa != QLatin1String("+")) {
        const auto parsed = ParseReal(mantissa);
        if (!parsed) return NumberError;
        m = *parsed;
    }

    if (exponent.isEmpty()) {
        const double size = std::fabs(m);
        if ((m != 0.0 && size < kSmallestMagnitude) || size > kLargestMagnitude)
            return CompilerRange;
        return OutsideUserRange(m) ? UserRange : Valid;
    }

    const std::int64_t order = m == 0.0 ? -kLargestOrder : std::llround(std::log10(std::fabs(m)));
    if (e + order < -kLargestOrder || e + order > kLargestOrder) return CompilerRange;

    const auto value = ParseReal(e != 0 ? mantissa + QLatin1Char('E') + exponent : mantissa);
    if (!value) {
        // The mantissa carried an exponent of its own ("1E5e3") or was a bare sign: no
        // number, whatever a product of the two parts would give.
        malformed_ = true;
        return NumberError;
    }
    return OutsideUserRange(*value) ? UserRange : Valid;
}

int NumberEdit::TakeDisplayedText() {
    QString mantissa;
    QString exponent;
    bool split = false;
    int state = CheckDisplayedText(mantissa, exponent, split);
    if (malformed_) {
        malformedMantissa_ = mantissa;
        malformedExponent_ = exponent;
    }

    // Keep the number even when it lies outside the user range; only a number that does
    // not exist or does not fit a double is not taken.
    if (state != NumberError && kind_ == NumberKind::Integer) {
        intValue_ = *ParseInteger(mantissa);
    } else if (state != NumberError) {
        const auto m = ParseReal(mantissa);
        const auto e = split ? ParseInteger(exponent) : std::optional<std::int32_t>(0);
        if (!m || !e) {
            state = NumberError;  // a bare sign passes the check as 0 but is no number
        } else if (state != CompilerRange) {
            if (!split) {
                realValue_ = *m;
            } else if (const auto whole = ParseReal(mantissa + QLatin1Char('E') + exponent)) {
                realValue_ = *whole;  // correctly rounded m * 10^e
            } else {
                const long double scaled = static_cast<long double>(*m) * std::pow(10.0L, *e);
                if (std::isfinite(static_cast<double>(scaled)))
                    realValue_ = static_cast<double>(scaled);
            }
        }
    }
    lastState_ = state;
    return state;
}

// ---------------------------------------------------------------------------------------
// Key handling

bool NumberEdit::event(QEvent* event) {
    // Tab normally moves the focus on the key press, before this field sees anything. It is
    // acted on at the key release instead, where a faulty number can refuse it.
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (IsTab(key->key()) && !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
            pressedKeys_.insert(key->key());
            key->accept();
            return true;
        }
    }
    return QLineEdit::event(event);
}

void NumberEdit::keyPressEvent(QKeyEvent* event) {
    pressedKeys_.insert(event->key());
    QLineEdit::keyPressEvent(event);
    // Enter belongs to this field (it moves on at the release), not to a dialog's default
    // button.
    if (IsEnter(event->key())) event->accept();
}

void NumberEdit::keyReleaseEvent(QKeyEvent* event) {
    QLineEdit::keyReleaseEvent(event);
    if (event->isAutoRepeat()) return;  // a held key counts once, when it is let go
    const int key = event->key();
    // A Tab or Enter release whose press this field never saw belongs to whatever had the
    // focus then: the Enter that closed a message box must not check (and refuse) again.
    if (!pressedKeys_.remove(key) && (IsTab(key) || IsEnter(key))) return;
    const bool backwards =
        key == Qt::Key_Backtab || (key == Qt::Key_Tab && (event->modifiers() & Qt::ShiftModifier));
    if (IsTab(key) || IsEnter(key)) event->accept();

    if (!checkPending_) RestartFocusTimer();

    int state = Valid;
    const Qt::KeyboardModifiers shift = ShiftStateOf(key);
    if (shift == Qt::NoModifier || shift == Qt::ShiftModifier) {
        state = TakeDisplayedText();
        if (malformed_) {
            ShowMessageBox(this,
                           QStringLiteral("NUMEDIT: There is something wrong !!\nMantisse: ") +
                               malformedMantissa_ + QStringLiteral("\nExponent: ") +
                               malformedExponent_,
                           BoxKind::Error);
            RestartFocusTimer();
        }

        if ((IsTab(key) || IsEnter(key)) && state != Valid) {
            ShowMessageBox(this, FieldMessage(state), BoxKind::Error);
            RestartFocusTimer();
        }
    }

    if (!IsTab(key) && !IsEnter(key)) emit keyReleased(key, shift);

    if (state == Valid && (IsTab(key) || IsEnter(key))) {
        StopFocusTimer();
        if (IsEnter(key))
            FocusNextSibling();
        else
            focusNextPrevChild(!backwards);
        return;
    }

    const TabPlace place = FindTabPlace();
    if (place.tabs) place.tabs->setCurrentIndex(place.page);
    if (CanTakeFocus()) setFocus(Qt::OtherFocusReason);
}

void NumberEdit::focusInEvent(QFocusEvent* event) {
    QLineEdit::focusInEvent(event);
    if (checkPending_ && !focusTimer_->isActive()) focusTimer_->start();
    const bool byTab =
        event->reason() == Qt::TabFocusReason || event->reason() == Qt::BacktabFocusReason;
    if (!autoSelect_ && byTab) deselect();
}

// ---------------------------------------------------------------------------------------
// Focus keeping

void NumberEdit::RestartFocusTimer() {
    checkPending_ = true;
    focusTimer_->start();
}

void NumberEdit::StopFocusTimer() {
    focusTimer_->stop();
    checkPending_ = false;
}

void NumberEdit::FocusTimerTick() {
    // Once the field has been given its focus back, selecting everything on the way in
    // would make the next key press wipe what the user is correcting.
    autoSelect_ = false;

    // A closed window or a field switched off by its form has nothing left to guard; the
    // timer would only spin.
    if (!window()->isVisible() || !isEnabled()) {
        StopFocusTimer();
        notedTabs_ = nullptr;
        pageNoted_ = false;
        return;
    }

    if (!checkPending_ || !pageNoted_) {
        const TabPlace place = FindTabPlace();
        notedTabs_ = place.tabs;
        notedPage_ = place.tabs ? place.tabs->currentIndex() : -1;
        pageNoted_ = true;
    }

    if (OwnsWindowFocus()) {
        checkPending_ = true;
        // Another window is active: nothing can move this window's focus until it comes
        // back, when the focus returns to the field and the timer starts again.
        if (!window()->isActiveWindow()) focusTimer_->stop();
        return;
    }
    if (lastState_ != Valid) {
        if (notedTabs_) notedTabs_->setCurrentIndex(notedPage_);
        if (CanTakeFocus()) setFocus(Qt::OtherFocusReason);
        return;
    }
    StopFocusTimer();
    notedTabs_ = nullptr;
    notedPage_ = -1;
    pageNoted_ = false;
}

// The field is its window's focus widget. Asked of the window rather than of the
// application, so that a message box on top or another program's window does not count
// as the field having been left.
bool NumberEdit::OwnsWindowFocus() const {
    return window()->focusWidget() == this;
}

bool NumberEdit::CanTakeFocus() const {
    return isEnabled() && isVisibleTo(window()) && focusPolicy() != Qt::NoFocus;
}

void NumberEdit::FocusNextSibling() {
    QWidget* parent = parentWidget();
    if (!parent) return;
    const QList<QWidget*> siblings = parent->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    const qsizetype self = siblings.indexOf(this);
    const qsizetype count = siblings.size();
    for (qsizetype step = 1; step < count; ++step) {
        QWidget* candidate = siblings[(self + step) % count];
        if (!candidate->isWindow() && candidate->isEnabled() && candidate->isVisibleTo(window()) &&
            candidate->focusPolicy() != Qt::NoFocus) {
            candidate->setFocus(Qt::TabFocusReason);
            return;
        }
    }
}

// The nearest tab widget among the ancestors and the index of its page that holds this
// field (a tab widget's pages are the children of its internal stacked widget).
NumberEdit::TabPlace NumberEdit::FindTabPlace() const {
    for (const QWidget* w = this; w && !w->isWindow(); w = w->parentWidget()) {
        QWidget* stack = w->parentWidget();
        if (!stack || !qobject_cast<QStackedWidget*>(stack)) continue;
        if (auto* tabs = qobject_cast<QTabWidget*>(stack->parentWidget())) {
            const int page = tabs->indexOf(const_cast<QWidget*>(w));
            if (page >= 0) return {tabs, page};
        }
    }
    return {};
}

}  // namespace membrane
