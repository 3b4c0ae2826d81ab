#pragma once
// Numbers live as text in the boxes; arithmetic is on doubles.

#include <QString>

#include <optional>

namespace kurumin {

// Decimal text (blanks around it, a sign, a fraction and an exponent
// allowed) as a finite double; nothing for any other text.
std::optional<double> parseNumber(const QString& text);

// As parseNumber, but a text that is no number fails the running command.
double numberOf(const QString& text);

// The shortest decimal text that reads back as the same double, never with an
// exponent: 7, 1.5, -5, 100000, 0.0001.
QString shortestText(double value);

// The value rounded to a whole number (halves away from zero) with at least
// `digits` digits, zeros in front; never cut: pad(-5, 2) is "-05", pad(100, 2) "100".
QString padNumber(double value, int digits);

// A number's text padded as above; any other text stays as it is.
QString padText(const QString& text, int digits);

// Text of `count` zeros, the format mask of a padding width.
QString zeroMask(int count);

} // namespace kurumin
