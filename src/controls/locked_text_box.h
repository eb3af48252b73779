#pragma once

#include <QPlainTextEdit>
#include <QStringList>

namespace corvantile {

// A multi-line text box whose text the user can select and copy but never change: not by
// typing, pasting or dropping, and not through a screen reader's edit calls. Every copy out
// of it, whole or in part, carries the line breaks of the text that was set (CR LF stays
// CR LF), where Qt's own box would turn them into bare line feeds.
class LockedTextBox : public QPlainTextEdit
{
    Q_OBJECT

public:
    explicit LockedTextBox(QWidget *parent = nullptr);

    // Shows the text; its line breaks (CR LF, LF or CR) are remembered for copying.
    void setText(const QString &text);
    // The text as it was set, with its own line breaks.
    QString text() const;
    // The text from one position of the box's document to another, with the text's own line
    // breaks in place of the document's paragraph breaks.
    QString textBetween(int start, int end) const;

protected:
    QMimeData *createMimeDataFromSelection() const override;

private:
    QStringList m_breaks; // the line break after each line of the text, in order
};

} // namespace corvantile
