// SPDX-License-Identifier: GPL-3.0-or-later
#include "shared/Numbers.h"

#include <cmath>
#include <cstdlib>
#include <limits>
#include <locale.h>
#include <string>

namespace Numbers {

namespace {

// Whole doubles below this are written as plain digits; from here on they need more than
// the 15 significant digits a double text carries, and take an exponent.
constexpr double PlainDigitsLimit = 1e15;
constexpr int SignificantDigits = 15;

bool isBlank(QChar c) { return c == u' ' || c == u'\t'; }
bool isDigit(QChar c) { return c >= u'0' && c <= u'9'; }

// Length of the longest prefix of text (from pos) that forms a decimal number.
qsizetype numberPrefixEnd(const QString& text, qsizetype pos)
{
    const qsizetype n = text.size();
    qsizetype i = pos;
    if (i < n && (text[i] == u'+' || text[i] == u'-'))
        ++i;
    qsizetype digits = 0;
    while (i < n && isDigit(text[i])) { ++i; ++digits; }
    if (i < n && text[i] == u'.') {
        qsizetype j = i + 1;
        qsizetype fraction = 0;
        while (j < n && isDigit(text[j])) { ++j; ++fraction; }
        if (digits + fraction > 0)
            i = j;
        digits += fraction;
    }
    if (digits == 0)
        return pos;
    if (i < n && (text[i] == u'e' || text[i] == u'E')) {
        qsizetype j = i + 1;
        if (j < n && (text[j] == u'+' || text[j] == u'-'))
            ++j;
        qsizetype expDigits = 0;
        while (j < n && isDigit(text[j])) { ++j; ++expDigits; }
        if (expDigits > 0)
            i = j;
    }
    return i;
}

// Switches this thread to the C locale while it lives, so that strtod takes "." as the
// decimal point whatever the player's locale (Qt applications run in the user's locale).
class CLocaleScope {
public:
    CLocaleScope() : c_(newlocale(LC_ALL_MASK, "C", locale_t(nullptr))), previous_(uselocale(c_)) {}
    ~CLocaleScope()
    {
        uselocale(previous_);
        if (c_)
            freelocale(c_);
    }
    CLocaleScope(const CLocaleScope&) = delete;
    CLocaleScope& operator=(const CLocaleScope&) = delete;

private:
    locale_t c_;
    locale_t previous_;
};

double parseDecimal(const std::string& number)
{
    const CLocaleScope cLocale;
    const double value = std::strtod(number.c_str(), nullptr);
    // Too large for a double: keep it huge (so rounding reports the overflow) but finite.
    if (std::isinf(value))
        return std::copysign(std::numeric_limits<double>::max(), value);
    return value;
}

} // namespace

double leadingNumber(const QString& text)
{
    qsizetype start = 0;
    while (start < text.size() && isBlank(text[start]))
        ++start;
    const qsizetype end = numberPrefixEnd(text, start);
    if (end == start)
        return 0.0;
    return parseDecimal(text.mid(start, end - start).toStdString());
}

int32_t roundToInt32(double value, bool* ok)
{
    const double rounded = std::nearbyint(value); // the default mode rounds halves to even
    const bool fits = std::isfinite(rounded)
        && rounded >= double(std::numeric_limits<int32_t>::min())
        && rounded <= double(std::numeric_limits<int32_t>::max());
    if (ok)
        *ok = fits;
    return fits ? int32_t(rounded) : 0;
}

int32_t leadingInt32(const QString& text, bool* ok)
{
    return roundToInt32(leadingNumber(text), ok);
}

double scoreValue(const QString& text)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty() || numberPrefixEnd(trimmed, 0) != trimmed.size())
        return 0.0;
    return leadingNumber(trimmed);
}

QString toText(int64_t value)
{
    return QString::number(value);
}

QString toText(double value)
{
    if (std::isfinite(value) && value == std::trunc(value) && std::fabs(value) < PlainDigitsLimit)
        return QString::number(int64_t(value));
    // Upper-case exponent, as Windows writes it ("1E-05", "1E+15").
    return QString::number(value, 'G', SignificantDigits);
}

} // namespace Numbers
