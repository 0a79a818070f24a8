// What the desktop program keeps between its starts (QSettings, per user): the settings of
// the runs, the scene options of the results windows and the model files opened last.
// One function per direction; a new field is one line in each.
#pragma once

#include <QSettings>
#include <QStringList>

#include "heightfield/settings.h"

namespace membrane {

// The "Show 3D-VRML model" options of a results window.
struct SceneChoices {
    bool numbering = false;
    bool axes = true;
    bool deformed = true;
    double scale = 1.0;
};

// The 3D view of a form-finding results window: the field that colours it (FormField's
// order), its mesh lines and the reaction arrows.
struct FormViewChoices {
    int field = 0;
    bool meshLines = true;
    bool reactions = true;
};

struct StoredChoices {
    Settings settings;
    SceneChoices scene;
    QStringList recentFiles;  // newest first
    FormViewChoices form;
};

// The choices in `store`; a missing value, or one outside the range the dialogs accept,
// is the default.
StoredChoices LoadChoices(const QSettings& store);
void SaveChoices(QSettings& store, const StoredChoices& choices);

// `files` with `path` put first, without repeats, at most `limit` long.
QStringList WithRecentFile(QStringList files, const QString& path, int limit = 8);

}  // namespace membrane
