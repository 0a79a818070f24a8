#include "ui/stored_choices.h"

namespace membrane {
namespace {

// The stored value of `key` when it is a number within [low, high], else `fallback`.
template <typename T>
T Number(const QSettings& store, const char* key, T fallback, double low, double high) {
    bool ok = false;
    const double value = store.value(QLatin1String(key)).toDouble(&ok);
    return ok && value >= low && value <= high ? static_cast<T>(value) : fallback;
}

bool Flag(const QSettings& store, const char* key, bool fallback) {
    return store.value(QLatin1String(key), fallback).toBool();
}

}  // namespace

// The ranges are those of the fields of the settings dialog and of the scaling field.
StoredChoices LoadChoices(const QSettings& store) {
    StoredChoices c;
    c.settings.accuracy = Number(store, "run/accuracy", c.settings.accuracy, 0.0, 100.0);
    c.settings.maxIterations = Number(store, "run/maxIterations", c.settings.maxIterations, 0, 200);
    c.settings.weight = Number(store, "run/weight", c.settings.weight, 0.0, 100000.0);
    c.settings.solver = store.value("run/solver").toString() == QLatin1String("cholmod")
                            ? SolverChoice::Cholmod
                            : SolverChoice::Elimination;
    c.scene.numbering = Flag(store, "scene/numbering", c.scene.numbering);
    c.scene.axes = Flag(store, "scene/axes", c.scene.axes);
    c.scene.deformed = Flag(store, "scene/deformed", c.scene.deformed);
    c.scene.scale = Number(store, "scene/scale", c.scene.scale, 0.0, 100.0);
    c.recentFiles = store.value("files/recent").toStringList();
    return c;
}

void SaveChoices(QSettings& store, const StoredChoices& c) {
    store.setValue("run/accuracy", c.settings.accuracy);
    store.setValue("run/maxIterations", c.settings.maxIterations);
    store.setValue("run/weight", c.settings.weight);
    store.setValue("run/solver",
                   c.settings.solver == SolverChoice::Cholmod ? "cholmod" : "elimination");
    store.setValue("scene/numbering", c.scene.numbering);
    store.setValue("scene/axes", c.scene.axes);
    store.setValue("scene/deformed", c.scene.deformed);
    store.setValue("scene/scale", c.scene.scale);
    store.setValue("files/recent", c.recentFiles);
    store.sync();
}

QStringList WithRecentFile(QStringList files, const QString& path, int limit) {
    files.removeAll(path);
    files.prepend(path);
    while (files.size() > limit) files.removeLast();
    return files;
}

}  // namespace membrane
