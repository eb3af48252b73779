#pragma once

#include "object_definition/definition_search.h"

#include <QWidget>
#include <vector>

class QTableWidget;

namespace corvantile {

// The table Ctrl+B opens when it looked for several definitions: a row a definition, a column a
// buffer, each cell how many places the definition matched at there, or, found nowhere, how
// near it came. Any column sorts it; Enter or a double click on a cell asks for that buffer
// and that definition. A window of its own beside the main one, which a screen reader reads
// as a table.
class FoundTable : public QWidget
{
    Q_OBJECT

public:
    explicit FoundTable(QWidget *owner);

    // Fills the table with what Ctrl+B found (a row of `found` a buffer) and shows it.
    void showFound(const std::vector<DefinitionSearch::BufferCount> &buffers,
                   const std::vector<std::vector<DefinitionSearch::Found>> &found);

signals:
    // A cell was chosen: the definition's place in the list Ctrl+B looked for, and the buffer's
    // number (from 1).
    void chosen(int definition, int buffer);

private:
    QTableWidget *m_table;
};

// A cell's words: "3 places", "best 140 of 144 at 12, 5", or "not found".
QString cellText(const DefinitionSearch::Found &found);

} // namespace corvantile
