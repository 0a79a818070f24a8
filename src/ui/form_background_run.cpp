#include "ui/form_background_run.h"

#include <QEventLoop>
#include <QMetaObject>
#include <QObject>
#include <QPointer>
#include <atomic>
#include <functional>
#include <thread>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include "run/form_run.h"
#include "ui/background_run.h"
#include "ui/form_results_window.h"

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
        QMetaObject::invokeMethod(
            &relay_,
            [window = window_, call] {
                if (window) call(*window);
            },
            Qt::QueuedConnection);
    }

    QObject& relay_;
    const QPointer<FormResultsWindow> window_;
    const std::atomic<bool>& cancel_;
};

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

using FormRunCall = std::function<FormRunResult(MessageSink&, FormView*, const std::atomic<bool>*)>;

FormRunResult InBackground(const FormRunCall& run, MessageSink& messages,
                           FormResultsWindow& window) {
    std::atomic<bool> cancel{false};
    QObject relay;
    QEventLoop loop;
    QObject::connect(&window, &FormResultsWindow::CancelAsked, &relay,
                     [&cancel] { cancel = true; });
    if (window.CancelRequested()) cancel = true;
    ForwardingFormView view(relay, window, cancel);
    ForwardingMessages sink(relay, messages);
    FormRunResult result;
    std::thread worker([&] {
        // The run verbs turn every exception into a failed run.
        result = run(sink, &view, &cancel);
        QMetaObject::invokeMethod(
            &relay, [&loop] { loop.quit(); }, Qt::QueuedConnection);
    });
    loop.exec();
    worker.join();
#if defined(__GLIBC__)
    ::malloc_trim(0);
#endif
    return result;
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
