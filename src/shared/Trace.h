// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// With CRAWLIX_TRACE=1 the program tells on standard error what a player sees change (a
// window shown, a button enabled, a label's text, the game timer switched on or off). The
// end-to-end tests wait for these lines; they change nothing in the game.

#include <QString>
#include <QTextStream>

// Asked without allocating, so that a drawing path may ask at every frame.
inline bool tracing() { return qEnvironmentVariableIntValue("CRAWLIX_TRACE") == 1; }

inline void trace(const QString& line)
{
    QTextStream(stderr) << "crawlix-trace: " << line << Qt::endl;
}
