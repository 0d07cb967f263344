// The table filter's decision per row, over 100 000 rows of cell texts, with
// two channel ranges and a time window, against a bare loop over the same cells.

#include "bench/ratioreporter.h"
#include "table/tablefilter.h"

#include <QDateTime>
#include <QString>
#include <QVector>

#include <vector>

namespace {

constexpr int rowCount = 100000;
constexpr int columnCount = 18;
const QDateTime base(QDate(2024, 5, 10), QTime(12, 0));

struct Row
{
    qint64 time = 0;
    QVector<QString> cells; // null: no cell

    qint64 msecsSinceEpoch() const { return time; }
    bool text(int column, QString& text) const
    {
        const QString& cell = cells[column];
        if (cell.isNull())
            return false;
        text = cell;
        return true;
    }
};

const std::vector<Row>& rows()
{
    static const std::vector<Row> table = [] {
        std::vector<Row> result;
        result.reserve(rowCount);
        for (int r = 0; r < rowCount; ++r) {
            Row row;
            row.time = base.toMSecsSinceEpoch() + qint64(r) * 100;
            row.cells.resize(columnCount);
            for (int c = 2; c < columnCount; ++c) {
                // Every tenth row comes from a file without channel 5.
                if (c == 5 && r % 10 == 0)
                    continue;
                row.cells[c] = c == 5 ? (r % 3 ? QStringLiteral("Вкл") : QStringLiteral("1"))
                                      : QString::number(((r * 37 + c * 11) % 5000) / 100.0);
            }
            result.push_back(std::move(row));
        }
        return result;
    }();
    return table;
}

QStringList headers()
{
    QStringList texts = {QString(), QStringLiteral("Дата")};
    for (int c = 2; c < columnCount; ++c)
        texts.append(QStringLiteral("Канал (C%1)").arg(c));
    return texts;
}

const QDateTime from = base.addSecs(100);
const QDateTime to = base.addSecs(9000);

void filter(benchmark::State& state)
{
    const auto& table = rows();
    const QStringList titles = headers();
    std::vector<char> hidden(table.size());
    for (auto _ : state) {
        const TableFilter f(
            {{QStringLiteral("Канал (C3)"), 10, 40}, {QStringLiteral("Канал (C5)"), 0, 1}}, titles,
            true, from, to);
        for (size_t r = 0; r < table.size(); ++r)
            hidden[r] = f.isHidden(table[r]);
        benchmark::DoNotOptimize(hidden.data());
    }
}

void bareFilter(benchmark::State& state)
{
    const auto& table = rows();
    std::vector<char> hidden(table.size());
    const qint64 begin = from.toMSecsSinceEpoch();
    const qint64 end = to.toMSecsSinceEpoch();
    for (auto _ : state) {
        for (size_t r = 0; r < table.size(); ++r) {
            const Row& row = table[r];
            const QString& a = row.cells[3];
            const QString& b = row.cells[5];
            if (a.isNull() || b.isNull()) {
                hidden[r] = true;
                continue;
            }
            const double va = a.toDouble();
            const double vb = b.toDouble();
            hidden[r] =
                row.time < begin || end < row.time || va < 10 || va > 40 || vb < 0 || vb > 1;
        }
        benchmark::DoNotOptimize(hidden.data());
    }
}

} // namespace

int main(int argc, char** argv)
{
    benchmark::RegisterBenchmark("filter/100000", filter)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("bare_filter/100000", bareFilter)->Unit(benchmark::kMillisecond);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printRatios({{"filter/100000", "bare_filter/100000"}});
    benchmark::Shutdown();
    return 0;
}
