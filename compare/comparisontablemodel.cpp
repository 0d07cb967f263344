#include "compare/comparisontablemodel.h"

#include "compare/comparisontable.h"

#include <QHash>

#include <algorithm>
#include <numeric>

namespace {
// The model's column 0 is the table's time column, its column 1.
constexpr int kFirstColumn = 1;
} // namespace

ComparisonTableModel::ComparisonTableModel(QObject* parent) : QAbstractTableModel(parent) {}

ComparisonTableModel::~ComparisonTableModel() = default;

void ComparisonTableModel::setTable(std::unique_ptr<ComparisonTable> table)
{
    beginResetModel();
    m_table = std::move(table);
    if (!m_table || m_sortColumn >= columnCount()) {
        m_sortColumn = 0;
        m_sortOrder = Qt::AscendingOrder;
    }
    m_sorted = sortedRows();
    showRows();
    endResetModel();
}

void ComparisonTableModel::setFilter(bool on, qint64 from, qint64 to, const QVector<Range>& ranges)
{
    m_filterOn = on;
    m_from = from;
    m_to = to;
    m_ranges = ranges;
    relayout(false);
}

int ComparisonTableModel::comparisonRow(int row) const
{
    return row >= 0 && size_t(row) < m_rows.size() ? m_rows[size_t(row)] : -1;
}

int ComparisonTableModel::rowOf(int comparisonRow) const
{
    if (!m_table || comparisonRow < 0 || comparisonRow >= m_table->rowCount())
        return -1;
    if (m_shownAt.empty()) {
        m_shownAt.assign(size_t(m_table->rowCount()), -1);
        for (size_t row = 0; row < m_rows.size(); ++row)
            m_shownAt[size_t(m_rows[row])] = int(row);
    }
    return m_shownAt[size_t(comparisonRow)];
}

int ComparisonTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int ComparisonTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() || !m_table ? 0 : m_table->columnCount() - kFirstColumn;
}

QVariant ComparisonTableModel::data(const QModelIndex& index, int role) const
{
    if (!m_table || !index.isValid() || index.row() >= rowCount() ||
        index.column() >= columnCount())
        return {};
    const int row = m_rows[size_t(index.row())];
    const int column = index.column() + kFirstColumn;
    if (role == Qt::DisplayRole) {
        QString text;
        return m_table->cell(row, column, text) ? QVariant(text) : QVariant();
    }
    if (role == Qt::TextAlignmentRole && index.column() > 0 &&
        m_table->cellKind(row, column) == ReportTable::CellKind::Number)
        return QVariant(int(Qt::AlignRight | Qt::AlignVCenter));
    return {};
}

QVariant ComparisonTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 &&
        section < columnCount())
        return m_table->headerText(section + kFirstColumn);
    return QAbstractTableModel::headerData(section, orientation, role);
}

void ComparisonTableModel::sort(int column, Qt::SortOrder order)
{
    if (!m_table || column < 0 || column >= columnCount())
        return;
    // The sort is stable and the cells do not change: the same sort again
    // would leave every row where it is.
    if (column == m_sortColumn && order == m_sortOrder)
        return;
    m_sortColumn = column;
    m_sortOrder = order;
    relayout(true);
}

