// SPDX-License-Identifier: GPL-3.0-or-later
#include "TempDataHome.h"

TempDataHome::TempDataHome()
    : previous_(qgetenv("XDG_DATA_HOME"))
    , hadPrevious_(qEnvironmentVariableIsSet("XDG_DATA_HOME"))
{
    qputenv("XDG_DATA_HOME", dir_.path().toUtf8());
}

TempDataHome::~TempDataHome()
{
    if (hadPrevious_)
        qputenv("XDG_DATA_HOME", previous_);
    else
        qunsetenv("XDG_DATA_HOME");
}

QString TempDataHome::hivePath() const { return dir_.path() + QStringLiteral("/crawlix/registry.db"); }
