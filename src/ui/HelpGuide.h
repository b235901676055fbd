#pragma once

#include <QString>
#include <QStringList>

namespace qm {

// Where the user guide is. An installed program finds it where its package put it, relative to the
// program's folder (the documentation folder on Linux, the program's own folder on Windows); a
// program run from its build folder finds the source tree's copy.
struct GuideLookup {
    QString found;      // empty when no place holds it
    QStringList tried;  // every place looked at, in order
};

// The places to look, in order, for the program running from programFolder.
QStringList GuidePlaces(const QString& programFolder);
// The first of the places that holds a file.
GuideLookup FindGuide(const QStringList& places);

}  // namespace qm
