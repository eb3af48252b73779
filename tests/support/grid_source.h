#pragma once

#include "object_definition/generator.h"

#include <QList>

namespace corvantile::test {

// Colour values laid out row by row; -1 outside, like a picture box.
class GridSource : public PixelSource
{
public:
    GridSource(int width, QList<ColourValue> values) : m_width(width), m_values(std::move(values))
    {}
    ColourValue point(int x, int y) const override
    {
        const int height = m_width > 0 ? static_cast<int>(m_values.size()) / m_width : 0;
        if (x < 0 || y < 0 || x >= m_width || y >= height)
            return outsideColour;
        return m_values.at(y * m_width + x);
    }

private:
    int m_width;
    QList<ColourValue> m_values;
};

} // namespace corvantile::test
