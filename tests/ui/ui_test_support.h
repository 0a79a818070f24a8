// Shared helpers of the desktop program's tests: model files in a temporary directory and
// an opener that records what it would have opened.
#pragma once

#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <QtTest>

#include <string>
#include <vector>

#include "common/opener.h"

namespace membrane::test {

class RecordingOpener final : public Opener {
public:
    void Open(const std::string& pathOrUrl) override { opened.push_back(pathOrUrl); }
    std::vector<std::string> opened;
};

// The bundled example (137 nodes, 220 triangles, 53 constrained nodes, 137 initial
// values) copied into `dir`; the run writes its files beside it.
inline QString CopyExample(const QTemporaryDir& dir) {
    const QString target = dir.filePath("TEST3.DAT");
    QFile::remove(target);
    if (!QFile::copy(MEMBRANE_EXAMPLES "/TEST3.DAT", target)) qFatal("cannot copy the example model");
    return target;
}

inline QString WriteModel(const QTemporaryDir& dir, const QString& name, const QStringList& lines) {
    QFile file(dir.filePath(name));
    if (!file.open(QIODevice::WriteOnly)) qFatal("cannot write a model file");
    for (const QString& line : lines) file.write((line + "\r\n").toLatin1());
    return file.fileName();
}

// A square of side 2 on four triangles around its centre node 5. The corners are held;
// node 1 (held) and node 5 (free) both start at height 1.
inline QString WriteSquareModel(const QTemporaryDir& dir) {
    return WriteModel(dir, "SQUARE.DAT",
                      {"FILE SQUARE.DAT", "", "&COORDINATES 5  ", "    1        0.00000        0.00000",
                       "    2        2.00000        0.00000", "    3        2.00000        2.00000",
                       "    4        0.00000        2.00000", "    5        1.00000        1.00000", "",
                       "&ELEMENTS 4  ", "    1        1     2     5", "    2        2     3     5",
                       "    3        3     4     5", "    4        4     1     5", "", "&INITIAL 2  ",
                       "    1     1.0000000000", "    5     1.0000000000", "", "&CONSTRAINTS 4  ", "1", "2", "3",
                       "4", ""});
}

inline QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace membrane::test
