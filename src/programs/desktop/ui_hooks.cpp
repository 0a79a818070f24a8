#include "desktop/ui_hooks.h"

#include <QDesktopServices>
#include <QDialog>
#include <QMessageBox>
#include <QPushButton>
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

bool& Answer() {
    static bool answer = true;
    return answer;
}

bool DefaultMessageBox(const MessageBoxRequest& request) {
    QMessageBox::Icon icon = QMessageBox::Information;
    if (request.kind == BoxKind::Warning) icon = QMessageBox::Warning;
    if (request.kind == BoxKind::Error) icon = QMessageBox::Critical;
    QMessageBox box(icon, QString(), request.text, QMessageBox::NoButton, request.parent);
    if (request.parent) box.setWindowModality(Qt::WindowModal);
    if (request.button == BoxButton::ContinueOrQuit) {
        QPushButton* go = box.addButton(QStringLiteral("&Continue"), QMessageBox::AcceptRole);
        box.addButton(QStringLiteral("&Quit"), QMessageBox::RejectRole);
        box.setDefaultButton(go);
        box.exec();
        return box.clickedButton() == go;
    }
    box.setStandardButtons(request.button == BoxButton::Cancel ? QMessageBox::Cancel
                                                               : QMessageBox::Ok);
    box.exec();
    return true;
}

}  // namespace

MessageBoxHook SetMessageBoxHook(MessageBoxHook hook) {
    return std::exchange(MessageHook(), std::move(hook));
}

bool SetMessageBoxAnswer(bool continueChosen) {
    return std::exchange(Answer(), continueChosen);
}

bool ShowMessageBox(QWidget* parent, const QString& text, BoxKind kind, BoxButton button) {
    const MessageBoxRequest request{parent, text, kind, button};
    if (!MessageHook()) return DefaultMessageBox(request);
    MessageHook()(request);
    return button != BoxButton::ContinueOrQuit || Answer();
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
