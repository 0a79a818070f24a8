#include "desktop/qt_services.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QProcess>
#include <QTimer>
#include <QUrl>

namespace membrane {

void OwnedMessages::Show(const UserMessage& message) {
    if (auto* desktop = dynamic_cast<QtMessageSink*>(&next_); desktop && owner_)
        desktop->ShowOver(owner_, message);
    else
        next_.Show(message);
}

void QtMessageSink::ShowOver(QWidget* owner, const UserMessage& message) {
    QString text = QString::fromStdString(message.text);
    text.replace('\r', '\n');
    const QString caption = message.caption.empty() ? QApplication::applicationName()
                                                    : QString::fromStdString(message.caption);
    QMessageBox box(message.kind == MessageKind::Error     ? QMessageBox::Critical
                    : message.kind == MessageKind::Warning ? QMessageBox::Warning
                                                           : QMessageBox::Information,
                    caption, text, QMessageBox::Ok, owner);
    if (!message.detail.empty()) box.setInformativeText(QString::fromStdString(message.detail));
    if (owner) {
        box.setWindowModality(Qt::WindowModal);
        // Above its window once shown (a window kept on top would otherwise cover it).
        QTimer::singleShot(0, &box, [&box] {
            box.raise();
            box.activateWindow();
        });
    }
    box.exec();
}

bool DesktopOpener::Open(const std::string& pathOrUrl) {
    const QString target = QString::fromStdString(pathOrUrl);
    if (target.contains("://") || target.startsWith("mailto:"))
        return QDesktopServices::openUrl(QUrl(target));
    // xdg-open either hands the file on and ends at once, runs the viewer itself (and ends
    // with it), or finds no program and ends with a failure status within a moment.
    constexpr qint64 kFailureWindowMs = 5000;
    auto* process = new QProcess(QCoreApplication::instance());
    QElapsedTimer started;
    started.start();
    MessageSink* messages = &messages_;
    QObject::connect(
        process, &QProcess::finished, process,
        [process, started, messages, pathOrUrl](int code, QProcess::ExitStatus how) {
            if ((how != QProcess::NormalExit || code != 0) && started.elapsed() < kFailureWindowMs)
                messages->Show(NoViewerMessage(pathOrUrl), MessageKind::Error);
            process->deleteLater();
        });
    QObject::connect(process, &QProcess::errorOccurred, process,
                     [process, messages, pathOrUrl](QProcess::ProcessError error) {
                         if (error != QProcess::FailedToStart) return;
                         messages->Show(NoViewerMessage(pathOrUrl), MessageKind::Error);
                         process->deleteLater();
                     });
    process->setProcessChannelMode(QProcess::ForwardedChannels);
    process->start("xdg-open", {target});
    return true;
}

}  // namespace membrane
