#include "compare/comparisontable.h"

#include "compare/comparison.h"
#include "compare/relativetime.h"
#include "table/numbertext.h"
#include "table/protocolassembly.h"

ComparisonTable::ComparisonTable(const Comparison& comparison, std::vector<Difference> differences,
                                 const QStringList& codes)
    : m_comparison(comparison), m_differences(std::move(differences))
{
    for (int c = 0; c < int(comparison.columns().size()); ++c) {
        if (codes.isEmpty() || codes.contains(comparison.columns()[size_t(c)].code))
            m_columns.push_back(c);
    }
}

const Comparison::Column* ComparisonTable::column(int value) const
{
    return value < int(m_columns.size()) ? &m_comparison.columns()[size_t(m_columns[size_t(value)])]
                                         : nullptr;
}

int ComparisonTable::record(int row, int protocol) const
{
    if (row != m_recordsRow) {
        m_records.resize(size_t(m_comparison.protocolCount()));
        for (int p = 0; p < m_comparison.protocolCount(); ++p)
            m_records[size_t(p)] = m_comparison.record(row, p);
        m_recordsRow = row;
    }
    return m_records[size_t(protocol)];
}

int ComparisonTable::columnCount() const
{
    return firstValueColumn + int(m_columns.size() + m_differences.size());
}

int ComparisonTable::rowCount() const
{
    return m_comparison.rowCount();
}

bool ComparisonTable::hasHeader(int column) const
{
    return column > 0 && column < columnCount();
}

QString ComparisonTable::headerText(int column) const
{
    if (column == 1)
        return QStringLiteral("Время");
    const int value = column - firstValueColumn;
    const int logged = int(m_columns.size());
    if (value < logged)
        return m_comparison.columnTitle(m_columns[size_t(value)]);
    const Difference& d = m_differences[size_t(value - logged)];
    return Comparison::differenceTitle(d.first, d.second);
}

bool ComparisonTable::hasItem(int row, int column) const
{
    QString text;
    return cell(row, column, text);
}

QString ComparisonTable::text(int row, int column) const
{
    QString text;
    cell(row, column, text);
    return text;
}

bool ComparisonTable::cell(int row, int column, QString& text) const
{
    if (column <= 0 || column >= columnCount())
        return false;
    if (column == 1) {
        text = relativeTimeText(m_comparison.rowTime(row));
        return true;
    }
    const int value = column - firstValueColumn;
    const int logged = int(m_columns.size());
    if (value >= logged)
        return differenceText(m_differences[size_t(value - logged)], row, text);
    const Comparison::Column& c = *this->column(value);
    const int record = this->record(row, c.protocol);
    if (record < 0 || !m_comparison.assembly(c.protocol).cell(0, c.channel, record, m_cell))
        return false;
    // The caller's buffer serves the next cell: no allocation per cell.
    std::swap(text, m_cell.text);
    return true;
}

bool ComparisonTable::differenceText(const Difference& difference, int row, QString& text) const
{
    double value = 0;
    int decimals = 0;
    if (!m_comparison.difference(difference.first, difference.second, row, value, &decimals))
        return false;
    text = numbertext::decimalText(value, decimals);
    return true;
}

ReportTable::CellKind ComparisonTable::cellKind(int row, int column) const
{
    if (column <= 1)
        return CellKind::Text;
    const Comparison::Column* c = this->column(column - firstValueColumn);
    if (!c)
        return CellKind::Number;
    const int record = this->record(row, c->protocol);
    ProtocolAssembly::Cell found;
    const bool has =
        record >= 0 && m_comparison.assembly(c->protocol).cell(0, c->channel, record, found);
    return has && found.isText ? CellKind::Text : CellKind::Number;
}
