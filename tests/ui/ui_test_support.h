// Shared helpers of the desktop program's tests: the windows' widgets by name, model files
// in a test directory and an opener that records what it would have opened.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <QtTest>
#include <string>
#include <vector>

#include "common/opener.h"
#include "desktop/results_window.h"
#include "desktop/ui_hooks.h"
#include "heightfield/model_generator.h"
#include "plot/plotter.h"
#include "support/files.h"
#include "support/recording.h"

namespace membrane::test {

// The widget (or action) `name` of a window; a missing one ends the test run at once, as
// every test after it would only fail on a null pointer.
template <class T>
T* Child(const QObject* parent, const char* name) {
    T* child = parent->findChild<T*>(QLatin1String(name));
    if (!child)
        qFatal("%s has no %s named \"%s\"", qPrintable(parent->objectName()),
               T::staticMetaObject.className(), name);
    return child;
}

// Records the message boxes and the links handed to the desktop instead of showing or
// opening them; the previous hooks come back afterwards.
struct HookRecorder {
    HookRecorder() {
        previousBox = SetMessageBoxHook([this](const MessageBoxRequest& r) {
            texts << r.text;
            buttons << r.button;
        });
        previousOpener = SetUrlOpener([this](const QUrl& url) { urls << url.toString(); });
    }
    ~HookRecorder() {
        SetMessageBoxHook(previousBox);
        SetUrlOpener(previousOpener);
    }
    QStringList texts;
    QList<BoxButton> buttons;
    QStringList urls;
    MessageBoxHook previousBox;
    UrlOpener previousOpener;
};

class RecordingOpener final : public Opener {
  public:
    bool Open(const std::string& pathOrUrl) override {
        opened.push_back(pathOrUrl);
        return opens;
    }
    std::vector<std::string> opened;
    bool opens = true;  // false: as if no program could open anything
};

inline QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

// A model file of `lines` in `dir`, lines ended with CR LF.
inline std::string WriteModel(const TempDir& dir, const std::string& name,
                              const std::vector<std::string>& lines) {
    WriteFile(dir.File(name), CrLf(lines));
    return dir.File(name);
}

// A square of side 2 on four triangles around its centre node 5. The corners are held;
// node 1 (held) and node 5 (free) both start at height 1.
inline std::string WriteSquareModel(const TempDir& dir) {
    return WriteModel(dir, "SQUARE.DAT",
                      {"FILE SQUARE.DAT",
                       "",
                       "&COORDINATES 5  ",
                       "    1        0.00000        0.00000",
                       "    2        2.00000        0.00000",
                       "    3        2.00000        2.00000",
                       "    4        0.00000        2.00000",
                       "    5        1.00000        1.00000",
                       "",
                       "&ELEMENTS 4  ",
                       "    1        1     2     5",
                       "    2        2     3     5",
                       "    3        3     4     5",
                       "    4        4     1     5",
                       "",
                       "&INITIAL 2  ",
                       "    1     1.0000000000",
                       "    5     1.0000000000",
                       "",
                       "&CONSTRAINTS 4  ",
                       "1",
                       "2",
                       "3",
                       "4",
                       ""});
}

// The colour of a results window's picture at the pixel of a world point, or of a node of
// the model it shows; invalid when the point cannot be mapped.
inline QColor PixelNear(const ResultsWindow& window, double x, double y) {
    if (!window.HasPlot() || !window.Plot()->WorldToDevice(x, y)) return {};
    return window.Picture().pixelColor(int(x), int(y));
}

inline QColor PixelNearNode(const ResultsWindow& window, int number) {
    const NodeEntry* node = window.ShownModel() ? window.ShownModel()->nodes.Find(number) : nullptr;
    return node ? PixelNear(window, node->x, node->y) : QColor();
}

inline const QColor kRed(255, 0, 0);

// A generated model of about `nodes` nodes (Scherk's surface) in `dir`: at 4000 nodes the
// built-in elimination takes about half a second, at 12000 a few seconds.
inline std::string WriteLargeModel(const TempDir& dir, std::int64_t nodes) {
    const std::string path = dir.File("LARGE.DAT");
    if (!WriteGeneratedModel(GenerateModel(GeneratedShape::Scherk, nodes), path))
        qFatal("cannot write %s", path.c_str());
    return path;
}

}  // namespace membrane::test
