// The few places where the desktop program waits for the user or hands something to the
// desktop: modal message boxes, modal dialogs and opening a link. Each goes through a
// replaceable hook so that tests can record what would have been shown instead of
// blocking on a modal window or starting a browser. An empty hook restores the default.
#pragma once

#include <QString>
#include <QUrl>
#include <functional>

class QDialog;
class QWidget;

namespace membrane {

enum class BoxKind { Information, Warning, Error };

// Which buttons the box carries: one, or the choice of going on ("Continue") or not
// ("Quit").
enum class BoxButton { Ok, Cancel, ContinueOrQuit };

struct MessageBoxRequest {
    QWidget* parent = nullptr;
    QString text;
    BoxKind kind = BoxKind::Information;
    BoxButton button = BoxButton::Ok;
};

using MessageBoxHook = std::function<void(const MessageBoxRequest&)>;
// Returns the previous hook.
MessageBoxHook SetMessageBoxHook(MessageBoxHook hook);
// What a hooked box answers to ContinueOrQuit (true: Continue, the default); returns the
// previous answer.
bool SetMessageBoxAnswer(bool continueChosen);
// Shows a modal box and returns when the user has closed it: false when the user chose
// Quit in a ContinueOrQuit box, true otherwise.
bool ShowMessageBox(QWidget* parent, const QString& text, BoxKind kind = BoxKind::Information,
                    BoxButton button = BoxButton::Ok);

using DialogRunner = std::function<int(QDialog&)>;
DialogRunner SetDialogRunner(DialogRunner runner);
// Shows the dialog modally; returns its result (QDialog::Accepted or QDialog::Rejected).
int RunModal(QDialog& dialog);

using UrlOpener = std::function<void(const QUrl&)>;
UrlOpener SetUrlOpener(UrlOpener opener);
// Hands a web page or mailto: link to the desktop; the outcome is not checked.
void OpenExternalUrl(const QUrl& url);

}  // namespace membrane
