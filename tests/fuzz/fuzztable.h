#pragma once

#include "fuzzsupport.h"
#include "tests/reports/listtable.h"

namespace fuzz {

// A table taken from the fuzz bytes: fewestColumns + 0 … columnChoices-1
// columns and 0 … rowChoices-1 rows; cellText(in) makes each header and cell
// (none for a missing one), row by row.
template <typename CellText>
ListTable tableFrom(Bytes& in, int fewestColumns, uint32_t columnChoices, uint32_t rowChoices,
                    CellText cellText)
{
    ListTable table;
    const int columns = fewestColumns + int(in.below(columnChoices));
    const int rows = int(in.below(rowChoices));
    for (int c = 0; c < columns; ++c) {
        table.headers.append(cellText(in));
        table.kinds.append(ReportTable::CellKind(in.below(3)));
    }
    for (int r = 0; r < rows; ++r) {
        QVector<std::optional<QString>> row;
        for (int c = 0; c < columns; ++c)
            row.append(cellText(in));
        table.rows.append(row);
    }
    return table;
}

} // namespace fuzz
