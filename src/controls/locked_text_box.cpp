#include "locked_text_box.h"

#include "accessibility.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QMimeData>
#include <QTextBlock>

namespace corvantile {
namespace {

// What a screen reader sees of the box: its text, its caret and selection, and that it is
// read-only. Qt's own interface for a plain text box also offers edit calls, which change
// the text even of a read-only box; this one offers none.
class LockedTextBoxAccessible : public QAccessibleWidget, public QAccessibleTextInterface
{
public:
    explicit LockedTextBoxAccessible(LockedTextBox *box)
        : QAccessibleWidget(box, QAccessible::EditableText)
    {}

    LockedTextBox *box() const { return static_cast<LockedTextBox *>(widget()); }

    void *interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::TextInterface)
            return static_cast<QAccessibleTextInterface *>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    QAccessible::State state() const override
    {
        QAccessible::State s = QAccessibleWidget::state();
        s.readOnly = true;
        s.editable = false;
        s.multiLine = true;
        s.selectableText = true;
        return s;
    }

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Value)
            return box()->text();
        return QAccessibleWidget::text(t);
    }

    void selection(int selectionIndex, int *startOffset, int *endOffset) const override
    {
        const QTextCursor cursor = box()->textCursor();
        *startOffset = *endOffset = 0;
        if (selectionIndex == 0 && cursor.hasSelection()) {
            *startOffset = cursor.selectionStart();
            *endOffset = cursor.selectionEnd();
        }
    }
    int selectionCount() const override { return box()->textCursor().hasSelection() ? 1 : 0; }
    void addSelection(int startOffset, int endOffset) override
    {
        setSelection(0, startOffset, endOffset);
    }
    void removeSelection(int) override
    {
        QTextCursor cursor = box()->textCursor();
        cursor.clearSelection();
        box()->setTextCursor(cursor);
    }
    void setSelection(int, int startOffset, int endOffset) override
    {
        QTextCursor cursor = box()->textCursor();
        cursor.setPosition(clamped(startOffset));
        cursor.setPosition(clamped(endOffset), QTextCursor::KeepAnchor);
        box()->setTextCursor(cursor);
    }
    int cursorPosition() const override { return box()->textCursor().position(); }
    void setCursorPosition(int position) override
    {
        QTextCursor cursor = box()->textCursor();
        cursor.setPosition(clamped(position));
        box()->setTextCursor(cursor);
    }
    // Offsets count the document's characters, each line break as one.
    QString text(int startOffset, int endOffset) const override
    {
        return box()->toPlainText().mid(startOffset, endOffset - startOffset);
    }
    int characterCount() const override { return box()->document()->characterCount() - 1; }
    QRect characterRect(int offset) const override
    {
        QTextCursor cursor(box()->document());
        cursor.setPosition(clamped(offset));
        const QRect r = box()->cursorRect(cursor);
        return QRect(box()->viewport()->mapToGlobal(r.topLeft()), r.size());
    }
    int offsetAtPoint(const QPoint &point) const override
    {
        const QPoint local = box()->viewport()->mapFromGlobal(point);
        return box()->cursorForPosition(local).position();
    }
    void scrollToSubstring(int startIndex, int) override
    {
        setCursorPosition(startIndex);
        box()->ensureCursorVisible();
    }
    QString attributes(int offset, int *startOffset, int *endOffset) const override
    {
        *startOffset = 0;
        *endOffset = std::max(offset, characterCount());
        return QString();
    }

private:
    int clamped(int offset) const { return std::clamp(offset, 0, characterCount()); }
};

QAccessibleInterface *lockedTextBoxAccessible(const QString &, QObject *object)
{
    if (auto *box = qobject_cast<LockedTextBox *>(object))
        return new LockedTextBoxAccessible(box);
    return nullptr;
}

} // namespace

LockedTextBox::LockedTextBox(QWidget *parent) : QPlainTextEdit(parent)
{
    static const bool factoryInstalled = [] {
        installAccessibleFactory(lockedTextBoxAccessible);
        return true;
    }();
    Q_UNUSED(factoryInstalled);
    setReadOnly(true);
    setAcceptDrops(false);
    setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
}

void LockedTextBox::setText(const QString &text)
{
    m_breaks.clear();
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == u'\r' && i + 1 < text.size() && text.at(i + 1) == u'\n') {
            m_breaks << QStringLiteral("\r\n");
            ++i;
        } else if (c == u'\r' || c == u'\n') {
            m_breaks << QString(c);
        }
    }
    setPlainText(text);
}

QString LockedTextBox::text() const
{
    return textBetween(0, document()->characterCount() - 1);
}

QString LockedTextBox::textBetween(int start, int end) const
{
    QTextCursor cursor(document());
    cursor.setPosition(start);
    cursor.setPosition(end, QTextCursor::KeepAnchor);
    // The selection marks each paragraph break with U+2029; the box's paragraphs are the
    // text's lines, so the n-th paragraph break is the n-th line break of the text.
    const QString selected = cursor.selectedText();
    qsizetype lineIndex = document()->findBlock(std::min(start, end)).blockNumber();
    QString out;
    out.reserve(selected.size() + 64);
    for (QChar c : selected) {
        if (c == QChar::ParagraphSeparator) {
            out += lineIndex < m_breaks.size() ? m_breaks.at(lineIndex) : QStringLiteral("\n");
            ++lineIndex;
        } else {
            out += c;
        }
    }
    return out;
}

QMimeData *LockedTextBox::createMimeDataFromSelection() const
{
    const QTextCursor cursor = textCursor();
    auto *data = new QMimeData;
    data->setText(textBetween(cursor.selectionStart(), cursor.selectionEnd()));
    return data;
}

} // namespace corvantile
