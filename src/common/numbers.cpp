#include "numbers.h"

#include <QtGlobal>
#include <algorithm>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <limits>

namespace corvantile {
namespace {

// Blanks, tabs and line feeds are what the reading skips; a carriage return is not one of them.
bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\n';
}

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// The text with every blank removed, which is how the lenient reading sees it.
QString withoutBlanks(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (QChar c : text)
        if (!isBlank(c))
            out.append(c);
    return out;
}

// Reads "&H..." or "&O..." as a whole number, without wrapping: &HFFFFFFFF is 4294967295.
// A very long run of digits grows towards infinity, which later steps clamp like any large
// number.
double radixValue(const QString &s, int radix)
{
    double value = 0;
    for (qsizetype i = 2; i < s.size(); ++i) {
        const QChar c = s.at(i).toUpper();
        int digit = -1;
        if (isDigit(c))
            digit = c.unicode() - u'0';
        else if (radix == 16 && c >= u'A' && c <= u'F')
            digit = c.unicode() - u'A' + 10;
        if (digit < 0 || digit >= radix)
            break;
        value = value * radix + digit;
    }
    return value;
}

// Scans a decimal number at the start of s: sign, digits, one ".", exponent with E or D.
// Returns the length of the longest prefix that forms a number (0 when none) and its ASCII
// form (with D turned into E) in `ascii`.
qsizetype scanDecimal(const QString &s, QByteArray &ascii)
{
    qsizetype i = 0;
    ascii.clear();
    if (i < s.size() && (s.at(i) == u'+' || s.at(i) == u'-'))
        ascii.append(static_cast<char>(s.at(i++).unicode()));
    qsizetype digits = 0;
    while (i < s.size() && isDigit(s.at(i))) {
        ascii.append(static_cast<char>(s.at(i++).unicode()));
        ++digits;
    }
    if (i < s.size() && s.at(i) == u'.') {
        ascii.append('.');
        ++i;
        while (i < s.size() && isDigit(s.at(i))) {
            ascii.append(static_cast<char>(s.at(i++).unicode()));
            ++digits;
        }
    }
    if (digits == 0)
        return 0;
    qsizetype end = i;
    if (i < s.size()) {
        const QChar e = s.at(i).toUpper();
        if (e == u'E' || e == u'D') {
            qsizetype j = i + 1;
            QByteArray exponent("e");
            if (j < s.size() && (s.at(j) == u'+' || s.at(j) == u'-'))
                exponent.append(static_cast<char>(s.at(j++).unicode()));
            qsizetype expDigits = 0;
            while (j < s.size() && isDigit(s.at(j))) {
                exponent.append(static_cast<char>(s.at(j++).unicode()));
                ++expDigits;
            }
            if (expDigits > 0) {
                ascii.append(exponent);
                end = j;
            }
        }
    }
    return end;
}

// Roughly where the first significant digit of a decimal text stands (its power of ten),
// enough to tell a value too large to hold from one too small to hold.
long long decimalMagnitude(const char *first, const char *last)
{
    const char *e = std::find(first, last, 'e');
    const char *point = std::find(first, e, '.');
    const char *digit = std::find_if(first, e, [](char c) { return c >= '1' && c <= '9'; });
    long long magnitude = digit < point ? point - digit - 1 : point - digit;
    long long exponent = 0;
    bool negativeExponent = false;
    for (const char *c = e + (e != last ? 1 : 0); c < last; ++c) {
        if (*c == '-')
            negativeExponent = true;
        else if (*c >= '0' && *c <= '9')
            exponent = std::min(exponent * 10 + (*c - '0'), 1000000000LL);
    }
    return magnitude + (negativeExponent ? -exponent : exponent);
}

double asciiToDouble(const QByteArray &ascii)
{
    // from_chars never looks at the locale: "." stays the decimal point under de_DE or fr_FR,
    // where the application's start-up has made strtod expect a comma. It takes no "+", and it
    // reports a value out of range instead of giving one, so both are handled here: too large
    // gives +-infinity and too small gives +-0, as the reading should.
    const char *first = ascii.constData();
    const char *last = first + ascii.size();
    const bool negative = first != last && *first == '-';
    if (first != last && (*first == '+' || *first == '-'))
        ++first;
    double value = 0.0;
    const auto [end, error] = std::from_chars(first, last, value, std::chars_format::general);
    if (error == std::errc::result_out_of_range)
        value = decimalMagnitude(first, last) > 0 ? std::numeric_limits<double>::infinity() : 0.0;
    else if (error != std::errc() || end != last)
        return 0.0;
    return negative ? -value : value;
}

} // namespace

double numericValue(const QString &text)
{
    const QString s = withoutBlanks(text);
    if (s.size() >= 2 && s.at(0) == u'&') {
        const QChar kind = s.at(1).toUpper();
        if (kind == u'H')
            return radixValue(s, 16);
        if (kind == u'O')
            return radixValue(s, 8);
    }
    QByteArray ascii;
    if (scanDecimal(s, ascii) == 0)
        return 0.0;
    return asciiToDouble(ascii);
}

std::optional<double> strictNumber(const QString &text)
{
    // Only the blanks the lenient reading ignores may stand around the number, so that a text
    // both readings accept means the same number to both.
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && isBlank(text.at(first)))
        ++first;
    while (last > first && isBlank(text.at(last - 1)))
        --last;
    const QString s = text.mid(first, last - first);
    if (s.isEmpty())
        return std::nullopt;
    QByteArray ascii;
    if (scanDecimal(s, ascii) != s.size())
        return std::nullopt;
    const double value = asciiToDouble(ascii);
    if (!std::isfinite(value))
        return std::nullopt;
    return value;
}

QString numberText(double value)
{
    if (std::isnan(value))
        return QStringLiteral("0");
    if (value == 0.0)
        return QStringLiteral("0"); // also for -0
    if (value == std::trunc(value) && std::fabs(value) < 9.0e18)
        return QString::number(static_cast<qint64>(value));
    if (std::isinf(value))
        return value < 0 ? QStringLiteral("-inf") : QStringLiteral("inf");
    // Fifteen significant digits, written out without an exponent and without trailing zeros.
    const int magnitude = static_cast<int>(std::floor(std::log10(std::fabs(value))));
    const int decimals = qBound(0, 14 - magnitude, 340);
    QString text = QString::number(value, 'f', decimals);
    if (text.contains(u'.')) {
        while (text.endsWith(u'0'))
            text.chop(1);
        if (text.endsWith(u'.'))
            text.chop(1);
    }
    return text;
}

std::optional<float> singleFromDouble(double value)
{
    if (!std::isfinite(value) || std::fabs(value) > static_cast<double>(FLT_MAX))
        return std::nullopt;
    return static_cast<float>(value);
}

double roundHalfEven(double value)
{
    if (!std::isfinite(value))
        return value;
    const double down = std::floor(value);
    const double diff = value - down;
    if (diff < 0.5)
        return down;
    if (diff > 0.5)
        return down + 1.0;
    return std::fmod(down, 2.0) == 0.0 ? down : down + 1.0;
}

int pixelFromDouble(double value)
{
    constexpr double limit = 1073741824.0; // 2^30
    if (std::isnan(value))
        return 0;
    return static_cast<int>(qBound(-limit, roundHalfEven(value), limit));
}

std::int16_t int16Clamped(double value)
{
    if (std::isnan(value))
        return 0;
    const double rounded = roundHalfEven(value);
    return static_cast<std::int16_t>(qBound(-32768.0, rounded, 32767.0));
}

} // namespace corvantile
