// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Windows-1252, the ANSI code page of a Western Windows system: the registry holds its
// texts in it. A character the code page cannot hold is written as '?', one '?' per
// character (a character beyond the first 65536 counts once, not once per half).

#include <QByteArray>
#include <QString>

namespace Windows1252 {

// The text in Windows-1252 bytes, '?' for every character it cannot hold.
QByteArray fromUnicode(const QString& text);

// Windows-1252 bytes as text. The five bytes the code page leaves undefined (0x81, 0x8D,
// 0x8F, 0x90, 0x9D) read as the control characters of the same number, as Windows reads
// them, so no byte is lost on the way in.
QString toUnicode(const QByteArray& bytes);

} // namespace Windows1252
