#include "ui/HelpGuide.h"

#include <QDir>
#include <QFileInfo>

namespace qm {

QStringList GuidePlaces(const QString& programFolder) {
    const QString name = QStringLiteral(QM_GUIDE_NAME);
    return {QDir::cleanPath(programFolder + '/' + QStringLiteral(QM_GUIDE_FROM_PROGRAM) + '/' + name),
            QDir::cleanPath(QStringLiteral(QM_GUIDE_SOURCE_FOLDER) + '/' + name)};
}

GuideLookup FindGuide(const QStringList& places) {
    GuideLookup lookup;
    for (const QString& place : places) {
        lookup.tried << QDir::toNativeSeparators(place);
        if (QFileInfo(place).isFile()) {
            lookup.found = place;
            break;
        }
    }
    return lookup;
}

}  // namespace qm
