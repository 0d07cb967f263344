// Restoring 10 000 bookmarks, half of them with notes, onto a table of
// 1 000 000 rows: reading the file, placing each bookmark on its tick and
// marking its row with the note. The bare baseline does the least any
// restore must: parse the same JSON and look at every row's tick once.

#include "bench/ratioreporter.h"
#include "bench/table/compacttable.h"
#include "table/bookmarkstore.h"

#include <QFile>
#include <QJsonDocument>
#include <QTemporaryDir>

namespace {

constexpr int kRows = 1000000;
constexpr int kBookmarks = 10000;
constexpr quint16 kTickMs = 10;

const QString& protocolPath()
{
    static QTemporaryDir dir;
    static const QString path = [] {
        const QString protocol = dir.filePath(QStringLiteral("big.log"));
        QVector<Bookmark> bookmarks;
        const qint64 start = compacttable::kStart.toMSecsSinceEpoch();
        for (int i = 0; i < kBookmarks; ++i)
            bookmarks.append({start + (qint64(i) * 100 + 7) * kTickMs,
                              i % 2 ? QStringLiteral("Заметка %1").arg(i) : QString()});
        BookmarkFile::write(BookmarkFile::pathFor(protocol), {compacttable::kStart, kTickMs},
                            bookmarks);
        return protocol;
    }();
    return path;
}

compacttable::Loaded& loaded()
{
    static compacttable::Loaded table(kRows);
    return table;
}

void restoreBookmarks(benchmark::State& state)
{
    ProtocolTableModel& model = loaded().model;
    const BookmarkStore::Protocol protocol{
        protocolPath(), {compacttable::kStart, kTickMs}, 0, 0, kRows - 1};
    for (auto _ : state) {
        BookmarkStore store;
        store.setView({protocol});
        store.load();
        model.setBookmarkMarks(store.ticks(), store.notes());
        if (int(model.marks().size()) != kBookmarks)
            state.SkipWithError("bookmarks lost");
    }
}

void bareParseAndScan(benchmark::State& state)
{
    ProtocolTableModel& model = loaded().model;
    for (auto _ : state) {
        QFile file(BookmarkFile::pathFor(protocolPath()));
        file.open(QIODevice::ReadOnly);
        const QJsonDocument document = QJsonDocument::fromJson(file.readAll());
        benchmark::DoNotOptimize(&document);
        qint64 sum = 0;
        for (int row = 0; row < model.allRowCount(); ++row)
            sum += model.tick(model.globalRowAt(row));
        benchmark::DoNotOptimize(sum);
    }
}

} // namespace

BENCHMARK(restoreBookmarks)->Unit(benchmark::kMillisecond)->Repetitions(3);
BENCHMARK(bareParseAndScan)->Unit(benchmark::kMillisecond)->Repetitions(3);

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\n%d bookmarks on %d rows; target: restore <= 200 ms\n", kBookmarks, kRows);
    reporter.printRatios({{"restoreBookmarks", "bareParseAndScan"}});
    return 0;
}
