// What a run on a worker thread needs on both sides of the thread boundary: its message
// sink forwarded to the GUI thread, the calls to its window posted there, and the wait
// for the worker that keeps the GUI thread handling events meanwhile.
#pragma once

#include <QEventLoop>
#include <QMetaObject>
#include <QObject>
#include <QPointer>
#include <thread>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include "common/messages.h"

namespace membrane {

// The run's message sink on the worker thread: shows each message on the GUI thread and
// waits until the user has closed it, as a run on the GUI thread did.
class ForwardingMessages final : public MessageSink {
  public:
    ForwardingMessages(QObject& relay, MessageSink& messages)
        : relay_(relay), messages_(messages) {}
    using MessageSink::Show;
    void Show(const UserMessage& message) override {
        QMetaObject::invokeMethod(
            &relay_, [this, &message] { messages_.Show(message); }, Qt::BlockingQueuedConnection);
    }

  private:
    QObject& relay_;
    MessageSink& messages_;
};

// Calls `call(window)` on the GUI thread through `relay` (an object of the GUI thread that
// outlives the run); dropped when the window has gone by then.
template <typename Window, typename Call>
void PostToWindow(QObject& relay, const QPointer<Window>& window, Call call) {
    QMetaObject::invokeMethod(
        &relay,
        [window, call] {
            if (window) call(*window);
        },
        Qt::QueuedConnection);
}

// Runs `work` on a worker thread while this (the GUI) thread goes on handling events, and
// returns what it returned. The end is queued behind the worker's last posted calls, so
// they are all handled when this returns.
template <typename Result, typename Work>
Result OnWorkerThread(QObject& relay, Work work) {
    QEventLoop loop;
    Result result;
    std::thread worker([&] {
        result = work();
        QMetaObject::invokeMethod(
            &relay, [&loop] { loop.quit(); }, Qt::QueuedConnection);
    });
    loop.exec();
    worker.join();
#if defined(__GLIBC__)
    // The work (gigabytes for a large mesh) was freed on the worker's heap arena, which the
    // allocator keeps for reuse: hand it back to the system.
    ::malloc_trim(0);
#endif
    return result;
}

}  // namespace membrane
