#include "readback.h"
#include "xlsxreader.h"

#include "app/mainwindow.h"
#include "chart/chartprotocol.h"
#include "app/platform.h"
#include "parameters/settingsfile.h"
#include "chart/chartpicture.h"
#include "table/protocoltablemodel.h"
#include "tests/device/scripteddialogs.h"
#include "tests/protocol/protocolfiles.h"

#include <QAction>
#include <QLabel>
#include <QTemporaryDir>
#include <QRegularExpression>
#include <QStatusBar>
#include <QTimer>
#include <QtTest>

namespace {
// The save dialog offers the protocol's start as the name, first in the home folder.
QString askSave(const QString& folder, const QString& suffix)
{
    const QString filter = suffix == QLatin1String("pdf") ? QStringLiteral("Файл PDF (*.pdf)")
                                                          : QStringLiteral("Файл EXCEL (*.xlsx)");
    return QStringLiteral("save|Сохранить отчет|%1/2024_03_05_10_20_30.%2|%3")
        .arg(folder, suffix, filter);
}
const QString kAskWorkbook = askSave(QDir::homePath(), QStringLiteral("xlsx"));
const QString kAskPdf = askSave(QDir::homePath(), QStringLiteral("pdf"));

// Rows from 05/03/2024 10:20:30, one a second, P1 reading 1.5 × row.
void fill(MainWindow& window, const QString& dir, int rows)
{
    protocolfiles::writeDefinition(dir, R"({"ROOT": "", "CONTENT": [{"GROUP": "g",
        "VALUES": [{"CODE": "P1", "ID": 1, "NAME": "P", "RATE": 1}]}]})");
    window.setupLoger(dir);
    QVector<LogRecord> records;
    for (int r = 0; r < rows; ++r)
        records.append(protocolfiles::rec(1, quint32(r), 15 * r));
    const QString path = dir + QStringLiteral("/p.log");
    protocolfiles::write(
        path,
        protocolfiles::bytes(
            protocolfiles::header(QDateTime(QDate(2024, 3, 5), QTime(10, 20, 30)), 1000), records));
    window.readProtocols({path});
}

void hideRows(MainWindow& window, const QVector<int>& rows)
{
    ProtocolTableModel& model = *window.tableModel();
    std::vector<bool> hidden(size_t(model.allRowCount()), false);
    for (const int row : rows)
        hidden[size_t(model.globalRowAt(row))] = true;
    model.setHiddenRows(hidden);
}
} // namespace

class TestMainWindowReports : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir dir;
    std::unique_ptr<MainWindow> window;
    ScriptedDialogs::Script script;
    QStringList opened;
    bool openerFound = true;
    bool openerFailsLater = false;

    void trigger(const char* action)
    {
        window->findChild<QAction*>(QLatin1String(action))->trigger();
    }

