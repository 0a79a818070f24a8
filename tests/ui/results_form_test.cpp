// The results window over a real run: grids, labels and message line, the drawing made at
// the timer tick, row selection marking a node or an element in the picture, the "Show"
// rules, a failed model loading, Cancel during a run and closing the window.
#include "model/coor_table.h"
#include "model/elem_table.h"
#include "output/vrml_export.h"
#include "plot/plotter.h"
#include "solver/iteration.h"
#include "ui/number_edit.h"
#include "ui/results_form.h"
#include "ui_test_support.h"

#include <QHeaderView>
#include <QPointer>
#include <QtTest>

using namespace membrane;
using namespace membrane::test;

namespace {

// One results window with the run state it reports, driven as the "Run" command does.
struct Session {
    Session() {
        state.messages = &sink;
        state.boundaryPointsPath = dir.filePath("BNDRYPTS.txt").toStdString();
    }
    ~Session() { delete form; }

    RunResult Run(const QString& model) {
        ResetRun(state);
        form = new TResultform(state, opener);
        state.view = form;
        form->show();
        form->RunStarted();
        const RunResult result = RunModel(state, model.toStdString(), state.settings.accuracy);
        form->RunEnded();
        return result;
    }
    // The window's timer has fired and the mesh is drawn.
    void WaitForPlot() { QTRY_VERIFY(form->HasPlot()); }

    QTemporaryDir dir;
    RecordingMessageSink sink;
    RecordingOpener opener;
    RunState state;
    QPointer<TResultform> form;
};

int RowOf(TResultform& form, QTableView* grid, const QString& text) {
    for (int row = 0; row < grid->model()->rowCount(); ++row)
        if (form.CellText(grid, row, 0) == text) return row;
    return -1;
}

// The colour of the picture at the pixel of a world point.
QColor PixelNear(TResultform& form, double x, double y) {
    if (!form.Plot()->WorldToDevice(x, y)) return {};
    return form.Picture().pixelColor(int(x), int(y));
}

QColor PixelNearNode(TResultform& form, const RunState& state, int number) {
    const NodeEntry* node = state.model.nodes->FindNode(number);
    return node ? PixelNear(form, node->x, node->y) : QColor();
}

const QColor kRed(255, 0, 0);

}  // namespace

class ResultsFormTest : public QObject {
    Q_OBJECT

private slots:
    void layoutAndStartTexts() {
        RunState state;
        RecordingOpener opener;
        TResultform form(state, opener);
        QCOMPARE(form.windowTitle(), QString("Resultform"));
        QCOMPARE(form.size(), QSize(1011, 615));
        QCOMPARE(form.TabbedNotebook1->count(), 5);
        QCOMPARE(form.TabbedNotebook1->tabText(4), QString("Initial Displacements"));
        QCOMPARE(form.TabbedNotebook1->width(), 361);
        QCOMPARE(form.MsgPanel->text(), QString(" no message"));
        QCOMPARE(form.MsgPanel->geometry(), QRect(0, 582, 1011, 33));
        QCOMPARE(form.PaintBox1->size(), QSize(634, 474));
        QCOMPARE(form.ElemGrid->model()->columnCount(), 4);
        QCOMPARE(form.ConstrGrid->geometry(), QRect(64, 24, 105, 525));
        QCOMPARE(form.CellText(form.BrimelResultGrid, 0, 0), QString("no data"));
        QCOMPARE(form.CellText(form.BrimelResultGrid, 0, 1), QString("available"));
        QCOMPARE(form.IterEdit->text(), QString("0"));
        QVERIFY(!form.IterEdit->isEnabled());
        QVERIFY(!form.CheckBox6->isChecked() && form.CheckBox7->isChecked() && form.CheckBox8->isChecked());
        QCOMPARE(form.NumberEdit1->RealValue(), 1.0);
        QVERIFY(form.RunProgress->isHidden() && form.CancelButton->isHidden());
        form.CheckBox8->setChecked(false);
        QVERIFY(!form.NumberEdit1->isEnabled());
        form.CheckBox8->setChecked(true);
        QVERIFY(form.NumberEdit1->isEnabled());

        // A paint before the timer has fired draws nothing and says so.
        form.show();
        form.PaintBox1->grab();
        QVERIFY(!form.HasPlot());
        QCOMPARE(form.Label2->text(), QString("plot not initialised"));
        // Row 0 of the results grid ("no data") marks nothing.
        QTRY_VERIFY(form.HasPlot());
        form.SelectRow(form.BrimelResultGrid, 0);
        QCOMPARE(form.Label2->text(), QString(", input errors and no results"));
    }

