#include "shared/Numbers.h"

#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>

namespace Numbers {

namespace {

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

} // namespace

double leadingNumber(const QString& text)
{
    qsizetype start = 0;
    while (start < text.size() && isBlank(text[start]))
        ++start;
    const qsizetype end = numberPrefixEnd(text, start);
    if (end == start)
        return 0.0;
    const std::string digits = text.mid(start, end - start).toStdString();
    const double value = std::strtod(digits.c_str(), nullptr);
    return std::isfinite(value) ? value : 0.0;
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
    if (std::isfinite(value) && value == std::trunc(value) && std::fabs(value) < 1e15)
        return QString::number(int64_t(value));
    return QString::number(value, 'g', 15);
}

} // namespace Numbers
