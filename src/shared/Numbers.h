// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// How the game turns text into numbers and numbers into text.
//
// Stored options and scores are decimal text. Readers take the number at the start of a
// text (after leading blanks), and whole-number variables round to nearest with halves to
// the even neighbour. Nothing here ever throws or ends the program.

#include <QString>
#include <cstdint>

namespace Numbers {

// The number at the start of the text after leading blanks: an optional sign, digits with
// an optional decimal point, and an optional exponent. "12ab" gives 12, " 7" gives 7, an
// empty text or one that does not begin with a number gives 0. No hexadecimal, no
// infinity, no NaN.
double leadingNumber(const QString& text);

// Rounds to nearest, halves to the even neighbour (2.5 gives 2, 3.5 gives 4, -2.5 gives -2).
// Sets ok to false when the result does not fit in 32 bits (or the value is not finite).
int32_t roundToInt32(double value, bool* ok = nullptr);

// The leading number of a text, rounded to a 32-bit whole number as above.
int32_t leadingInt32(const QString& text, bool* ok = nullptr);

// A top-ten score as a number. The list holds decimal digits (blanks around them allowed);
// a text that is not wholly a number (hand-edited or missing values) counts as 0 rather
// than ending the game.
double scoreValue(const QString& text);

// Whole numbers as plain digits with "-" when negative.
QString toText(int64_t value);

// Doubles: whole values as plain digits; others with at most 15 significant digits,
// trailing zeros dropped.
QString toText(double value);

} // namespace Numbers
