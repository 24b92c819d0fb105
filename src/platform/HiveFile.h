// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The hive file's life: where it lies, which file may be taken for it (only a regular
// one), the checks that it is a sound hive, laying out a new one, and setting a damaged one
// aside. What is done with an open hive is Hive.cpp's.

#include <QString>
#include <sys/types.h>

struct sqlite3;

namespace HiveFile {

// $XDG_DATA_HOME/crawlix/registry.db, worked out afresh from the environment at every call.
QString path();

// The one warning line of a run on standard error; later ones are dropped.
void warn(const QString& what);

// Which file a path named when it was opened, so that a file another copy of the game has
// already set aside and replaced is never set aside in its turn.
struct FileId {
    bool exists = false;
    dev_t device = 0;
    ino_t inode = 0;
    bool operator==(const FileId&) const = default;
};
FileId identify(const QString& file);

// The file to open: the path itself, or where its symbolic link leads, as long as that is
// a regular file (or nothing yet). Empty for anything else.
QString regularFile(const QString& path);

// The first of the folder, the file and its journal or log that this process cannot write,
// or empty text when it can write them all.
QString unwritable(const QString& file);

// Whether a result code tells of damage to the file itself: it reads as something other
// than a hive, or refuses writes that the folder, the file and its companions would all
// take (a header that makes it read-only).
bool damage(int rc, const QString& file);

enum class Health { Usable, Damaged, Busy, Unavailable };

struct Opened {
    sqlite3* db = nullptr; // open when Usable
    Health health = Health::Unavailable;
    FileId id;
    bool wal = false;      // the write-ahead log is on
    QString why{};         // SQLite's own words when Unavailable
};

// Opens the file as the hive, checked whole and of the designed shape, laying out an empty
// one; waits up to busyMs for another program's lock.
Opened open(const QString& file, int busyMs);

// Switches the file to the write-ahead log without waiting; it stays so. False while another
// program's lock keeps it from switching now.
bool useWal(sqlite3* db);

// Sets a damaged file aside, with its journal and log, under a dated name, holding the
// lock that keeps two copies of the game from doing it at once. A file no longer the one
// named by id is left alone: another copy has set it aside already. Empty text when done
// (or left to that copy); otherwise what kept it from being done.
QString setAside(const QString& file, const FileId& id);

} // namespace HiveFile
