#pragma once

#include "compare/comparison.h"
#include "reports/reporttable.h"
#include "table/protocolassembly.h"

#include <QStringList>

#include <utility>
#include <vector>

// A comparison as the table and the reports see it: the relative time
// ("+00:12:30.250") in column 1, then a column per channel and protocol
// ("U1 [1]", "U1 [2]") and the requested difference channels ("U1 [2−1]");
// a cell is empty where its protocol has no record in the row. Named codes
// limit the channel columns to theirs, in the comparison's order.
class ComparisonTable : public ReportTable
{
public:
    // A difference channel: protocol k minus protocol 0 of a code.
    using Difference = std::pair<QString, int>;

    // A channel computed over the rows: its title and a value per row (NaN
    // for none), which must outlive the table.
    struct Computed
    {
        QString title;
        const std::vector<double>* values = nullptr;
    };

    explicit ComparisonTable(const Comparison& comparison, std::vector<Difference> differences = {},
                             const QStringList& codes = {}, std::vector<Computed> computed = {});

    int columnCount() const override;
    int rowCount() const override;
    bool hasHeader(int column) const override;
    QString headerText(int column) const override;
    bool hasItem(int row, int column) const override;
    QString text(int row, int column) const override;
    bool cell(int row, int column, QString& text) const override;
    void rowCells(int row, CellSink& sink) const override;
    CellKind cellKind(int row, int column) const override;

    // What a cell holds, read without its text: the time column's number is
    // the relative time, a text cell's number what its text reads as (0 for
    // no number) and `raw` its raw value, which names the text within the
    // column.
    enum class Content { None, Number, Text };
    Content content(int row, int column, double& number, qint32* raw = nullptr) const;
    // The channel columns of a code (1 + position among all columns).
    std::vector<int> columnsOf(const QString& code) const;
    const std::vector<Difference>& differences() const { return m_differences; }
    const Comparison& comparison() const { return m_comparison; }

private:
    static constexpr int firstValueColumn = 2;

    bool differenceText(const Difference& difference, int row, QString& text) const;
    // The computed column's value in the row; false for none.
    bool computedValue(int index, int row, double& value) const;

    const Comparison::Column* column(int value) const;
    // The protocol's record in the row. Writers, sorts and filters go row
    // by row: the records of the last row asked for are kept, and the next
    // rows' are found from them without a search.
    int record(int row, int protocol) const;
    void findRecords(int row) const;

    const Comparison& m_comparison;
    std::vector<Difference> m_differences;
    std::vector<Computed> m_computed;
    std::vector<int> m_columns; // of the comparison, shown
    std::vector<bool> m_plain;  // per shown column: numbers written from the raw values
    mutable int m_recordsRow = -1;
    mutable std::vector<int> m_records;
    mutable std::vector<size_t> m_ranks; // per protocol: first record in a row >= m_recordsRow
    mutable ProtocolAssembly::Cell m_cell;
};
