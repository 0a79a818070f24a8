#include "ui/ui_hooks.h"

#include <QDesktopServices>
#include <QDialog>
#include <QMessageBox>
#include <utility>

namespace membrane {
namespace {

MessageBoxHook& MessageHook() {
    static MessageBoxHook hook;
    return hook;
}

DialogRunner& Runner() {
    static DialogRunner runner;
    return runner;
}

UrlOpener& Opener() {
    static UrlOpener opener;
    return opener;
}

void DefaultMessageBox(const MessageBoxRequest& request) {
    QMessageBox::Icon icon = QMessageBox::Information;
    if (request.kind == BoxKind::Warning) icon = QMessageBox::Warning;
    if (request.kind == BoxKind::Error) icon = QMessageBox::Critical;
    const QMessageBox::StandardButton button =
        request.button == BoxButton::Cancel ? QMessageBox::Cancel : QMessageBox::Ok;
    QMessageBox box(icon, QString(), request.text, button, request.parent);
    box.exec();
}

}  // namespace

MessageBoxHook SetMessageBoxHook(MessageBoxHook hook) {
    return std::exchange(MessageHook(), std::move(hook));
}

void ShowMessageBox(QWidget* parent, const QString& text, BoxKind kind, BoxButton button) {
    const MessageBoxRequest request{parent, text, kind, button};
    if (MessageHook())
        MessageHook()(request);
    else
        DefaultMessageBox(request);
}

DialogRunner SetDialogRunner(DialogRunner runner) {
    return std::exchange(Runner(), std::move(runner));
}

int RunModal(QDialog& dialog) {
    if (Runner()) return Runner()(dialog);
    return dialog.exec();
}

UrlOpener SetUrlOpener(UrlOpener opener) {
    return std::exchange(Opener(), std::move(opener));
}

void OpenExternalUrl(const QUrl& url) {
    if (Opener())
        Opener()(url);
    else
        QDesktopServices::openUrl(url);
}

}  // namespace membrane
