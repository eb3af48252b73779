#include "found_table.h"

#include <QHeaderView>
#include <QLocale>
#include <QTableWidget>
#include <QVBoxLayout>

namespace corvantile {
namespace {

// A cell that sorts by what it found: more places first when sorted down, then the near misses
// by how near they came, then nothing.
class FoundItem : public QTableWidgetItem
{
public:
    FoundItem(const QString &text, double rank) : QTableWidgetItem(text), m_rank(rank) {}
    bool operator<(const QTableWidgetItem &other) const override
    {
        if (const auto *found = dynamic_cast<const FoundItem *>(&other))
            return m_rank < found->m_rank;
        return QTableWidgetItem::operator<(other);
    }

private:
    double m_rank;
};

double rankOf(const DefinitionSearch::Found &found)
{
    if (found.count > 0)
        return double(found.count);
    if (found.nearest && found.nearest->of > 0)
        return double(found.nearest->matched) / found.nearest->of - 1;
    return -1;
}

constexpr int definitionRole = Qt::UserRole;

} // namespace

QString cellText(const DefinitionSearch::Found &found)
{
    const QLocale locale;
    if (found.count > 0)
        return found.count == 1 ? QStringLiteral("1 place")
                                : QStringLiteral("%1 places").arg(locale.toString(found.count));
    if (found.nearest)
        return QStringLiteral("best %1%2 of %3 at %4, %5")
            .arg(found.nearest->best ? QString() : QStringLiteral("found "),
                 locale.toString(found.nearest->matched), locale.toString(found.nearest->of))
            .arg(found.nearest->place.x())
            .arg(found.nearest->place.y());
    return QStringLiteral("not found");
}

FoundTable::FoundTable(QWidget *owner) : QWidget(owner, Qt::Window), m_table(new QTableWidget(this))
{
    setObjectName(QStringLiteral("FoundTable"));
    setWindowTitle(QStringLiteral("Definitions in the buffers"));
    m_table->setObjectName(QStringLiteral("foundCells"));
    m_table->setAccessibleName(QStringLiteral("Definitions in the buffers"));
    m_table->setAccessibleDescription(
        QStringLiteral("Enter on a cell brings that buffer back and goes to the definition"));
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionBehavior(QAbstractItemView::SelectItems);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->verticalHeader()->hide();
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_table);
    connect(m_table, &QTableWidget::cellActivated, this, [this](int row, int column) {
        if (column < 1)
            return;
        const QTableWidgetItem *name = m_table->item(row, 0);
        const QTableWidgetItem *header = m_table->horizontalHeaderItem(column);
        if (name && header)
            emit chosen(name->data(definitionRole).toInt(), header->data(definitionRole).toInt());
    });
    resize(520, 260);
}

void FoundTable::showFound(const std::vector<DefinitionSearch::BufferCount> &buffers,
                           const std::vector<std::vector<DefinitionSearch::Found>> &found)
{
    m_table->setSortingEnabled(false);
    m_table->clear();
    const int definitions = found.empty() ? 0 : int(found.front().size());
    m_table->setRowCount(definitions);
    m_table->setColumnCount(int(buffers.size()) + 1);
    m_table->setHorizontalHeaderItem(0, new QTableWidgetItem(QStringLiteral("Definition")));
    for (size_t b = 0; b < buffers.size(); ++b) {
        auto *header = new QTableWidgetItem(QStringLiteral("Buffer %1").arg(buffers[b].number));
        header->setData(definitionRole, buffers[b].number);
        m_table->setHorizontalHeaderItem(int(b) + 1, header);
    }
    for (int d = 0; d < definitions; ++d) {
        auto *name = new QTableWidgetItem(found.front()[size_t(d)].name);
        name->setData(definitionRole, d);
        m_table->setItem(d, 0, name);
        for (size_t b = 0; b < buffers.size(); ++b) {
            const DefinitionSearch::Found &cell = found[b][size_t(d)];
            m_table->setItem(d, int(b) + 1, new FoundItem(cellText(cell), rankOf(cell)));
        }
    }
    m_table->resizeColumnsToContents();
    m_table->setSortingEnabled(true);
    m_table->setCurrentCell(0, definitions > 0 && !buffers.empty() ? 1 : 0);
    show();
    raise();
    activateWindow();
    m_table->setFocus();
}

} // namespace corvantile
