#include "desktop/form_background_run.h"

#include <QObject>
#include <QPointer>
#include <atomic>
#include <functional>

#include "desktop/background_run.h"
#include "desktop/form_results_window.h"
#include "desktop/worker_thread.h"
#include "form/form_run.h"

namespace membrane {
namespace {

// The run's view on the worker thread: forwards every call to the window on the GUI
// thread through `relay`; a call that arrives after the window has gone is dropped.
class ForwardingFormView final : public FormView {
  public:
    ForwardingFormView(QObject& relay, FormResultsWindow& window, const std::atomic<bool>& cancel)
        : relay_(relay), window_(&window), cancel_(cancel) {}

    void ShowMessage(const std::string& text) override {
        CallRunProgressHook(text);
        Post([text](FormResultsWindow& w) { w.ShowMessage(text); });
    }
    void ShowModel(std::shared_ptr<const FormModel> model) override {
        Post([model](FormResultsWindow& w) { w.ShowModel(model); });
    }
    void ShowResults(std::shared_ptr<const FormSolution> solution) override {
        Post([solution](FormResultsWindow& w) { w.ShowResults(solution); });
    }
    bool CancelRequested() override { return cancel_.load(); }

  private:
    template <typename Call>
    void Post(Call call) {
        PostToWindow(relay_, window_, call);
    }

    QObject& relay_;
    const QPointer<FormResultsWindow> window_;
    const std::atomic<bool>& cancel_;
};

using FormRunCall = std::function<FormRunResult(MessageSink&, FormView*, const std::atomic<bool>*)>;

FormRunResult InBackground(const FormRunCall& run, MessageSink& messages,
                           FormResultsWindow& window) {
    std::atomic<bool> cancel{false};
    QObject relay;
    QObject::connect(&window, &FormResultsWindow::CancelAsked, &relay,
                     [&cancel] { cancel = true; });
    if (window.CancelRequested()) cancel = true;
    ForwardingFormView view(relay, window, cancel);
    ForwardingMessages sink(relay, messages);
    // The run verbs turn every exception into a failed run.
    return OnWorkerThread<FormRunResult>(relay, [&] { return run(sink, &view, &cancel); });
}

}  // namespace

FormRunResult RunFormInBackground(const FormRequest& request, MessageSink& messages,
                                  FormResultsWindow& window) {
    return InBackground(
        [&request](MessageSink& sink, FormView* view, const std::atomic<bool>* cancel) {
            FormRequest own = request;
            own.cancel = cancel;
            return RunForm(own, sink, view);
        },
        messages, window);
}

FormRunResult FindFormInBackground(std::shared_ptr<const FormModel> model, MessageSink& messages,
                                   FormResultsWindow& window) {
    return InBackground(
        [&model](MessageSink& sink, FormView* view, const std::atomic<bool>* cancel) {
            return FindForm(model, sink, view, cancel);
        },
        messages, window);
}

}  // namespace membrane
