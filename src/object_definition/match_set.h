#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>
#include <QtGlobal>
#include <cstdint>
#include <vector>

namespace corvantile {

// The places where a definition matches in a picture, in reading order, every one of them
// however many: a bit for each place where the definition could lie while many match, the
// places themselves when few do.
class MatchSet
{
public:
    MatchSet() = default;
    // From a plane of bits, `wordsPerRow` words of 64 places for each row of places, the bit
    // of each place the definition matches at set.
    MatchSet(QSize places, int wordsPerRow, std::vector<quint64> bits);

    qint64 count() const { return m_count; }
    bool empty() const { return m_count == 0; }
    // The match `index` places from the first, in reading order; index lies below count().
    QPoint at(qint64 index) const;
    // The matches inside `places`, in reading order, at most `most` of them.
    std::vector<QPoint> within(const QRect &places, size_t most = SIZE_MAX) const;
    std::vector<QPoint> first(size_t most) const;

private:
    qint64 m_count = 0;
    QSize m_size;                 // the places the bits stand for
    int m_words = 0;              // words a row
    std::vector<quint64> m_bits;  // empty when the places are kept as points
    std::vector<qint64> m_before; // the matches in the rows above each row, and in all of them
    std::vector<QPoint> m_points; // the places, when they are few
};

} // namespace corvantile
