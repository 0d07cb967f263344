// Report writers against bare loops that write the same cells.
//   bench_reports [--rows=N] [benchmark flags]
// Runs every case at N/10 and N rows (default N = 10000) so that the growth
// of the peak memory with the row count shows. Time ratios and memory are
// printed after the run.

#include "../peakmemory.h"
#include "reports/excelreport.h"
#include "reports/pdfreport.h"
#include "reports/reporttable.h"

#include <QBuffer>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QGlyphRun>
#include <QHash>
#include <QPainter>
#include <QPdfWriter>
#include <QRawFont>
#include <QTemporaryDir>
#include <QVector>

#include <benchmark/benchmark.h>
#include <xlsxwriter.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <string>

namespace {
constexpr int kChannels = 16;
int rowsArgument = 10000;

// The texts a loaded protocol table shows: bookmark column, time, 16 channels.
class TextTable : public ReportTable
{
public:
    explicit TextTable(int rows) : m_rows(rows), m_cells(qsizetype(rows) * kColumns)
    {
        const QDateTime start(QDate(2024, 3, 5), QTime(10, 0));
        const QStringList states = {QStringLiteral("Открыт"), QStringLiteral("Закрыт")};
        for (int r = 0; r < rows; ++r) {
            QString* row = &m_cells[qsizetype(r) * kColumns];
            row[1] =
                start.addMSecs(qint64(r) * 100).toString(QStringLiteral("dd/MM/yyyy hh:mm:ss.zzz"));
            for (int c = 0; c < kChannels; ++c) {
                row[2 + c] = c % 5 == 4 ? states[(r / 50 + c) % 2]
                                        : QString::number(100.0 * std::sin(r * 0.01 + c), 'g');
            }
        }
        m_headers.append(QString());
        m_headers.append(QStringLiteral("Дата"));
        for (int c = 0; c < kChannels; ++c)
            m_headers.append(QStringLiteral("Канал %1 (C%1)").arg(c + 1));
    }

