#include "match_set.h"

#include <algorithm>
#include <bit>

namespace corvantile {

MatchSet::MatchSet(QSize places, int wordsPerRow, std::vector<quint64> bits)
    : m_size(places), m_words(wordsPerRow), m_bits(std::move(bits))
{
    m_before.reserve(size_t(places.height()) + 1);
    m_before.push_back(0);
    for (int y = 0; y < places.height(); ++y) {
        const quint64 *row = m_bits.data() + size_t(y) * size_t(m_words);
        for (int i = 0; i < m_words; ++i)
            m_count += std::popcount(row[i]);
        m_before.push_back(m_count);
    }
    // A point takes the room of one word: while matches are fewer than half the words, the
    // points are the smaller.
    if (m_count * 2 <= qint64(m_bits.size())) {
        m_points = within(QRect(QPoint(0, 0), places));
        m_bits = {};
        m_before = {};
    }
}

QPoint MatchSet::at(qint64 index) const
{
    if (m_bits.empty())
        return m_points[size_t(index)];
    const auto after = std::upper_bound(m_before.begin(), m_before.end(), index);
    const int y = int(after - m_before.begin()) - 1;
    qint64 left = index - m_before[size_t(y)];
    const quint64 *row = m_bits.data() + size_t(y) * size_t(m_words);
    for (int i = 0;; ++i) {
        const int inWord = std::popcount(row[i]);
        if (left >= inWord) {
            left -= inWord;
            continue;
        }
        quint64 word = row[i];
        for (; left > 0; --left)
            word &= word - 1;
        return QPoint(i * 64 + std::countr_zero(word), y);
    }
}

std::vector<QPoint> MatchSet::within(const QRect &places, size_t most) const
{
    const QRect wanted = places & QRect(QPoint(0, 0), m_size);
    std::vector<QPoint> found;
    if (wanted.isEmpty() || m_count == 0)
        return found;
    if (m_bits.empty()) {
        auto it = std::lower_bound(m_points.begin(), m_points.end(), wanted.top(),
                                   [](const QPoint &p, int y) { return p.y() < y; });
        for (; it != m_points.end() && it->y() <= wanted.bottom() && found.size() < most; ++it)
            if (it->x() >= wanted.left() && it->x() <= wanted.right())
                found.push_back(*it);
        return found;
    }
    for (int y = wanted.top(); y <= wanted.bottom(); ++y) {
        if (m_before[size_t(y) + 1] == m_before[size_t(y)])
            continue;
        const quint64 *row = m_bits.data() + size_t(y) * size_t(m_words);
        for (int i = wanted.left() >> 6; i <= wanted.right() >> 6; ++i)
            for (quint64 word = row[i]; word != 0; word &= word - 1) {
                const int x = i * 64 + std::countr_zero(word);
                if (x < wanted.left() || x > wanted.right())
                    continue;
                if (found.size() == most)
                    return found;
                found.emplace_back(x, y);
            }
    }
    return found;
}

std::vector<QPoint> MatchSet::first(size_t most) const
{
    return within(QRect(QPoint(0, 0), m_size), most);
}

} // namespace corvantile
