// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/Windows1252.h"

#include <QList>
#include <QStringView>
#include <array>

namespace Windows1252 {

namespace {

constexpr char16_t Undefined = 0;
constexpr char Substitute = '?';
constexpr char16_t FirstSpecial = 0x80;
constexpr char16_t FirstLatin1 = 0xA0;
constexpr char32_t LastLatin1 = 0xFF;

// The characters of bytes 0x80 to 0x9F; the rest of the code page is Latin-1 itself.
constexpr std::array<char16_t, 32> Specials = {
    0x20AC, Undefined, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, Undefined, 0x017D, Undefined,
    Undefined, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, Undefined, 0x017E, 0x0178,
};

char encode(char32_t c)
{
    if (c < FirstSpecial || (c >= FirstLatin1 && c <= LastLatin1))
        return char(c);
    for (std::size_t i = 0; i < Specials.size(); ++i) {
        if (Specials[i] != Undefined && Specials[i] == c)
            return char(FirstSpecial + i);
    }
    return Substitute;
}

char16_t decode(unsigned char byte)
{
    if (byte < FirstSpecial || byte >= FirstLatin1)
        return byte;
    const char16_t special = Specials[byte - FirstSpecial];
    return special == Undefined ? char16_t(byte) : special;
}

} // namespace

QByteArray fromUnicode(const QString& text)
{
    QByteArray bytes;
    bytes.reserve(text.size());
    // toUcs4 turns a surrogate pair into one character and a lone half into U+FFFD,
    // so either way one character gives one byte.
    for (char32_t c : QStringView(text).toUcs4())
        bytes.append(encode(c));
    return bytes;
}

QString toUnicode(const QByteArray& bytes)
{
    QString text;
    text.reserve(bytes.size());
    for (char byte : bytes)
        text.append(QChar(decode(static_cast<unsigned char>(byte))));
    return text;
}

} // namespace Windows1252
