// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/GameFiles.h"

#include "platform/Runtime.h"

#include <QDir>
#include <QFileInfo>

namespace {
// Both relative to the program's folder, as the build was configured.
constexpr const char* DataFolder = CRAWLIX_DATA_DIR;
constexpr const char* LibraryFolder = CRAWLIX_LIBRARY_DIR;

QString besideTheProgramOr(const QString& folder, const QString& name)
{
    const QString beside = QDir(runtime().appPath()).filePath(name);
    const QString installed = QDir(folder).filePath(name);
    return QFileInfo::exists(beside) || !QFileInfo::exists(installed) ? beside : installed;
}

QString fromTheProgram(const char* folder)
{
    return QDir::cleanPath(QDir(runtime().appPath()).filePath(QLatin1String(folder)));
}
} // namespace

namespace GameFiles {

QString dataFile(const QString& name) { return besideTheProgramOr(dataFolder(), name); }

QString libraryFile(const QString& name)
{
    return besideTheProgramOr(fromTheProgram(LibraryFolder), name);
}

QString dataFolder() { return fromTheProgram(DataFolder); }

} // namespace GameFiles