    void runOfTheExampleFillsTheWindow() {
        Session s;
        const QString model = CopyExample(s.dir);
        const RunResult result = s.Run(model);
        QCOMPARE(result.outcome, RunOutcome::Success);
        TResultform& form = *s.form;
        QVERIFY(s.sink.messages.empty());

        QCOMPARE(form.CoordGrid->model()->rowCount(), 137);
        QCOMPARE(form.CellText(form.CoordGrid, 0, 0), QString("node 1"));
        QCOMPARE(form.CellText(form.CoordGrid, 0, 1), QString("8.000"));
        QCOMPARE(form.CellText(form.CoordGrid, 0, 2), QString("0.168"));
        QCOMPARE(form.ElemGrid->model()->rowCount(), 220);
        QCOMPARE(form.CellText(form.ElemGrid, 0, 0), QString("elnr 1"));
        QVERIFY(form.CellText(form.ElemGrid, 0, 3).startsWith("node "));
        QCOMPARE(form.ConstrGrid->model()->rowCount(), 53);
        QCOMPARE(form.CellText(form.ConstrGrid, 0, 0), QString("node 1"));
        QCOMPARE(form.InitGrid->model()->rowCount(), 137);
        QCOMPARE(form.CellText(form.InitGrid, 0, 1), QString("0.00000000 *constrained*"));
        QCOMPARE(form.InitGrid->columnWidth(1), 240);

        QCOMPARE(form.BrimelResultGrid->model()->rowCount(), 137);
        QCOMPARE(form.CellText(form.BrimelResultGrid, 0, 0), QString("node 1"));
        QCOMPARE(form.CellText(form.BrimelResultGrid, 136, 0), QString("node 137"));
        QCOMPARE(form.BrimelResultGrid->columnWidth(1), 160);
        QCOMPARE(form.IterEdit->text(), QString::number(result.iterations));
        QVERIFY(result.iterations > 1);
        QVERIFY(form.InitAreaLabel->text().startsWith("Flat mesh surface : "));
        QVERIFY(form.OptimumAreaLabel->text().startsWith("Final surface : "));
        QCOMPARE(form.MsgPanel->text(), QString(" READY, output to file : TEST3.OUT"));
        QVERIFY(form.RunProgress->isHidden() && form.CancelButton->isHidden());
        QVERIFY(form.Button3->isEnabled());
        for (const char* name : {"TEST3.OUT", "TEST3.TRS", "BNDRYPTS.txt"})
            QVERIFY2(QFile::exists(s.dir.filePath(name)), name);

        s.WaitForPlot();
        QCOMPARE(form.Label2->text(), QString("drawing done"));
    }

