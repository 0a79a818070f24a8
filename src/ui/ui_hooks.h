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

// Which single button the box carries.
enum class BoxButton { Ok, Cancel };

struct MessageBoxRequest {
    QWidget* parent = nullptr;
    QString text;
    BoxKind kind = BoxKind::Information;
    BoxButton button = BoxButton::Ok;
};

using MessageBoxHook = std::function<void(const MessageBoxRequest&)>;
// Returns the previous hook.
MessageBoxHook SetMessageBoxHook(MessageBoxHook hook);
// Shows a modal box with one button and returns when the user has closed it.
void ShowMessageBox(QWidget* parent, const QString& text, BoxKind kind = BoxKind::Information,
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