    int columnCount() const override { return kColumns; }
    int rowCount() const override { return m_rows; }
    bool hasHeader(int column) const override { return column > 0; }
    QString headerText(int column) const override { return m_headers.value(column); }
    bool hasItem(int, int column) const override { return column > 0; }
    QString text(int row, int column) const override
    {
        return m_cells[qsizetype(row) * kColumns + column];
    }

private:
    static constexpr int kColumns = 2 + kChannels;
    int m_rows;
    QVector<QString> m_cells;
    QStringList m_headers;
};

const TextTable& table(int rows)
{
    static std::map<int, std::unique_ptr<TextTable>> tables;
    auto& entry = tables[rows];
    if (!entry)
        entry = std::make_unique<TextTable>(rows);
    return *entry;
}

QImage chartImage()
{
    QImage image(1200, 500, QImage::Format_RGB32);
    image.fill(QColor(0, 0, 150));
    QPainter painter(&image);
    painter.setPen(QPen(Qt::yellow, 2));
    for (int x = 1; x < image.width(); ++x)
        painter.drawLine(x - 1, 250 + int(200 * std::sin((x - 1) * 0.02)), x,
                         250 + int(200 * std::sin(x * 0.02)));
    return image;
}

QString scratchPath(const char* name)
{
    static QTemporaryDir dir;
    return dir.filePath(QLatin1String(name));
}

struct Figure
{
    double seconds = 0;
    double extraMiB = 0;
};
std::map<std::string, Figure> figures;

template <typename Write>
void measure(benchmark::State& state, const std::string& name, Write write)
{
    const int rows = int(state.range(0));
    const TextTable& source = table(rows);
    double total = 0;
    double extra = 0;
    for (auto _ : state) {
        const PeakMemory peak;
        const auto begin = std::chrono::steady_clock::now();
        if (!write(source)) {
            state.SkipWithError("writing failed");
            return;
        }
        total += std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
        extra = std::max(extra, peak.extraMiB());
    }
    state.counters["extra_MiB"] = extra;
    figures[name + "/" + std::to_string(rows)] = {total / double(state.iterations()), extra};
}

void BM_WorkbookBareLibxlsxwriter(benchmark::State& state)
{
    const QImage chart = chartImage();
    measure(state, "xlsx bare", [&chart](const TextTable& source) {
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        chart.save(&buffer, "PNG");
        const QByteArray path = QFile::encodeName(scratchPath("bare.xlsx"));
        lxw_workbook_options options = {};
        options.constant_memory = LXW_TRUE;
        lxw_workbook* workbook = workbook_new_opt(path.constData(), &options);
        lxw_worksheet* sheet = workbook_add_worksheet(workbook, nullptr);
        lxw_format* title = workbook_add_format(workbook);
        format_set_bold(title);
        lxw_format* header = workbook_add_format(workbook);
        format_set_bold(header);
        format_set_border(header, LXW_BORDER_MEDIUM);
        worksheet_write_string(sheet, 0, 0, "Анализатор протоколов", title);
        for (int c = 1; c < source.columnCount(); ++c)
            worksheet_write_string(sheet, 2, lxw_col_t(c - 1),
                                   source.headerText(c).toUtf8().constData(), header);
        for (int r = 0; r < source.rowCount(); ++r) {
            for (int c = 1; c < source.columnCount(); ++c)
                worksheet_write_string(sheet, lxw_row_t(r + 3), lxw_col_t(c - 1),
                                       source.text(r, c).toUtf8().constData(), nullptr);
        }
        worksheet_insert_image_buffer(sheet, lxw_row_t(source.rowCount() + 4), 0,
                                      reinterpret_cast<const unsigned char*>(png.constData()),
                                      size_t(png.size()));
        return workbook_close(workbook) == LXW_NO_ERROR;
    });
}

void BM_WorkbookReport(benchmark::State& state)
{
    const QImage chart = chartImage();
    measure(state, "xlsx report", [&chart](const TextTable& source) {
        return bool(saveExcelReport(source, QFont(), chart, scratchPath("report.xlsx")));
    });
}

void BM_PdfBareQImage(benchmark::State& state)
{
    measure(state, "pdf bare", [](const TextTable& source) {
        // One A4-high page at 150 dpi, painted in the PDF's 1200 dpi units,
        // wide enough for every column: a narrower page would clip most of
        // the text, which then costs nothing to draw.
        const int columns = source.columnCount() - 1;
        QImage page((600 + 3000 * columns) / 8 + 100, 1754, QImage::Format_RGB32);
        page.setDotsPerMeterX(47244);
        page.setDotsPerMeterY(47244);
        page.fill(Qt::white);
        QPainter painter(&page);
        painter.scale(0.125, 0.125);
        QFont font = painter.font();
        font.setPointSize(14);
        painter.setFont(font);
        int y = 3500;
        for (int r = 0; r < source.rowCount(); ++r) {
            if (y > 13000) {
                page.fill(Qt::white);
                y = 500;
            }
            for (int k = 0; k < columns; ++k)
                painter.drawText(QPointF(600 + 3000 * k, y), source.text(r, k + 1));
            y += 500;
        }
        return painter.end();
    });
}

// What the toolkit's PDF writer alone costs for the same cells: pages of the
// report's size, each row's texts as one glyph run of a font, shaped once per
// distinct text, and no grid or header. The writer puts out every glyph as a
// record of its own and compresses each page; a report cannot be cheaper.
void BM_PdfWriterFloor(benchmark::State& state)
{
    measure(state, "pdf floor", [](const TextTable& source) {
        QFile out(scratchPath("floor.pdf"));
        if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return false;
        QPdfWriter writer(&out);
        const int columns = source.columnCount() - 1;
        writer.setPageSize(QPageSize(QSizeF(70 * columns + 10, 297), QPageSize::Millimeter,
                                     QString(), QPageSize::ExactMatch));
        QPainter painter(&writer);
        QFont font = painter.font();
        font.setPointSize(14);
        QRawFont raw = QRawFont::fromFont(font);
        raw.setPixelSize(14 * writer.logicalDpiY() / 72.0);
        struct Shaped
        {
            QVector<quint32> glyphs;
            QVector<QPointF> positions;
        };
        QHash<QString, Shaped> shaped;
        QVector<quint32> glyphs;
        QVector<QPointF> positions;
        int y = 3500;
        for (int r = 0; r < source.rowCount(); ++r) {
            if (y > 13000) {
                writer.newPage();
                y = 500;
            }
            glyphs.clear();
            positions.clear();
            for (int k = 0; k < columns; ++k) {
                const QString text = source.text(r, k + 1);
                auto found = shaped.constFind(text);
                if (found == shaped.constEnd()) {
                    Shaped cell{raw.glyphIndexesForString(text), {}};
                    qreal x = 0;
                    for (const QPointF& advance : raw.advancesForGlyphIndexes(cell.glyphs)) {
                        cell.positions.append(QPointF(x, 0));
                        x += advance.x();
                    }
                    found = shaped.insert(text, cell);
                }
                glyphs += found->glyphs;
                for (const QPointF& position : found->positions)
                    positions.append(position + QPointF(600 + 3000 * k, y));
            }
            QGlyphRun run;
            run.setRawFont(raw);
            run.setGlyphIndexes(glyphs);
            run.setPositions(positions);
            painter.drawGlyphRun(QPointF(), run);
            y += 500;
        }
        return painter.end() && out.size() > 0;
    });
}

void BM_PdfReport(benchmark::State& state)
{
    const QImage chart = chartImage();
    measure(state, "pdf report", [&chart](const TextTable& source) {
        return bool(savePdfReport(source, QDateTime(QDate(2024, 3, 5), QTime(10, 0)), chart,
                                  scratchPath("report.pdf")));
    });
}

void sizes(benchmark::internal::Benchmark* benchmark)
{
    benchmark->Arg(std::max(rowsArgument / 10, 1))->Arg(rowsArgument);
    benchmark->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
}

void printRow(const std::string& name, const Figure& figure, const Figure& base)
{
    std::printf("%-28s %10.3f %10.2f %12.1f\n", name.c_str(), figure.seconds,
                base.seconds > 0 ? figure.seconds / base.seconds : 0.0, figure.extraMiB);
}

// Each writer against its bare loop; the PDF also against the writer's floor.
void printRatios()
{
    std::printf("\n%-28s %10s %10s %12s\n", "case", "seconds", "ratio", "extra MiB");
    for (const std::string kind : {"xlsx", "pdf"}) {
        for (int rows : {std::max(rowsArgument / 10, 1), rowsArgument}) {
            const std::string suffix = "/" + std::to_string(rows);
            const Figure bare = figures[kind + " bare" + suffix];
            printRow(kind + " bare" + suffix, bare, bare);
            printRow(kind + " report" + suffix, figures[kind + " report" + suffix], bare);
            if (kind != "pdf")
                continue;
            const Figure floor = figures["pdf floor" + suffix];
            printRow("pdf floor" + suffix, floor, bare);
            printRow("pdf report/floor" + suffix, figures["pdf report" + suffix], floor);
        }
    }
}
} // namespace

