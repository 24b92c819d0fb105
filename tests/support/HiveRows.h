// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Looks at a hive file from outside the game, the way the sqlite3 tool would: the raw
// rows of keys and values, and raw inserts of values the game itself would never write.
// Key paths may be given as the game passes them ("\Software\Crawlix\Options") or as
// stored ("HKEY_LOCAL_MACHINE\Software\Crawlix\Options").

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

namespace HiveRows {

struct Row {
    QString keyPath;  // as stored, below HKEY_LOCAL_MACHINE
    QString name;
    int type = 0;
    QByteArray data;
};

// The stored form of a key path the game passes.
QString storedKeyPath(const QString& keyPath);

// Every key row, sorted.
QStringList keys(const QString& file);
// Every value row, sorted by key path and name.
QList<Row> values(const QString& file);
// One value row; names and key paths compare without regard to ASCII case.
std::optional<Row> value(const QString& file, const QString& keyPath, const QString& name);

// Stores a value exactly as given (any type, any bytes), with the keys above it.
bool insertRaw(const QString& file, const QString& keyPath, const QString& name, int type,
               const QByteArray& data);

// The first column of the first row of a query (a pragma, say), as text.
QString scalar(const QString& file, const QString& sql);

} // namespace HiveRows
