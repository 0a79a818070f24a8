// Form-finding in the desktop program, drawn by OpenGL (under Xvfb: Mesa's software
// renderer): generated form models opened and run from the main window, their tables
// against the command line's report of the same model, a reaction's row marked in the
// picture and a click on its arrow choosing the row, a cable force changed and run again
// (the sag as the command line finds it), and a catenoid too tall for an equilibrium shown
// as such with its neck outlined. Without an OpenGL context the suite is skipped.
//
// MEMBRANE_SCREENSHOT_DIR=dir saves the pictures of the README (form-sail.png,
// form-cone-tent.png). The frame rate is measured by bench/frame_rate_bench.cpp.
#include "desktop/form_results_window.h"

#include <QDoubleSpinBox>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QPainter>
#include <QProcess>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QtTest>
#include <cmath>
#include <fstream>
#include <map>
#include <sstream>

#include "desktop/form_surface_view.h"
#include "desktop/main_window.h"
#include "desktop/run_wiring.h"
#include "form/form_generator.h"
#include "form/form_model_writer.h"
#include "form/form_run.h"
#include "ui_test_support.h"

using namespace membrane;
using namespace membrane::test;

namespace {

struct App {
    App() : window(nullptr, MainWindowStartup{Q(dir.File("membrane-gui")), QSize(1280, 1024)}) {
        ConnectRuns(window, sink, opener, {}, {},
                    [this](FormResultsWindow& results) { form = &results; });
    }
    // Opens and runs a model file; the run has ended when Run returns.
    FormResultsWindow* Run(const std::string& model) {
        if (!window.SelectModelFile(Q(model))) return nullptr;
        window.Run();
        if (form) (void)QTest::qWaitForWindowExposed(form);
        return form;
    }

    TempDir dir;
    RecordingMessageSink sink;
    RecordingOpener opener;
    MainWindow window;
    QPointer<FormResultsWindow> form;
};

// The model written as a user's TOML and OBJ in directory `sub` of `dir`.
std::string Write(const TempDir& dir, const std::string& sub, const FormModel& model) {
    std::filesystem::create_directories(dir.File(sub));
    const std::string path = dir.File(sub + "/form.toml");
    WriteFormModelFiles(model, path);
    return path;
}

// The rows of a section of the report the command line writes for `model`, by their first
// field after the name (a support's node) or by the name (a cable): the numbers at the
// end of each line, `count` of them.
using ReportRows = std::map<std::string, QStringList>;
ReportRows CliReport(const std::string& model, const char* section, int count, bool byNode) {
    QProcess cli;
    cli.start(MEMBRANE_CLI, {"form", Q(model), "-q"});
    cli.waitForFinished(-1);
    std::ifstream report(model.substr(0, model.size() - 5) + ".form.txt");
    ReportRows rows;
    std::string line;
    bool inside = false;
    while (std::getline(report, line)) {
        if (line.rfind(section, 0) == 0) {
            inside = true;
            continue;
        }
        if (!inside) continue;
        if (line.empty()) break;
        std::istringstream words(line);
        QStringList tokens;
        for (std::string word; words >> word;) tokens << Q(word);
        if (tokens.size() <= count) continue;
        const QStringList numbers = tokens.mid(tokens.size() - count);
        const QStringList front = tokens.mid(0, tokens.size() - count);
        bool number = false;
        numbers.first().toDouble(&number);
        if (!number || front.last() == "sum") continue;  // headings, a support's sum
        rows[(byNode ? front.last() : front.join(" ")).toStdString()] = numbers;
    }
    return rows;
}

QStringList Cells(QTableWidget* table, int row, int from, int count) {
    QStringList cells;
    for (int c = from; c < from + count; ++c) cells << table->item(row, c)->text();
    return cells;
}

int Count(const QImage& image, QPoint centre, int radius, bool (*test)(QColor)) {
    int count = 0;
    for (int y = centre.y() - radius; y <= centre.y() + radius; ++y)
        for (int x = centre.x() - radius; x <= centre.x() + radius; ++x)
            if (image.valid(x, y)) count += test(image.pixelColor(x, y));
    return count;
}

bool Magenta(QColor c) {
    return c.red() > 200 && c.blue() > 200 && c.green() < 80;
}
bool Purple(QColor c) {
    return c.red() > 140 && c.red() < 220 && c.blue() > 200 && c.green() < 60;
}

// A four-point sail: a square of 10 m with two opposite corners 3 m up, edge cables of
// 30 kN, prestress 2 kN/m, started on the hyperbolic paraboloid through its corners.
FormModel Sail() {
    FormModel sail = GenerateCableSquareForm({10.0, 2.0, 30.0}, 900);
    for (Vec3& p : sail.start) p.z = 1.5 + 1.5 * (1 - p.x / 5) * (1 - p.y / 5);
    sail.settings.accuracy = 1e-4;
    FinishFormModel(sail);
    return sail;
}

// A cone tent: a disc of 6 m held at its rim, the part within 1.5 m of its centre held 2 m
// up (a mast head), prestress 2 kN/m, started as a cone. (A minimal surface from a ring of
// 1.5 m to one of 6 m rises by less than 3 m: a taller tent has no equilibrium.)
FormModel ConeTent() {
    FormModel tent = GenerateCapForm({6.0, 2.0, 0.0}, 1500);
    SupportSpec mast{"mast head", {}};
    for (std::size_t i = 0; i < tent.start.size(); ++i) {
        Vec3& p = tent.start[i];
        const double r = Norm(p);
        p.z = 2.0 * std::min(1.0, (6.0 - r) / 4.5);
        if (r <= 1.5 + 1e-9) mast.nodes.push_back(static_cast<std::int32_t>(i));
    }
    tent.supports.push_back(mast);
    tent.settings.accuracy = 1e-4;
    FinishFormModel(tent);
    return tent;
}

// The window with the view's own picture in its place (a grab of the window alone leaves
// out what is painted over the OpenGL drawing).
QImage Screenshot(FormResultsWindow& window) {
    QImage shot = window.grab().toImage();
    QPainter painter(&shot);
    painter.drawImage(window.View()->mapTo(&window, QPoint(0, 0)),
                      window.View()->grabFramebuffer());
    return shot;
}

}  // namespace

class FormResultsWindowTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() {
        QOpenGLContext context;
        QOffscreenSurface surface;
        surface.create();
        if (!context.create() || !context.makeCurrent(&surface))
            QSKIP("no OpenGL context: run under xvfb-run with Mesa (libgl1-mesa-dri)");
        context.doneCurrent();
    }

    // The catenoid's supports as the command line reports them; a row chosen is marked at
    // its node, a click on a reaction's arrow chooses its row.
    void catenoidSupportsAsTheReport() {
        App app;
        const FormModel catenoid = GenerateCatenoidForm({10.0, 12.0, 1.0}, 400);
        FormResultsWindow* w = app.Run(Write(app.dir, "gui", catenoid));
        QVERIFY(w);
        QCOMPARE(w->ShownRun().outcome, RunOutcome::Success);
        QVERIFY(app.window.RecentFiles().first().endsWith("form.toml"));
        const ReportRows report = CliReport(Write(app.dir, "cli", catenoid), "SUPPORTS", 7, true);
        QTableWidget* supports = w->SupportsTable();
        QCOMPARE(supports->rowCount(), static_cast<int>(report.size()));
        for (int row = 0; row < supports->rowCount(); ++row)
            QCOMPARE(Cells(supports, row, 2, 7),
                     report.at(supports->item(row, 1)->text().toStdString()));

        // The support lowest in the picture, near its middle: of the lower ring, facing the
        // camera.
        FormSurfaceView* view = w->View();
        const QPointF bottom(view->width() / 2.0, view->height());
        int chosen = -1;
        double nearest = 1e9;
        for (int row = 0; row < supports->rowCount(); ++row) {
            const auto at = view->NodePoint(w->SupportRowNode(row));
            const double d = at ? std::hypot(at->x() - bottom.x(), at->y() - bottom.y()) : 1e9;
            if (d < nearest) nearest = d, chosen = row;
        }
        QVERIFY(chosen >= 0);
        supports->scrollToItem(supports->item(chosen, 0));
        QTest::mouseClick(supports->viewport(), Qt::LeftButton, {},
                          supports->visualItemRect(supports->item(chosen, 0)).center());
        QCOMPARE(view->SelectedNode(), w->SupportRowNode(chosen));
        const QPoint node = view->NodePoint(view->SelectedNode())->toPoint();
        QImage picture = view->grabFramebuffer();
        QVERIFY(Count(picture, node, 12, Magenta) > 10);
        QCOMPARE(Count(picture, node + QPoint(60, 60), 10, Magenta), 0);

        // Another support's node clicked in the view (one that no other arrow passes over):
        // its row is chosen.
        int other = -1;
        QPointF pick;
        for (int row = 0; row < supports->rowCount() && other < 0; ++row) {
            const int node = w->SupportRowNode(row);
            const auto at = view->NodePoint(node);
            if (row != chosen && at && view->NodeAt(*at) == node) other = row, pick = *at;
        }
        QVERIFY(other >= 0);
        const int otherNode = w->SupportRowNode(other);
        QTest::mouseClick(view, Qt::LeftButton, {}, pick.toPoint());
        QCOMPARE(supports->currentRow(), other);
        QCOMPARE(view->SelectedNode(), otherNode);
    }

    // The edge cables of the square as the command line reports them; a cable force
    // changed and run again from the start: the sags the command line finds for it.
    void cableForceChangedAndRunAgain() {
        App app;
        FormModel square = GenerateCableSquareForm({10.0, 2.0, 20.0}, 300);
        FormResultsWindow* w = app.Run(Write(app.dir, "gui", square));
        QVERIFY(w);
        QCOMPARE(w->ShownRun().outcome, RunOutcome::Success);
        QTableWidget* cables = w->CablesTable();
        const ReportRows before = CliReport(Write(app.dir, "cli", square), "CABLES", 5, false);
        for (int row = 0; row < cables->rowCount(); ++row)
            QCOMPARE(Cells(cables, row, 1, 5),
                     before.at(cables->item(row, 0)->text().toStdString()));
        const QString sagBefore = cables->item(0, 3)->text();
        // Export writes the report the run wrote beside its model.
        QVERIFY(w->ExportTo(Q(app.dir.File("export.form.txt"))));
        QCOMPARE(ReadFile(app.dir.File("export.form.txt")),
                 ReadFile(app.dir.File("gui/form.form.txt")));

        Child<QTabWidget>(w, "formTabs")->setCurrentIndex(5);  // Settings
        w->CableForceEdit(0)->setValue(35.0);
        QTest::mouseClick(Child<QPushButton>(w, "runAgainFromStartButton"), Qt::LeftButton);
        QCOMPARE(w->ShownRun().outcome, RunOutcome::Success);
        square.cables[0].force = 35.0;
        const ReportRows after = CliReport(Write(app.dir, "cli35", square), "CABLES", 5, false);
        QVERIFY(cables->item(0, 3)->text() != sagBefore);
        for (int row = 0; row < cables->rowCount(); ++row) {
            const QStringList cli = after.at(cables->item(row, 0)->text().toStdString());
            for (int c = 0; c < 5; ++c)  // the same shape reached by the same iteration
                QVERIFY2(std::fabs(cables->item(row, 1 + c)->text().toDouble() -
                                   cli[c].toDouble()) < 1e-5,
                         qPrintable(cables->item(row, 1 + c)->text() + " " + cli[c]));
        }
    }

    // h / R = 1.4: no catenoid spans the rings. The run says so and outlines the neck.
    void tallCatenoidHasNoEquilibrium() {
        App app;
        FormResultsWindow* w =
            app.Run(Write(app.dir, "gui", GenerateCatenoidForm({10.0, 14.0, 1.0}, 400)));
        QVERIFY(w);
        QCOMPARE(w->ShownRun().outcome, RunOutcome::Diverged);
        QVERIFY(w->RunTable()->item(0, 1)->text().contains("no equilibrium"));
        const FormRunResult& run = w->ShownRun();
        const auto collapsed = CollapsedTriangles(*run.model, run.solution->shape);
        QVERIFY(!collapsed.empty());
        double lowest = 1e9;  // the neck, at mid-height, among them
        for (const std::int32_t t : collapsed)
            for (const std::int32_t k : run.model->triangles[t])
                lowest = std::min(lowest, std::fabs(run.solution->shape[k].z));
        QVERIFY(lowest < 0.1 * 14.0);
        QImage picture = w->View()->grabFramebuffer();
        const QPoint middle(picture.width() / 2, picture.height() / 2);
        QVERIFY(Count(picture, middle, picture.height() / 3, Purple) > 20);
    }

    // The README's pictures: a four-point sail with edge cables and a cone tent.
    void screenshots() {
        TempDir dir;
        RecordingMessageSink sink;
        const QString folder = qEnvironmentVariable("MEMBRANE_SCREENSHOT_DIR");
        const std::pair<FormModel, const char*> shapes[] = {{Sail(), "form-sail.png"},
                                                            {ConeTent(), "form-cone-tent.png"}};
        for (const auto& [model, name] : shapes) {
            FormResultsWindow window(sink);
            window.resize(1180, 640);
            window.show();
            QVERIFY(QTest::qWaitForWindowExposed(&window));
            window.SetChoices({0, true, true});  // coloured by height
            window.RunStarted(model.settings.maxIterations);
            window.RunEnded(FindForm(std::make_shared<const FormModel>(model), sink, &window));
            QCOMPARE(window.ShownRun().outcome, RunOutcome::Success);
            const QImage shot = Screenshot(window);
            if (!folder.isEmpty()) QVERIFY(shot.save(folder + "/" + name));
        }
    }
};

QTEST_MAIN(FormResultsWindowTest)
#include "form/form_surface.h"
#include "form_results_window_test.moc"
