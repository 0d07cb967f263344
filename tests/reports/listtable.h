#pragma once

#include "reports/reporttable.h"

#include <QStringList>
#include <QVector>

#include <optional>

// A table held in lists; a missing entry stands for a cell without an item.
class ListTable : public ReportTable
{
public:
    QVector<std::optional<QString>> headers;
    QVector<QVector<std::optional<QString>>> rows;
    QVector<CellKind> kinds; // by column; text where missing

    int columnCount() const override { return headers.size(); }
    int rowCount() const override { return rows.size(); }
    bool hasHeader(int column) const override { return headers.value(column).has_value(); }
    QString headerText(int column) const override
    {
        return headers.value(column).value_or(QString());
    }
    bool hasItem(int row, int column) const override
    {
        return rows.value(row).value(column).has_value();
    }
    QString text(int row, int column) const override
    {
        return rows.value(row).value(column).value_or(QString());
    }
    CellKind cellKind(int, int column) const override
    {
        return kinds.value(column, CellKind::Text);
    }

    // A bookmark column without header text, then the given headers, and
    // rows whose cells read "R<row>C<column>" (row counted from 1).
    static ListTable numbered(const QStringList& titles, int rowCount)
    {
        ListTable table;
        table.headers.append(QString());
        for (const QString& title : titles)
            table.headers.append(title);
        for (int r = 0; r < rowCount; ++r) {
            QVector<std::optional<QString>> row{std::nullopt};
            for (int c = 1; c <= titles.size(); ++c)
                row.append(QStringLiteral("R%1C%2").arg(r + 1, 3, 10, QLatin1Char('0')).arg(c));
            table.rows.append(row);
        }
        return table;
    }
};
