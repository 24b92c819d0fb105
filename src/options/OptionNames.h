// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The stored options' one home: their key, the names of their values, the music words and
// the limits the options window holds the entries to. The options window writes them; the
// game window, the title screen and LoadOptions read them.

#include <QString>

inline const QString OptionsKey = QStringLiteral("\\Software\\Crawlix\\Options");

inline const QString StartLevelValue = QStringLiteral("Start Level");
inline const QString StillBombsValue = QStringLiteral("Still Bombs");
inline const QString MusicOptionValue = QStringLiteral("Music Option");
inline const QString SongToPlayValue = QStringLiteral("Song To Play");

inline const QString RandomOption = QStringLiteral("Random");
inline const QString SingleOption = QStringLiteral("Single");
inline const QString NoneOption = QStringLiteral("None");

constexpr double LowestStartLevel = 1;
constexpr double HighestStartLevel = 500;
constexpr double FewestStillBombs = 3;
constexpr double MostStillBombs = 6;

// The zoom of the windows, in percent, under a key of its own: the game's other values
// know nothing of it.
inline const QString WindowKey = QStringLiteral("\\Software\\Crawlix\\Window");
inline const QString ZoomValue = QStringLiteral("Zoom");
