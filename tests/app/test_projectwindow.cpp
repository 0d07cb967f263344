#include "app/platform.h"
#include "app/projectactions.h"
#include "chart/chartprotocol.h"
#include "loadfixture.h"
#include "reports/chartpicturestyle.h"
#include "table/protocoltablemodel.h"

#include <QAction>
#include <QImage>
#include <QProcess>
#include <QTabWidget>
#include <QtTest>

namespace {
// Answers the picture and file questions as a user saving a project and a
// picture would, and counts the question on close.
class ProjectDialogs : public RecordingDialogs
{
public:
    QString saveAnswer;
    ChartPictureOptions picture;
    int closeQuestions = 0;
    QMessageBox::StandardButton closeAnswer = QMessageBox::No;

    QString getSaveFileName(QWidget*, const QString&, const QString&, const QString&) override
    {
        return saveAnswer;
    }
    bool getChartPictureOptions(QWidget*, ChartPictureOptions& options) override
    {
        options = picture;
        return true;
    }
    QMessageBox::StandardButton questionOrCancel(QWidget*, const QString&,
                                                 const QString& text) override
    {
        questions.append(text);
        ++closeQuestions;
        return closeAnswer;
    }
};

const QDateTime kStart(QDate(2024, 3, 11), QTime(8, 0));
} // namespace

// A project saved from a window shows the same in a new window and in a
// script's picture; the window asks about a changed project only.
class TestProjectWindow : public QObject
{
    Q_OBJECT

    std::unique_ptr<LoadFixture> fixture;
    ProjectDialogs* dialogs = nullptr;

    void useDialogs(MainWindow& window)
    {
        auto answers = std::make_unique<ProjectDialogs>();
        answers->picture.size = QSize(800, 450);
        dialogs = answers.get();
        window.setDialogs(std::move(answers));
    }

    // Two protocols, a channel hidden, one recoloured, zoomed in and moved.
    void shapeAnalysis()
    {
        fixture->writeProtocol(QStringLiteral("a.log"), kStart, 300, 0, {1, 2, 3});
        fixture->writeProtocol(QStringLiteral("b.log"), kStart.addSecs(200), 300, 40, {1, 2});
        fixture->window->resize(1200, 800);
        fixture->window->show();
        fixture->window->readProtocols(
            {fixture->dir.filePath(QStringLiteral("a.log")), fixture->dir.filePath("b.log")});
        QVERIFY(fixture->window->tableRowCount() > 0);
        ViewState& view = fixture->window->workspace().view();
        view.setChannelShown(QStringLiteral("Режим (S1)"), false);
        view.setChannelColor(QStringLiteral("Альфа (A1)"), QColor(QStringLiteral("#ffaa00")));
        view.setZoom(0.5);
        view.setPosition(120);
        view.setLine(150);
        view.setReference(140);
    }

    QImage windowPicture(MainWindow& window, const QString& name)
    {
        dialogs->saveAnswer = fixture->dir.filePath(name);
        window.findChild<QAction*>(QStringLiteral("actSaveChart"))->trigger();
        return QImage(dialogs->saveAnswer);
    }

    int runBatch(const QStringList& arguments, QString& errors)
    {
        QProcess process;
        process.start(qEnvironmentVariable("VOLTREK_APP"), arguments);
        if (!process.waitForFinished(60000))
            return -1;
        errors = QString::fromLocal8Bit(process.readAllStandardError());
        return process.exitCode();
    }

private slots:
    void initTestCase()
    {
        platform::setFileOpener([](const QString&, const platform::OpenFailed&) { return true; });
    }

    void init()
    {
        fixture = std::make_unique<LoadFixture>();
        useDialogs(*fixture->window);
    }
    void cleanup() { fixture.reset(); }

