#include "desktop/background_run.h"

#include <QObject>
#include <QPointer>
#include <atomic>
#include <utility>

#include "desktop/qt_services.h"
#include "desktop/results_window.h"
#include "desktop/worker_thread.h"

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
        PostToWindow(relay_, window_, call);
    }

    QObject& relay_;
    const QPointer<ResultsWindow> window_;
    const std::atomic<bool>& cancel_;
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
    QObject::connect(&window, &ResultsWindow::CancelAsked, &relay, [&cancel] { cancel = true; });
    if (window.CancelRequested()) cancel = true;

    RunRequest ownRequest = request;
    ownRequest.cancel = &cancel;
    ForwardingView view(relay, window, cancel);
    // The run's message boxes open over its results window, not under it.
    OwnedMessages overWindow(messages, &window);
    ForwardingMessages sink(relay, overWindow);
    // RunModel turns every exception into a failed run.
    return OnWorkerThread<RunResult>(relay, [&] { return RunModel(ownRequest, sink, &view); });
}

}  // namespace membrane
