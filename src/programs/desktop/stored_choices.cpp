#include "desktop/stored_choices.h"

#include <array>

namespace membrane {
namespace {

QString Text(std::string_view name) {
    return QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size()));
}

// The stored value of `key` when it is a number within [low, high], else `fallback`.
template <typename T>
T Number(const QSettings& store, const char* key, T fallback, double low, double high) {
    bool ok = false;
    const double value = store.value(QLatin1String(key)).toDouble(&ok);
    return ok && value >= low && value <= high ? static_cast<T>(value) : fallback;
}

// The choice stored under `key` by its name; `fallback` for anything else.
template <typename Enum, std::size_t N>
Enum Choice(const QSettings& store, const char* key, const std::array<std::string_view, N>& names,
            Enum fallback) {
    const QString stored = store.value(QLatin1String(key)).toString();
    for (std::size_t k = 0; k < N; ++k)
        if (stored == Text(names[k])) return static_cast<Enum>(k);
    return fallback;
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
    c.settings.solver = Choice(store, "run/solver", kSolverChoiceNames, c.settings.solver);
    c.settings.newton = Choice(store, "run/newton", kNewtonStepNames, c.settings.newton);
    c.settings.start = Choice(store, "run/start", kStartHeightsNames, c.settings.start);
    c.scene.numbering = Flag(store, "scene/numbering", c.scene.numbering);
    c.scene.axes = Flag(store, "scene/axes", c.scene.axes);
    c.scene.deformed = Flag(store, "scene/deformed", c.scene.deformed);
    c.scene.scale = Number(store, "scene/scale", c.scene.scale, 0.0, 100.0);
    c.form.field = Number(store, "form/field", c.form.field, 0, 3);
    c.form.meshLines = Flag(store, "form/meshLines", c.form.meshLines);
    c.form.reactions = Flag(store, "form/reactions", c.form.reactions);
    c.recentFiles = store.value("files/recent").toStringList();
    return c;
}

void SaveChoices(QSettings& store, const StoredChoices& c) {
    store.setValue("run/accuracy", c.settings.accuracy);
    store.setValue("run/maxIterations", c.settings.maxIterations);
    store.setValue("run/weight", c.settings.weight);
    store.setValue("run/solver", Text(ChoiceName(c.settings.solver)));
    store.setValue("run/newton", Text(ChoiceName(c.settings.newton)));
    store.setValue("run/start", Text(ChoiceName(c.settings.start)));
    store.setValue("scene/numbering", c.scene.numbering);
    store.setValue("scene/axes", c.scene.axes);
    store.setValue("scene/deformed", c.scene.deformed);
    store.setValue("scene/scale", c.scene.scale);
    store.setValue("form/field", c.form.field);
    store.setValue("form/meshLines", c.form.meshLines);
    store.setValue("form/reactions", c.form.reactions);
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
