#include "ui/qt_services.h"

#include <QApplication>
#include <QDesktopServices>
#include <QMessageBox>
#include <QUrl>

namespace membrane {

void QtMessageSink::Show(const UserMessage& message) {
    QString text = QString::fromStdString(message.text);
    text.replace('\r', '\n');
    const QString caption = message.caption.empty() ? QApplication::applicationName()
                                                    : QString::fromStdString(message.caption);
    QMessageBox box(message.kind == MessageKind::Error     ? QMessageBox::Critical
                    : message.kind == MessageKind::Warning ? QMessageBox::Warning
                                                           : QMessageBox::Information,
                    caption, text, QMessageBox::Ok, owner_);
    if (!message.detail.empty()) box.setInformativeText(QString::fromStdString(message.detail));
    box.exec();
}

void DesktopOpener::Open(const std::string& pathOrUrl) {
    const QString target = QString::fromStdString(pathOrUrl);
    const QUrl url = target.contains("://") || target.startsWith("mailto:")
                         ? QUrl(target)
                         : QUrl::fromLocalFile(target);
    QDesktopServices::openUrl(url);
}

}  // namespace membrane
