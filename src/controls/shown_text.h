#pragma once

#include <QAccessibleInterface>
#include <QRect>
#include <QString>
#include <functional>

namespace corvantile {

// A control's text as a screen reader reads it, read-only: a caption, a frame's title, what a
// picture holds, a bar's place. A reader's review of the window reads it where it stands: its
// characters share the area the text is shown in, in the screen's layout pixels.
class ShownText : public QAccessibleTextInterface
{
public:
    ShownText(std::function<QString()> text, std::function<QRect()> area)
        : m_text(std::move(text)), m_area(std::move(area))
    {}

    void selection(int, int *startOffset, int *endOffset) const override
    {
        *startOffset = *endOffset = 0;
    }
    int selectionCount() const override { return 0; }
    void addSelection(int, int) override {}
    void removeSelection(int) override {}
    void setSelection(int, int, int) override {}
    int cursorPosition() const override { return 0; }
    void setCursorPosition(int) override {}
    QString text(int startOffset, int endOffset) const override
    {
        return m_text().mid(startOffset, endOffset - startOffset);
    }
    int characterCount() const override { return int(m_text().size()); }
    QRect characterRect(int offset) const override
    {
        const int count = characterCount();
        if (offset < 0 || offset >= count)
            return QRect();
        const QRect area = m_area();
        const int left = area.left() + area.width() * offset / count;
        const int right = area.left() + area.width() * (offset + 1) / count;
        return QRect(left, area.top(), std::max(1, right - left), area.height());
    }
    int offsetAtPoint(const QPoint &) const override { return -1; }
    void scrollToSubstring(int, int) override {}
    QString attributes(int offset, int *startOffset, int *endOffset) const override
    {
        *startOffset = 0;
        *endOffset = std::max(offset, characterCount());
        return QString();
    }

private:
    std::function<QString()> m_text;
    std::function<QRect()> m_area;
};

} // namespace corvantile