    void selectedRowsAreMarkedInTheDrawing() {
        Session s;
        QCOMPARE(s.Run(CopyExample(s.dir)).outcome, RunOutcome::Success);
        s.WaitForPlot();
        TResultform& form = *s.form;
        // Every node carries an initial value: a red ring, white inside.
        QVERIFY(PixelNearNode(form, s.state, 7) != kRed);

        const int row7 = RowOf(form, form.CoordGrid, "node 7");
        QVERIFY(row7 >= 0);
        form.CoordGrid->setCurrentIndex(form.CoordGrid->model()->index(row7, 1));
        QCOMPARE(PixelNearNode(form, s.state, 7), kRed);
        QCOMPARE(form.Label2->text(), QString("drawing done"));

        // The keyboard moves the mark with the current row.
        form.CoordGrid->setFocus();
        QTest::keyClick(form.CoordGrid, Qt::Key_Down);
        const QString next = form.CellText(form.CoordGrid, row7 + 1, 0);
        const int nextNode = next.mid(5).toInt();
        QCOMPARE(PixelNearNode(form, s.state, nextNode), kRed);
        QVERIFY(PixelNearNode(form, s.state, 7) != kRed);

        // The same works from the results grid, by mouse.
        const int result7 = RowOf(form, form.BrimelResultGrid, "node 7");
        form.TabbedNotebook1->setCurrentIndex(0);
        const QRect cell = form.BrimelResultGrid->visualRect(form.BrimelResultGrid->model()->index(result7, 0));
        QTest::mouseClick(form.BrimelResultGrid->viewport(), Qt::LeftButton, {}, cell.center());
        QCOMPARE(PixelNearNode(form, s.state, 7), kRed);

        // "elnr 3" fills element 3 red (its centroid) and clears the node mark.
        const int row3 = RowOf(form, form.ElemGrid, "elnr 3");
        form.ElemGrid->setCurrentIndex(form.ElemGrid->model()->index(row3, 0));
        const auto nodes = s.state.model.elements->NodesOf(*s.state.model.elements->FindElement(3));
        double cx = 0, cy = 0;
        for (int n : nodes) {
            cx += s.state.model.nodes->FindNode(n)->x / 3;
            cy += s.state.model.nodes->FindNode(n)->y / 3;
        }
        QCOMPARE(PixelNear(form, cx, cy), kRed);
        QVERIFY(PixelNearNode(form, s.state, 7) != kRed);
    }

    void initialValuesOfHeldAndFreeNodes() {
        Session s;
        QCOMPARE(s.Run(WriteSquareModel(s.dir)).outcome, RunOutcome::Success);
        TResultform& form = *s.form;
        QCOMPARE(form.InitGrid->model()->rowCount(), 2);
        QCOMPARE(form.CellText(form.InitGrid, 0, 0), QString("node 1"));
        QCOMPARE(form.CellText(form.InitGrid, 0, 1), QString("1.00000000 *constrained*"));
        QCOMPARE(form.CellText(form.InitGrid, 1, 0), QString("node 5"));
        QCOMPARE(form.CellText(form.InitGrid, 1, 1), QString("1.00000000"));
        QCOMPARE(form.CellText(form.ElemGrid, 3, 2), QString("node 1"));
    }

    void showExportsWithTheScaleRules() {
        Session s;
        QCOMPARE(s.Run(CopyExample(s.dir)).outcome, RunOutcome::Success);
        TResultform& form = *s.form;
        const QString scene = s.dir.filePath("TEST3.wrl");
        auto expected = [&](bool deformed, double scale) {
            ExportVrml(s.state, false, true, deformed, scale);
            return ReadAll(scene);
        };
        const QByteArray scale10 = expected(true, 10), scale1 = expected(true, 1), flat = expected(false, -1);
        QVERIFY(scale10 != scale1 && scale1 != flat);
        QFile::remove(scene);

        // Scaling 0 with the deformed state shown draws ten times the heights.
        form.NumberEdit1->SetText("0");
        QTest::mouseClick(form.Button3, Qt::LeftButton);
        QCOMPARE(ReadAll(scene), scale10);
        QCOMPARE(s.opener.opened, std::vector<std::string>{scene.toStdString()});

        form.NumberEdit1->SetText("1.0");
        form.Button3Click();
        QCOMPARE(ReadAll(scene), scale1);

        // Unchecked: the flat mesh, whatever the scaling field holds.
        form.NumberEdit1->SetText("0");
        form.CheckBox8->setChecked(false);
        form.Button3Click();
        QCOMPARE(ReadAll(scene), flat);
        QCOMPARE(s.opener.opened.size(), std::size_t(3));
        QVERIFY(s.sink.messages.empty());
    }