std::vector<int> ComparisonTableModel::sortedRows() const
{
    const int count = m_table ? m_table->rowCount() : 0;
    std::vector<int> rows(size_t(std::max(count, 0)));
    std::iota(rows.begin(), rows.end(), 0);
    // The rows come in time order, as this sort leaves them.
    if (count == 0 || (m_sortColumn == 0 && m_sortOrder == Qt::AscendingOrder))
        return rows;

    // Each cell read once, in row order (the table steps from row to row):
    // numbers, texts ranked among the column's texts, and the empty cells.
    const int column = m_sortColumn + kFirstColumn;
    std::vector<std::pair<double, int>> numbers;
    std::vector<std::pair<double, int>> texts;
    std::vector<int> empty;
    numbers.reserve(rows.size());
    QHash<qint32, int> textOfRaw;
    std::vector<QString> textList;
    QString text;
    for (int row = 0; row < count; ++row) {
        double number = 0;
        qint32 raw = 0;
        switch (m_table->content(row, column, number, &raw)) {
        case ComparisonTable::Content::Number:
            numbers.emplace_back(number, row);
            break;
        case ComparisonTable::Content::Text: {
            auto found = textOfRaw.constFind(raw);
            if (found == textOfRaw.cend()) {
                m_table->cell(row, column, text);
                textList.push_back(text);
                found = textOfRaw.insert(raw, int(textList.size()) - 1);
            }
            texts.emplace_back(double(found.value()), row);
            break;
        }
        case ComparisonTable::Content::None:
            empty.push_back(row);
            break;
        }
    }
    // Ranks of the texts: equal texts (of different raw values) rank alike.
    std::vector<int> byText(textList.size());
    std::iota(byText.begin(), byText.end(), 0);
    std::sort(byText.begin(), byText.end(), [&textList](int a, int b) {
        return textList[size_t(a)].localeAwareCompare(textList[size_t(b)]) < 0;
    });
    std::vector<double> rank(textList.size(), 0);
    for (size_t i = 1; i < byText.size(); ++i) {
        const bool after =
            textList[size_t(byText[i - 1])].localeAwareCompare(textList[size_t(byText[i])]) < 0;
        rank[size_t(byText[i])] = rank[size_t(byText[i - 1])] + (after ? 1 : 0);
    }
    for (auto& item : texts)
        item.first = rank[size_t(item.first)];

    const bool ascending = m_sortOrder == Qt::AscendingOrder;
    const auto sortPart = [ascending](std::vector<std::pair<double, int>>& part) {
        if (ascending)
            std::stable_sort(part.begin(), part.end(),
                             [](const auto& a, const auto& b) { return a.first < b.first; });
        else
            std::stable_sort(part.begin(), part.end(),
                             [](const auto& a, const auto& b) { return b.first < a.first; });
    };
    sortPart(numbers);
    sortPart(texts);
    // Numbers before texts ascending, after them descending; empty cells
    // last either way.
    rows.clear();
    const auto append = [&rows](const std::vector<std::pair<double, int>>& part) {
        for (const auto& item : part)
            rows.push_back(item.second);
    };
    append(ascending ? numbers : texts);
    append(ascending ? texts : numbers);
    rows.insert(rows.end(), empty.begin(), empty.end());
    return rows;
}

std::vector<bool> ComparisonTableModel::hiddenRows() const
{
    if (!m_filterOn || !m_table)
        return {};
    std::vector<std::vector<int>> columns;
    for (const Range& range : m_ranges)
        columns.push_back(m_table->columnsOf(range.name));
    const int count = m_table->rowCount();
    std::vector<bool> hidden(size_t(count), false);
    for (int row = 0; row < count; ++row) {
        const qint64 time = m_table->comparison().rowTime(row);
        bool out = time < m_from || m_to < time;
        for (int k = 0; !out && k < m_ranges.size(); ++k) {
            // Any protocol's cell of the code will do; a text reads as its number.
            bool within = false;
            for (const int column : columns[size_t(k)]) {
                double number = 0;
                if (m_table->content(row, column, number) != ComparisonTable::Content::None &&
                    m_ranges[k].from <= number && number <= m_ranges[k].to) {
                    within = true;
                    break;
                }
            }
            out = !within;
        }
        hidden[size_t(row)] = out;
    }
    return hidden;
}

void ComparisonTableModel::showRows()
{
    m_shownAt.clear();
    const std::vector<bool> hidden = hiddenRows();
    if (hidden.empty()) {
        m_rows = m_sorted;
        return;
    }
    m_rows.clear();
    for (const int row : m_sorted) {
        if (!hidden[size_t(row)])
            m_rows.push_back(row);
    }
}

void ComparisonTableModel::relayout(bool sortAgain)
{
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList before = persistentIndexList();
    std::vector<int> rows;
    rows.reserve(size_t(before.size()));
    for (const QModelIndex& index : before)
        rows.push_back(index.isValid() ? comparisonRow(index.row()) : -1);

    if (sortAgain)
        m_sorted = sortedRows();
    showRows();

    QModelIndexList after;
    after.reserve(before.size());
    for (int i = 0; i < before.size(); ++i) {
        const int row = rows[size_t(i)] < 0 ? -1 : rowOf(rows[size_t(i)]);
        after.append(row < 0 ? QModelIndex() : index(row, before[i].column()));
    }
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}
