// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Points XDG_DATA_HOME at a fresh temporary folder for the life of the object, so every
// test works on a hive of its own.

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

class TempDataHome {
public:
    TempDataHome();
    ~TempDataHome();
    QString path() const { return dir_.path(); }
    // Where the hive file lies inside this data home.
    QString hivePath() const;

private:
    QTemporaryDir dir_;
    QByteArray previous_;
    bool hadPrevious_;
};
