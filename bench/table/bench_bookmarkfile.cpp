// Reading a bookmark file of 10 000 bookmarks, half of them with notes,
// against a bare read of the same bytes with the JSON parse alone.

#include "bench/ratioreporter.h"
#include "table/bookmarkfile.h"

#include <QFile>
#include <QJsonDocument>
#include <QTemporaryDir>

namespace {

constexpr int bookmarkCount = 10000;
const QDateTime start(QDate(2024, 5, 10), QTime(12, 0));
const BookmarkOwner owner{start, 100};

const QString& path()
{
    static QTemporaryDir dir;
    static const QString file = [] {
        const QString name = dir.filePath(QStringLiteral("big.log.bookmarks"));
        QVector<Bookmark> bookmarks;
        for (int i = 0; i < bookmarkCount; ++i)
            bookmarks.append({start.toMSecsSinceEpoch() + qint64(i) * 8640 + 123,
                              i % 2 ? QStringLiteral("Заметка %1").arg(i) : QString()});
        BookmarkFile::write(name, owner, bookmarks);
        return name;
    }();
    return file;
}

void readBookmarks(benchmark::State& state)
{
    for (auto _ : state) {
        const BookmarkFile::ReadResult result = BookmarkFile::read(path(), owner);
        if (result.bookmarks.size() != bookmarkCount)
            state.SkipWithError("bookmarks lost");
        benchmark::DoNotOptimize(result.bookmarks.data());
    }
}

void bareJsonParse(benchmark::State& state)
{
    for (auto _ : state) {
        QFile file(path());
        file.open(QIODevice::ReadOnly);
        const QJsonDocument document = QJsonDocument::fromJson(file.readAll());
        benchmark::DoNotOptimize(&document);
    }
}

} // namespace

BENCHMARK(readBookmarks)->Unit(benchmark::kMillisecond)->Repetitions(3);
BENCHMARK(bareJsonParse)->Unit(benchmark::kMillisecond)->Repetitions(3);

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\n%d bookmarks; target: read <= 50 ms\n", bookmarkCount);
    reporter.printRatios({{"readBookmarks", "bareJsonParse"}});
    return 0;
}
