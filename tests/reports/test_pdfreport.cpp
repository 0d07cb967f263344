#include "listtable.h"
#include "readback.h"

#include "reports/pdfreport.h"

#include <QDateTime>
#include <QFile>
#include <QImage>
#include <QRegularExpression>
#include <QSizeF>
#include <QTemporaryDir>
#include <QtTest>

namespace {
constexpr double kPointsPerMm = 72.0 / 25.4;

// Page sizes in millimetres, as poppler reads them.
QVector<QSizeF> pageSizes(const QString& path)
{
    const QString info = QString::fromUtf8(
        runTool(QStringLiteral("pdfinfo"), {QStringLiteral("-f"), QStringLiteral("1"),
                                            QStringLiteral("-l"), QStringLiteral("1000"), path}));
    QVector<QSizeF> sizes;
    const QRegularExpression line(QStringLiteral(R"(Page\s+\d+ size:\s+([\d.]+) x ([\d.]+) pts)"));
    auto it = line.globalMatch(info);
    while (it.hasNext()) {
        const auto match = it.next();
        sizes.append(QSizeF(match.captured(1).toDouble() / kPointsPerMm,
                            match.captured(2).toDouble() / kPointsPerMm));
    }
    return sizes;
}

QString pageText(const QString& path, int page)
{
    const QString number = QString::number(page);
    return QString::fromUtf8(runTool(QStringLiteral("pdftotext"),
                                     {QStringLiteral("-f"), number, QStringLiteral("-l"), number,
                                      QStringLiteral("-layout"), path, QStringLiteral("-")}));
}

bool sameSizes(const QVector<QSizeF>& actual, const QVector<QSizeF>& expected)
{
    if (actual.size() != expected.size())
        return false;
    for (int page = 0; page < actual.size(); ++page) {
        if (qAbs(actual[page].width() - expected[page].width()) >= 0.5 ||
            qAbs(actual[page].height() - expected[page].height()) >= 0.5)
            return false;
    }
    return true;
}

// The rows of the numbered table that a page shows, by their first cell.
QVector<int> rowsOnPage(const QString& text)
{
    QVector<int> rows;
    const QRegularExpression cell(QStringLiteral(R"(\bR(\d{3})C1\b)"));
    auto it = cell.globalMatch(text);
    while (it.hasNext())
        rows.append(it.next().captured(1).toInt());
    return rows;
}

QVector<int> range(int first, int last)
{
    QVector<int> numbers;
    for (int i = first; i <= last; ++i)
        numbers.append(i);
    return numbers;
}
} // namespace

class TestPdfReport : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir dir;
    const QStringList titles = {QStringLiteral("Дата"), QStringLiteral("Давление (P1)"),
                                QStringLiteral("Клапан (V1)")};
    const QDateTime start = QDateTime(QDate(2024, 3, 5), QTime(10, 20, 30, 40));

    static QImage picture(int width, int height)
    {
        QImage image(width, height, QImage::Format_RGB32);
        image.fill(Qt::darkGreen);
        return image;
    }

private slots:
    void rowsFollowTheGrid()
    {
        // 20 rows on the first page, 26 on each later one, then the chart page.
        const QString path = dir.filePath(QStringLiteral("grid.pdf"));
        QVERIFY(savePdfReport(ListTable::numbered(titles, 20 + 26 + 1), start, picture(1200, 500),
                              path));
        QCOMPARE(rowsOnPage(pageText(path, 1)), range(1, 20));
        QCOMPARE(rowsOnPage(pageText(path, 2)), range(21, 46));
        QCOMPARE(rowsOnPage(pageText(path, 3)), range(47, 47));
        QVERIFY(pageText(path, 4).trimmed().isEmpty());
        const QSizeF a4(220, 297);
        QVERIFY(sameSizes(pageSizes(path), {a4, a4, a4, QSizeF(1200, 500)}));
    }

    void pageSizesFollowRowsColumnsAndChart_data()
    {
        QTest::addColumn<int>("columns");
        QTest::addColumn<int>("rows");
        QTest::addColumn<QSize>("chart");
        QTest::addColumn<QVector<QSizeF>>("expected");
        const QSizeF a4(220, 297);
        // An exactly full page adds no blank page.
        QTest::newRow("one full page")
            << 3 << 20 << QSize(40, 30) << QVector<QSizeF>{a4, QSizeF(40, 30)};
        QTest::newRow("wide, no chart") << 7 << 1 << QSize() << QVector<QSizeF>{{70 * 7 + 10, 297}};
    }

    void pageSizesFollowRowsColumnsAndChart()
    {
        QFETCH(int, columns);
        QFETCH(int, rows);
        QFETCH(QSize, chart);
        QFETCH(QVector<QSizeF>, expected);
        QStringList headers{QStringLiteral("Дата")};
        for (int c = 1; c < columns; ++c)
            headers.append(QString::number(c));
        const QString path = dir.filePath(QStringLiteral("sizes.pdf"));
        QVERIFY(savePdfReport(ListTable::numbered(headers, rows), start,
                              chart.isEmpty() ? QImage() : picture(chart.width(), chart.height()),
                              path));
        QVERIFY(sameSizes(pageSizes(path), expected));
    }

    void firstPageCarriesTitleDateHeadersAndCells()
    {
        const QString path = dir.filePath(QStringLiteral("texts.pdf"));
        ListTable table = ListTable::numbered(titles, 2);
        table.rows[1][3] = QStringLiteral("Открыт");
        table.rows[1][2] = std::nullopt;
        QVERIFY(savePdfReport(table, start, picture(300, 200), path));

        const QString text = pageText(path, 1);
        QVERIFY2(text.contains(QStringLiteral("Анализатор протоколов")), qPrintable(text));
        QVERIFY(text.contains(QStringLiteral("Дата старта: 05/03/2024 10:20:30.040")));
        for (const QString& title : titles)
            QVERIFY2(text.contains(title), qPrintable(title));
        QVERIFY(text.contains(QStringLiteral("R001C2")));
        QVERIFY(text.contains(QStringLiteral("Открыт")));
        QVERIFY(!text.contains(QStringLiteral("R002C2")));
    }

    void unwritablePathIsReportedAndLeavesNoFile()
    {
        const QString path = unwritablePath(dir.path(), QStringLiteral("report.pdf"));
        const ReportResult result =
            savePdfReport(ListTable::numbered(titles, 3), start, picture(10, 10), path);
        QVERIFY(!result);
        QVERIFY(!result.error.isEmpty());
        QVERIFY(!QFile::exists(path));
    }
};

QTEST_MAIN(TestPdfReport)
#include "test_pdfreport.moc"
