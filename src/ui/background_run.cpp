#include "ui/background_run.h"

#include <QEventLoop>
#include <QMetaObject>
#include <QObject>
#include <QPointer>
#include <atomic>
#include <thread>
#include <utility>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include "ui/qt_services.h"
#include "ui/results_window.h"

namespace membrane {
namespace {

RunProgressHook& ProgressHook() {
    static RunProgressHook hook;
    return hook;
}

// The run's view on the worker thread: forwards every call to the results window on the
// GUI thread, through `relay` (an object of the GUI thread that outlives the run). The
// window may be gone by the time a call arrives: it is then dropped.
class ForwardingView final : public ResultsView {
  public:
    ForwardingView(QObject& relay, ResultsWindow& window, const std::atomic<bool>& cancel)
        : relay_(relay), window_(&window), cancel_(cancel) {}

    void ShowMessage(const std::string& text) override {
        if (ProgressHook()) ProgressHook()(text);
        Post([text](ResultsWindow& w) { w.ShowMessage(text); });
    }
    void ShowInput(std::shared_ptr<const Model> model, bool loaded) override {
        Post([model, loaded](ResultsWindow& w) { w.ShowInput(model, loaded); });
    }
    void SetFlatArea(const std::string& text) override {
        Post([text](ResultsWindow& w) { w.SetFlatArea(text); });
    }
    void SetFinalArea(const std::string& text) override {
        Post([text](ResultsWindow& w) { w.SetFinalArea(text); });
    }
    void ShowResults(std::shared_ptr<const Solution> solution) override {
        Post([solution](ResultsWindow& w) { w.ShowResults(solution); });
    }
    bool CancelRequested() override { return cancel_.load(); }

  private:
    template <typename Call>
    void Post(Call call) {
        QMetaObject::invokeMethod(
            &relay_,
            [window = window_, call] {
                if (window) call(*window);
            },
            Qt::QueuedConnection);
    }

    QObject& relay_;
    const QPointer<ResultsWindow> window_;
    const std::atomic<bool>& cancel_;
};

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

}  // namespace

RunProgressHook SetRunProgressHook(RunProgressHook hook) {
    return std::exchange(ProgressHook(), std::move(hook));
}

void CallRunProgressHook(const std::string& line) {
    if (ProgressHook()) ProgressHook()(line);
}

RunResult RunInBackground(const RunRequest& request, MessageSink& messages, ResultsWindow& window) {
    std::atomic<bool> cancel{false};
    QObject relay;  // lives on the GUI thread for the whole run
    QEventLoop loop;
    QObject::connect(&window, &ResultsWindow::CancelAsked, &relay, [&cancel] { cancel = true; });
    if (window.CancelRequested()) cancel = true;

    RunRequest ownRequest = request;
    ownRequest.cancel = &cancel;
    ForwardingView view(relay, window, cancel);
    // The run's message boxes open over its results window, not under it.
    OwnedMessages overWindow(messages, &window);
    ForwardingMessages sink(relay, overWindow);
    RunResult result;
    std::thread worker([&] {
        // RunModel turns every exception into a failed run.
        result = RunModel(ownRequest, sink, &view);
        // Queued behind the run's last view calls: the loop ends after they are shown.
        QMetaObject::invokeMethod(
            &relay, [&loop] { loop.quit(); }, Qt::QueuedConnection);
    });
    loop.exec();
    worker.join();
#if defined(__GLIBC__)
    // The solver's work (gigabytes for a large mesh) was freed on the worker's heap arena,
    // which the allocator keeps for reuse: hand it back to the system.
    ::malloc_trim(0);
#endif
    return result;
}

}  // namespace membrane