    void failedLoadingShowsNothingAndShowDoesNothing() {
        Session s;
        const QString model = WriteModel(s.dir, "BAD.DAT", {"FILE BAD.DAT", "", "&COORDINATES 0  ", ""});
        const RunResult result = s.Run(model);
        QCOMPARE(result.outcome, RunOutcome::InputErrors);
        TResultform& form = *s.form;
        QCOMPARE(form.MsgPanel->text(), QString(" ERRORS reported input errors"));
        QVERIFY(!s.sink.messages.empty());
        s.WaitForPlot();
        QCOMPARE(form.Label2->text(), QString(", input errors and no results"));
        QCOMPARE(form.CellText(form.BrimelResultGrid, 0, 0), QString("no data"));
        form.Button3Click();
        QVERIFY(s.opener.opened.empty());
        QVERIFY(!QFile::exists(s.dir.filePath("BAD.wrl")));
    }

    void cancelEndsTheRunAsFailedWithoutFiles() {
        Session s;
        const QString model = CopyExample(s.dir);
        // Pressed as soon as the run lets events through, between its first two phases.
        QTimer::singleShot(0, [&] {
            QVERIFY(s.form && s.form->CancelButton->isVisible());
            QVERIFY(!s.form->Button3->isEnabled());
            QTest::mouseClick(s.form->CancelButton, Qt::LeftButton);
        });
        const RunResult result = s.Run(model);
        QCOMPARE(result.outcome, RunOutcome::Cancelled);
        QCOMPARE(s.form->MsgPanel->text(), QString(" ERRORS reported cancelled by the user in iteration 1"));
        QVERIFY(!QFile::exists(s.dir.filePath("TEST3.OUT")));
        QVERIFY(!QFile::exists(s.dir.filePath("TEST3.TRS")));
        QCOMPARE(s.form->CellText(s.form->BrimelResultGrid, 0, 0), QString("no data"));
        QVERIFY(s.form->Button3->isEnabled());
        s.WaitForPlot();
        QCOMPARE(s.form->Label2->text(), QString("drawing done no results"));
    }

    void progressBarFollowsTheIterations() {
        Session s;
        s.form = new TResultform(s.state, s.opener);
        s.state.settings.maxIterations = 10;
        s.form->RunStarted();
        s.form->ShowMessage("ITERATION 3 : Elimination");
        QCOMPARE(s.form->MsgPanel->text(), QString(" ITERATION 3 : Elimination"));
        QCOMPARE(s.form->RunProgress->maximum(), 20);
        QCOMPARE(s.form->RunProgress->value(), 5);
        QCOMPARE(s.form->RunProgress->format(), QString("iteration 3 of 10 : Elimination"));
        s.form->RunEnded();
        QVERIFY(s.form->RunProgress->isHidden());
    }

    void closingFreesTheWindowAndForgetsIt() {
        Session s;
        QCOMPARE(s.Run(CopyExample(s.dir)).outcome, RunOutcome::Success);
        s.WaitForPlot();
        QCOMPARE(s.state.view, static_cast<ResultsView*>(s.form.data()));
        s.form->close();
        QCOMPARE(s.state.view, nullptr);
        QTRY_VERIFY(s.form.isNull());
    }

    void closingDuringTheRunCancelsItFirst() {
        Session s;
        const QString model = CopyExample(s.dir);
        QTimer::singleShot(0, [&] { s.form->close(); });
        const RunResult result = s.Run(model);
        QCOMPARE(result.outcome, RunOutcome::Cancelled);
        QTRY_VERIFY(s.form.isNull());
        QCOMPARE(s.state.view, nullptr);
    }
};

QTEST_MAIN(ResultsFormTest)
#include "results_form_test.moc"