int main(int argc, char** argv)
{
    std::vector<char*> arguments;
    for (int i = 0; i < argc; ++i) {
        if (std::strncmp(argv[i], "--rows=", 7) == 0)
            rowsArgument = std::max(1, std::atoi(argv[i] + 7));
        else
            arguments.push_back(argv[i]);
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    int qtArgc = 1;
    QGuiApplication application(qtArgc, argv);

    // Build the tables before measuring, so that their memory is the base.
    table(std::max(rowsArgument / 10, 1));
    table(rowsArgument);

    benchmark::RegisterBenchmark("WorkbookBareLibxlsxwriter", BM_WorkbookBareLibxlsxwriter)
        ->Apply(sizes);
    benchmark::RegisterBenchmark("WorkbookReport", BM_WorkbookReport)->Apply(sizes);
    benchmark::RegisterBenchmark("PdfBareQImage", BM_PdfBareQImage)->Apply(sizes);
    benchmark::RegisterBenchmark("PdfWriterFloor", BM_PdfWriterFloor)->Apply(sizes);
    benchmark::RegisterBenchmark("PdfReport", BM_PdfReport)->Apply(sizes);

    int benchmarkArgc = int(arguments.size());
    benchmark::Initialize(&benchmarkArgc, arguments.data());
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    printRatios();
    return 0;
}