private slots:
    void init()
    {
        platform::setFileOpener([this](const QString& path, const platform::OpenFailed& failed) {
            opened.append(path);
            // The desktop's opener started, and found no program only later.
            if (openerFailsLater && failed)
                QTimer::singleShot(0, failed);
            return openerFound;
        });
        opened.clear();
        openerFound = true;
        openerFailsLater = false;
        // The folder of a report saved by an earlier case is not offered.
        QFile::remove(settingsFilePath());
        window = std::make_unique<MainWindow>();
        script = ScriptedDialogs::Script();
        window->setDialogs(std::make_unique<ScriptedDialogs>(&script));
    }

    void cleanup()
    {
        window.reset();
        platform::setFileOpener(nullptr);
    }

    void emptyTableOrCancelledQuestionWritesNothing()
    {
        trigger("actSave");
        trigger("actPDF");
        QVERIFY(script.asked.isEmpty());
        fill(*window, dir.path(), 3);
        trigger("actSave");
        trigger("actPDF");
        QCOMPARE(script.asked, (QStringList{kAskWorkbook, kAskPdf}));
        QVERIFY(opened.isEmpty());
    }

    // The cells are the workspace's (test_workspace); the window adds its chart.
    void workbookHoldsTheChartAndIsOpened()
    {
        fill(*window, dir.path(), 5);
        hideRows(*window, {1, 4});
        script.fileToSave = dir.filePath(QStringLiteral("protocol"));
        trigger("actSave");

        const QString path = script.fileToSave + QStringLiteral(".xlsx");
        QCOMPARE(script.asked, QStringList{kAskWorkbook});
        QCOMPARE(opened, QStringList{path});

        const XlsxContent book = readXlsx(path);
        QVERIFY(book.ok);
        QCOMPARE(book.pictures, QVector<QPoint>({QPoint(0, 9)}));
        // The picture holds twice the chart's pixels, lossless, and is shown
        // at the chart's size (9525 EMU a pixel).
        const QSize chart = window->findChild<ChartProtocol*>(QStringLiteral("chart"))->size();
        QVERIFY(!chart.isEmpty());
        const QImage stored =
            QImage::fromData(xlsxPart(path, QStringLiteral("xl/media/image1.png")), "PNG");
        QCOMPARE(stored.size(), chart * 2);
        const QString drawing =
            QString::fromUtf8(xlsxPart(path, QStringLiteral("xl/drawings/drawing1.xml")));
        // The writer takes the size from the picture's resolution, rounded.
        const QRegularExpressionMatch extent =
            QRegularExpression(QStringLiteral("<a:ext cx=\"(\\d+)\" cy=\"(\\d+)\"")).match(drawing);
        QVERIFY2(extent.hasMatch(), qPrintable(drawing));
        QVERIFY(qAbs(extent.captured(1).toDouble() / 9525 - chart.width()) < 1);
        QVERIFY(qAbs(extent.captured(2).toDouble() / 9525 - chart.height()) < 1);
    }

    void nextReportIsOfferedInTheFolderOfTheLast()
    {
        fill(*window, dir.path(), 3);
        QDir(dir.path()).mkpath(QStringLiteral("reports"));
        script.fileToSave = dir.filePath(QStringLiteral("reports/first.xlsx"));
        trigger("actSave");
        trigger("actPDF");
        QCOMPARE(script.asked.value(1),
                 askSave(dir.filePath(QStringLiteral("reports")), QStringLiteral("pdf")));
        // Also in the next run of the program.
        window = std::make_unique<MainWindow>();
        window->setDialogs(std::make_unique<ScriptedDialogs>(&script));
        fill(*window, dir.path(), 3);
        script.asked.clear();
        script.fileToSave.clear();
        trigger("actSave");
        QCOMPARE(script.asked, QStringList{askSave(dir.filePath(QStringLiteral("reports")),
                                                   QStringLiteral("xlsx"))});
    }

    void pdfHoldsEveryRowAndIsOpened()
    {
        fill(*window, dir.path(), 4);
        hideRows(*window, {2});
        window->findChild<ChartProtocol*>(QStringLiteral("chart"))
            ->setTimeBase(QDateTime(QDate(2024, 3, 5), QTime(10, 20, 30)), 100);
        script.fileToSave = dir.filePath(QStringLiteral("protocol.PDF"));
        trigger("actPDF");

        QCOMPARE(script.asked, QStringList{kAskPdf});
        QCOMPARE(opened, QStringList{script.fileToSave});
        const QString text = QString::fromUtf8(
            runTool(QStringLiteral("pdftotext"), {script.fileToSave, QStringLiteral("-")}));
        QVERIFY2(text.contains(QStringLiteral("05/03/2024 10:20:32.000")), qPrintable(text));
        QVERIFY(text.contains(QStringLiteral("Дата старта: 05/03/2024 10:20:30.000")));
        // The chart page is drawn, not pasted: no raster image in the file.
        const QStringList images =
            QString::fromUtf8(
                runTool(QStringLiteral("pdfimages"), {QStringLiteral("-list"), script.fileToSave}))
                .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QCOMPARE(images.size(), 2);
    }

    void chartPictureIsSavedAsAskedFor_data()
    {
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QString>("written");
        QTest::newRow("png") << "chart"
                             << "chart.png";
        QTest::newRow("svg") << "chart.SVG"
                             << "chart.SVG";
    }

    void chartPictureIsSavedAsAskedFor()
    {
        QFETCH(QString, chosen);
        QFETCH(QString, written);
        trigger("actSaveChart");
        QVERIFY(script.asked.isEmpty()); // nothing loaded, nothing asked
        fill(*window, dir.path(), 5);
        // Cancelled options ask for no file.
        trigger("actSaveChart");
        QCOMPARE(script.asked.size(), 1);
        QVERIFY(script.asked.first().startsWith(QStringLiteral("picture|")));

        ChartPictureOptions options;
        options.size = QSize(420, 300);
        options.layout = ChartPictureOptions::Layout::Channels;
        options.theme = ChartPictureOptions::Theme::Print;
        script.picture = options;
        script.asked.clear();
        script.fileToSave = dir.filePath(chosen);
        trigger("actSaveChart");
        QCOMPARE(script.asked.size(), 2);
        QCOMPARE(script.asked.at(1),
                 QStringLiteral("save|Сохранить график||Рисунок PNG (*.png);;Рисунок SVG (*.svg)"));
        const QString path = dir.filePath(written);
        QCOMPARE(opened, QStringList{path});
        if (written.endsWith(QLatin1String(".png"))) {
            const QImage image(path);
            QCOMPARE(image.size(), QSize(420, 300));
            QCOMPARE(image.pixelColor(0, 0), QColor(Qt::white));
        } else {
            QFile file(path);
            QVERIFY(file.open(QIODevice::ReadOnly));
            QVERIFY(file.readAll().contains("viewBox=\"0 0 420 300\""));
        }
        // A place that cannot be written is told, and nothing is opened.
        opened.clear();
        script.asked.clear();
        script.fileToSave = unwritablePath(dir.path(), chosen);
        trigger("actSaveChart");
        QVERIFY(opened.isEmpty());
        QVERIFY2(script.asked.last().startsWith(
                     QStringLiteral("warning|Внимание!|Не удалось сохранить график")),
                 qPrintable(script.asked.last()));
    }

    // Every save says so in the status bar; when no program opens the file,
    // at once or later, a message names it.
    void withoutAnOpenerTheSavedPathIsShown_data()
    {
        QTest::addColumn<bool>("found");
        QTest::addColumn<bool>("failsLater");
        QTest::newRow("opened") << true << false;
        QTest::newRow("no opener") << false << false;
        QTest::newRow("opener finds no program") << true << true;
    }

    void withoutAnOpenerTheSavedPathIsShown()
    {
        QFETCH(bool, found);
        QFETCH(bool, failsLater);
        fill(*window, dir.path(), 2);
        openerFound = found;
        openerFailsLater = failsLater;
        script.fileToSave = dir.filePath(QStringLiteral("a&b^c|d.csv.pdf"));
        trigger("actPDF");
        QTest::qWait(10);
        const QString shown = QDir::toNativeSeparators(script.fileToSave);
        QCOMPARE(window->statusBar()->currentMessage(), QStringLiteral("Отчет сохранен: ") + shown);
        QVERIFY(QFileInfo(script.fileToSave).isFile());
        if (found && !failsLater) {
            QCOMPARE(script.asked.size(), 1);
            return;
        }
        QCOMPARE(script.asked.size(), 2);
        QCOMPARE(script.asked[1], QStringLiteral("information|Отчет|Отчет сохранен в файл\n") +
                                      shown +
                                      QStringLiteral("\n\nОткрыть его не удалось: нет программы "
                                                     "для файлов этого вида."));
    }

    void failedSaveWarnsInsteadOfOpening_data()
    {
        QTest::addColumn<QString>("action");
        QTest::newRow("workbook") << "actSave";
        QTest::newRow("pdf") << "actPDF";
    }

    void failedSaveWarnsInsteadOfOpening()
    {
        QFETCH(QString, action);
        fill(*window, dir.path(), 2);
        script.fileToSave = unwritablePath(dir.path(), QStringLiteral("report"));
        trigger(action.toLatin1().constData());
        QVERIFY(opened.isEmpty());
        QCOMPARE(script.asked.size(), 2);
        QVERIFY(
            script.asked[1].startsWith(QStringLiteral("warning|Внимание!|Не удалось сохранить")));
        QVERIFY(script.asked[1].contains(QStringLiteral("report")));
        // The cause is told, not only the failure, and in Russian.
        QVERIFY2(script.asked[1].endsWith(QStringLiteral("\n\nЧасть пути не является папкой.")),
                 qPrintable(script.asked[1]));
    }

    void blankGrabFallsBackToTheRenderer()
    {
        QWidget blank;
        blank.resize(60, 40);
        QImage rendered(60, 40, QImage::Format_RGB32);
        rendered.fill(Qt::red);
        int renders = 0;
        const QImage fallback = chartPicture(blank, [&] {
            ++renders;
            return rendered;
        });
        QCOMPARE(renders, 1);
        QCOMPARE(fallback, rendered);

        // A renderer that cannot draw leaves the grabbed picture.
        const QImage kept = chartPicture(blank, [] { return QImage(); });
        QCOMPARE(kept.size(), QSize(60, 40));

        QLabel drawn(QStringLiteral("chart"));
        drawn.resize(60, 40);
        const QImage grabbed = chartPicture(drawn, [&] {
            ++renders;
            return rendered;
        });
        QCOMPARE(renders, 1);
        QVERIFY(!isBlankImage(grabbed));
        QCOMPARE(grabbed.size(), QSize(60, 40));
    }
};

QTEST_MAIN(TestMainWindowReports)
#include "test_mainwindowreports.moc"
