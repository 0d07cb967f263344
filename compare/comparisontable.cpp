#include "compare/comparisontable.h"

#include "compare/comparison.h"
#include "compare/relativetime.h"
#include "table/numbertext.h"
#include "table/protocolassembly.h"

#include <algorithm>
#include <cmath>

namespace {
// Rows a walk may skip and still step to the next records instead of searching.
constexpr int kStepRows = 64;
} // namespace

ComparisonTable::ComparisonTable(const Comparison& comparison, std::vector<Difference> differences,
                                 const QStringList& codes, std::vector<Computed> computed)
    : m_comparison(comparison), m_differences(std::move(differences)),
      m_computed(std::move(computed)), m_ranks(size_t(comparison.protocolCount()), 0)
{
    for (int c = 0; c < int(comparison.columns().size()); ++c) {
        const Comparison::Column& column = comparison.columns()[size_t(c)];
        if (codes.isEmpty() || codes.contains(column.code)) {
            m_columns.push_back(c);
            m_plain.push_back(
                comparison.assembly(column.protocol).isPlainNumber(0, column.channel));
        }
    }
    m_records.assign(m_ranks.size(), -1);
}

const Comparison::Column* ComparisonTable::column(int value) const
{
    return value < int(m_columns.size()) ? &m_comparison.columns()[size_t(m_columns[size_t(value)])]
                                         : nullptr;
}

int ComparisonTable::record(int row, int protocol) const
{
    if (row != m_recordsRow)
        findRecords(row);
    return m_records[size_t(protocol)];
}

void ComparisonTable::findRecords(int row) const
{
    // Before the first look-up the kept ranks (0) are those of row -1.
    const bool step = row > m_recordsRow && row - m_recordsRow <= kStepRows;
    for (size_t p = 0; p < m_ranks.size(); ++p) {
        const std::vector<int>& rows = m_comparison.rowsOfRecords(int(p));
        size_t& k = m_ranks[p];
        if (step) {
            // A protocol has at most one record a row: few steps.
            k = std::min(k, rows.size());
            while (k < rows.size() && rows[k] < row)
                ++k;
        } else {
            k = size_t(std::lower_bound(rows.begin(), rows.end(), row) - rows.begin());
        }
        m_records[p] =
            k < rows.size() && rows[k] == row ? m_comparison.assembly(int(p)).timeOrder()[k] : -1;
    }
    m_recordsRow = row;
}

int ComparisonTable::columnCount() const
{
    return firstValueColumn + int(m_columns.size() + m_differences.size() + m_computed.size());
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
    const int computed = value - logged - int(m_differences.size());
    if (computed >= 0)
        return m_computed[size_t(computed)].title;
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
    if (const int computed = value - logged - int(m_differences.size()); computed >= 0) {
        double number = 0;
        if (!computedValue(computed, row, number))
            return false;
        text = numbertext::text(number);
        return true;
    }
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

void ComparisonTable::rowCells(int row, CellSink& sink) const
{
    // The time and the plain numbers go as bytes, as the merged table's do.
    char chars[32];
    sink.takeAscii(1, chars, relativeTimeChars(m_comparison.rowTime(row), chars));
    for (int value = 0; value < int(m_columns.size()); ++value) {
        const Comparison::Column& c = *column(value);
        const int record = this->record(row, c.protocol);
        if (record < 0)
            continue;
        const ProtocolAssembly& assembly = m_comparison.assembly(c.protocol);
        if (m_plain[size_t(value)]) {
            if (const int length = assembly.numberChars(0, c.channel, record, chars))
                sink.takeAscii(firstValueColumn + value, chars, length);
        } else if (assembly.cell(0, c.channel, record, m_cell)) {
            sink.take(firstValueColumn + value, m_cell.text);
        }
    }
    const int first = firstValueColumn + int(m_columns.size());
    for (size_t d = 0; d < m_differences.size(); ++d) {
        if (differenceText(m_differences[d], row, m_cell.text))
            sink.take(first + int(d), m_cell.text);
    }
    const int computedFirst = first + int(m_differences.size());
    for (size_t k = 0; k < m_computed.size(); ++k) {
        double number = 0;
        if (computedValue(int(k), row, number))
            sink.take(computedFirst + int(k), numbertext::text(number));
    }
}

bool ComparisonTable::computedValue(int index, int row, double& value) const
{
    const std::vector<double>& values = *m_computed[size_t(index)].values;
    if (row < 0 || size_t(row) >= values.size() || std::isnan(values[size_t(row)]))
        return false;
    value = values[size_t(row)];
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

ComparisonTable::Content ComparisonTable::content(int row, int column, double& number,
                                                  qint32* raw) const
{
    if (column <= 0 || column >= columnCount())
        return Content::None;
    if (column == 1) {
        number = double(m_comparison.rowTime(row));
        return Content::Number;
    }
    const int value = column - firstValueColumn;
    const int logged = int(m_columns.size());
    if (const int computed = value - logged - int(m_differences.size()); computed >= 0)
        return computedValue(computed, row, number) ? Content::Number : Content::None;
    if (value >= logged) {
        const Difference& d = m_differences[size_t(value - logged)];
        return m_comparison.differenceValue(d.first, d.second, row, number) ? Content::Number
                                                                            : Content::None;
    }
    const Comparison::Column& c = *this->column(value);
    const int record = this->record(row, c.protocol);
    if (record < 0)
        return Content::None;
    const ProtocolAssembly& assembly = m_comparison.assembly(c.protocol);
    if (!m_plain[size_t(value)] && assembly.hasRefs(0, c.channel)) {
        qint32 cellRaw = 0;
        double divisor = 1;
        if (!assembly.raw(0, c.channel, record, cellRaw, divisor))
            return Content::None;
        const QString text = assembly.refText(0, c.channel, cellRaw);
        if (!text.isEmpty()) {
            number = text.toDouble();
            if (raw)
                *raw = cellRaw;
            return Content::Text;
        }
    }
    return assembly.number(0, c.channel, record, number) ? Content::Number : Content::None;
}

std::vector<int> ComparisonTable::columnsOf(const QString& code) const
{
    std::vector<int> columns;
    for (int value = 0; value < int(m_columns.size()); ++value) {
        if (column(value)->code == code)
            columns.push_back(firstValueColumn + value);
    }
    return columns;
}