    // The script's picture of a project is, pixel for pixel, the one the
    // window it was saved from writes with "Сохранить график…"; and a new
    // window opening the project shows the same view.
    void projectViewIsRebuiltByAScriptAndAWindow()
    {
        shapeAnalysis();
        const QString project = fixture->dir.filePath(QStringLiteral("analysis.vtproj"));
        QVERIFY(fixture->window->projects().save(project));
        const QImage shown = windowPicture(*fixture->window, QStringLiteral("window.png"));
        QVERIFY(!shown.isNull());

        QString errors;
        const QString batchPng = fixture->dir.filePath(QStringLiteral("batch.png"));
        QCOMPARE(runBatch({QStringLiteral("-p"), project, QStringLiteral("--png"), batchPng,
                           QStringLiteral("--size"), QStringLiteral("800x450")},
                          errors),
                 0);
        const QImage batch(batchPng);
        QCOMPARE(batch.size(), shown.size());
        QVERIFY2(batch.convertToFormat(QImage::Format_RGB32) ==
                     shown.convertToFormat(QImage::Format_RGB32),
                 qPrintable(errors));

        // Only the shown channels go into the script's table.
        const QString csv = fixture->dir.filePath(QStringLiteral("view.csv"));
        QCOMPARE(runBatch({QStringLiteral("-p"), project, QStringLiteral("--csv"), csv}, errors),
                 0);
        QFile csvFile(csv);
        QVERIFY(csvFile.open(QIODevice::ReadOnly));
        const QString header = QString::fromUtf8(csvFile.readLine());
        QVERIFY2(header.contains(QStringLiteral("A1")) && !header.contains(QStringLiteral("S1")),
                 qPrintable(header));

        MainWindow restored;
        useDialogs(restored);
        restored.resize(1200, 800);
        restored.show();
        QVERIFY(restored.projects().open(project));
        const ViewState& view = restored.workspace().view();
        QVERIFY(!view.isChannelShown(QStringLiteral("Режим (S1)")));
        QCOMPARE(view.zoom(), 0.5);
        QCOMPARE(view.position(), 120.0);
        QCOMPARE(view.line(), qint64(150));
        QCOMPARE(view.reference(), qint64(140));
        QCOMPARE(restored.findChild<QTabWidget*>(QStringLiteral("tabWidget"))->currentIndex(),
                 fixture->find<QTabWidget>("tabWidget")->currentIndex());
        QVERIFY(windowPicture(restored, QStringLiteral("restored.png")) == shown);
        QVERIFY(dialogs->warnings.isEmpty());
    }

    // The filter as the panel had it reaches the table again.
    void filterIsRestored()
    {
        shapeAnalysis();
        ViewState& view = fixture->window->workspace().view();
        view.setValueRanges({{QStringLiteral("Альфа (A1)"), 10, 20}});
        view.setFilter(true, QDateTime(), QDateTime());
        const QString project = fixture->dir.filePath(QStringLiteral("filter.vtproj"));
        QVERIFY(fixture->window->projects().save(project));

        MainWindow restored;
        useDialogs(restored);
        QVERIFY(restored.projects().open(project));
        QVERIFY(restored.workspace().view().isFilterOn());
        QCOMPARE(restored.workspace().view().valueRanges().size(), 1);
        QCOMPARE(restored.workspace().view().valueRanges()[0].from, 10.0);
        // Rows of A1 from 10 to 20: eleven of a.log.
        QCOMPARE(restored.tableModel()->rowCount(), 11);
    }

    // The question on close comes only for a project the user opened or
    // saved, and only once it changed; the answer Cancel keeps the window.
    void closeAsksOnlyAboutAChangedProject_data()
    {
        QTest::addColumn<bool>("saveProject");
        QTest::addColumn<bool>("change");
        QTest::addColumn<int>("answer");
        QTest::addColumn<int>("questions");
        QTest::addColumn<bool>("closed");
        QTest::newRow("plain look") << false << true << int(QMessageBox::No) << 0 << true;
        QTest::newRow("project unchanged") << true << false << int(QMessageBox::No) << 0 << true;
        QTest::newRow("changed, not saved") << true << true << int(QMessageBox::No) << 1 << true;
        QTest::newRow("changed, cancelled")
            << true << true << int(QMessageBox::Cancel) << 1 << false;
    }

    void closeAsksOnlyAboutAChangedProject()
    {
        QFETCH(bool, saveProject);
        QFETCH(bool, change);
        QFETCH(int, answer);
        QFETCH(int, questions);
        QFETCH(bool, closed);
        shapeAnalysis();
        if (saveProject)
            QVERIFY(fixture->window->projects().save(
                fixture->dir.filePath(QStringLiteral("close.vtproj"))));
        if (change)
            fixture->window->workspace().view().setZoom(0.25);
        dialogs->closeAnswer = QMessageBox::StandardButton(answer);
        QCOMPARE(fixture->window->close(), closed);
        QCOMPARE(dialogs->closeQuestions, questions);
    }
};

QTEST_MAIN(TestProjectWindow)
#include "test_projectwindow.moc"
