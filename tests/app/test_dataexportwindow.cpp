#include "../reports/readback.h"
#include "app/dataexportdialog.h"
#include "loadfixture.h"

#include <QAction>
#include <QDateTimeEdit>
#include <QDialogButtonBox>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QRegularExpression>
#include <QStatusBar>
#include <QTest>

#include <matio.h>

namespace {
const QDateTime kStart(QDate(2024, 6, 1), QTime(12, 0));

// Answers the export's questions as a user would.
class ExportDialogs : public RecordingDialogs
{
public:
    DataExportChoice answer;
    DataExportChoice offered;
    QString fileAnswer;

    bool getDataExportChoice(QWidget*, DataExportChoice& choice) override
    {
        offered = choice;
        answer.codes = choice.codes;
        answer.visibleCodes = choice.visibleCodes;
        choice = answer;
        return true;
    }
    QString getSaveFileName(QWidget*, const QString&, const QString&, const QString&) override
    {
        ++savesAsked;
        return fileAnswer;
    }
};

using Run = ProgramRun;

Run run(const QStringList& arguments)
{
    return runProgram(arguments);
}

QString firstLine(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readLine()).trimmed()
                                          : QString();
}

// The data sets of an HDF5 file, as h5dump lists them.
QStringList datasets(const QString& path)
{
    const QString out = QString::fromUtf8(runTool("h5dump", {"-H", path}));
    QStringList names;
    const QRegularExpression set(QStringLiteral("^   DATASET \"(\\w+)\""),
                                 QRegularExpression::MultilineOption);
    for (auto it = set.globalMatch(out); it.hasNext();)
        names.append(it.next().captured(1));
    return names;
}
} // namespace

// "Экспорт данных…" and the batch line's --h5, --mat and --channels.
class TestDataExportWindow : public QObject
{
    Q_OBJECT

    std::unique_ptr<LoadFixture> fixture;

    QStringList base(const QStringList& files) const { return fixture->batchArguments(files); }

private slots:
    void init() { fixture = std::make_unique<LoadFixture>(); }
    void cleanup() { fixture.reset(); }

    void channelsLimitTheCsvAndTheDataFiles()
    {
        const QString first = fixture->writeProtocol("a.log", kStart, 30, 5, {1, 2, 3});
        const QString second = fixture->writeProtocol("b.log", kStart.addSecs(10), 30, 100, {1});
        const QString csv = fixture->dir.filePath("out.csv");
        const QString h5 = fixture->dir.filePath("out.h5");
        const QString mat = fixture->dir.filePath("out.mat");
        const Run result = run(base({first, second})
                               << "--channels"
                               << "S1,A1"
                               << "--csv" << csv << "--h5" << h5 << "--mat" << mat << "--formula"
                               << "P=A1*2");
        QCOMPARE(result.exitCode, 0);
        QVERIFY2(result.errors.isEmpty(), qPrintable(result.errors));
        QCOMPARE(firstLine(csv), QStringLiteral("Дата,Альфа (A1),Режим (S1)"));
        QCOMPARE(datasets(h5), (QStringList{"A1", "S1", "S1_raw", "time_s", "time_unix_ms"}));
        mat_t* file = Mat_Open(QFile::encodeName(mat).constData(), MAT_ACC_RDONLY);
        QVERIFY(file);
        QStringList names;
        while (matvar_t* variable = Mat_VarReadNextInfo(file)) {
            names.append(QString::fromLatin1(variable->name));
            Mat_VarFree(variable);
        }
        Mat_Close(file);
        QCOMPARE(names,
                 (QStringList{"time_s", "time_unix_ms", "S1", "S1_raw", "A1", "channels", "file"}));

        // All channels, computed ones included, without the option.
        QCOMPARE(run(base({first}) << "--h5" << h5 << "--formula"
                                   << "P=A1*2")
                     .exitCode,
                 0);
        QVERIFY(datasets(h5).contains("P"));
    }

    void badRequestWritesNothing_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QString>("named");
        QTest::newRow("unknown code") << QStringList{"--channels", "A1,Z9"} << "Z9";
        QTest::newRow("range without rows")
            << QStringList{"--from", "2024-06-02T00:00:00"} << "нет ни одной строки";
    }
    void badRequestWritesNothing()
    {
        QFETCH(QStringList, options);
        QFETCH(QString, named);
        const QString first = fixture->writeProtocol("a.log", kStart, 30, 5, {1, 2, 3});
        const QString h5 = fixture->dir.filePath("out.h5");
        const QString csv = fixture->dir.filePath("out.csv");
        const Run result = run(base({first}) << options << "--h5" << h5 << "--csv" << csv);
        QCOMPARE(result.exitCode, 1);
        QVERIFY2(result.errors.contains(named), qPrintable(result.errors));
        QVERIFY(!QFile::exists(h5));
        QVERIFY(!QFile::exists(csv));
    }

    void dialogOffersOnlyWhatCanBeWritten()
    {
        DataExportChoice offer;
        offer.codes = QStringList{"A1", "B1", "S1"};
        offer.titles = QStringList{"Альфа (A1)", "Бета (B1)", "Режим (S1)"};
        offer.visibleCodes = QStringList{"B1"};
        offer.first = kStart;
        offer.last = kStart.addSecs(29);
        DataExportDialog dialog(offer);
        auto* ok = dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok);
        QVERIFY(!dialog.findChild<QRadioButton*>("exportRange1")->isEnabled()); // no cursors
        QVERIFY(ok->isEnabled());

        // A list: the ticked ones in table order, none ticked is not offered.
        auto* list = dialog.findChild<QListWidget*>("exportChannels");
        dialog.findChild<QRadioButton*>("exportChosen")->click();
        list->item(2)->setCheckState(Qt::Checked);
        QCOMPARE(dialog.choice().exportedCodes(), (QStringList{"B1", "S1"}));
        list->item(1)->setCheckState(Qt::Unchecked);
        list->item(2)->setCheckState(Qt::Unchecked);
        QVERIFY(!ok->isEnabled());
        list->item(0)->setCheckState(Qt::Checked);
        QVERIFY(ok->isEnabled());

        // Limits the wrong way round are not offered either.
        dialog.findChild<QRadioButton*>("exportRange2")->click();
        const QList<QDateTimeEdit*> edits = dialog.findChildren<QDateTimeEdit*>();
        edits[0]->setDateTime(kStart.addSecs(20));
        edits[1]->setDateTime(kStart.addSecs(10));
        QVERIFY(!ok->isEnabled());
        edits[1]->setDateTime(kStart.addSecs(25));
        QVERIFY(ok->isEnabled());
        const DataExportChoice choice = dialog.choice();
        QCOMPARE(choice.range, DataExportChoice::Range::FromTo);
        QCOMPARE(choice.from, kStart.addSecs(20));
        QCOMPARE(choice.to, kStart.addSecs(25));
    }

    void menuActionWritesTheChosenFile()
    {
        auto answers = std::make_unique<ExportDialogs>();
        ExportDialogs* dialogs = answers.get();
        fixture->window->setDialogs(std::move(answers));
        fixture->window->readProtocols({fixture->writeProtocol("a.log", kStart, 30, 5, {1, 2, 3})});

        auto* menu = fixture->window->menuBar()->findChild<QMenu*>("menuFile");
        QVERIFY(menu);
        QAction* action = fixture->find<QAction>("actExportData");
        QVERIFY(action);
        QVERIFY(menu->actions().contains(action));
        QCOMPARE(action->text(), QStringLiteral("Экспорт данных…"));

        dialogs->answer.format = ExportFormat::Mat;
        dialogs->answer.visibleOnly = false;
        dialogs->answer.chosenCodes = QStringList{"B1"};
        dialogs->answer.range = DataExportChoice::Range::FromTo;
        dialogs->answer.from = kStart.addSecs(10);
        dialogs->answer.to = kStart.addSecs(19);
        dialogs->fileAnswer = fixture->dir.filePath("chosen"); // the suffix is added
        action->trigger();
        QCOMPARE(dialogs->offered.codes, (QStringList{"A1", "B1", "S1"}));
        QCOMPARE(dialogs->offered.visibleCodes, (QStringList{"A1", "B1", "S1"}));
        QCOMPARE(dialogs->offered.first, kStart);
        QCOMPARE(dialogs->offered.last, kStart.addSecs(29));
        QVERIFY2(dialogs->warnings.isEmpty(), qPrintable(dialogs->warnings.join("\n")));

        mat_t* file = Mat_Open(QFile::encodeName(fixture->dir.filePath("chosen.mat")).constData(),
                               MAT_ACC_RDONLY);
        QVERIFY(file);
        matvar_t* values = Mat_VarRead(file, "B1");
        QVERIFY(values);
        // Ticks 10 … 19: B1 is (100 + tick) / 10.
        QCOMPARE(values->dims[0], size_t(10));
        QCOMPARE(static_cast<const double*>(values->data)[0], 11.0);
        Mat_VarFree(values);
        QVERIFY(!Mat_VarReadInfo(file, "A1"));
        Mat_Close(file);
        QVERIFY(fixture->window->statusBar()->currentMessage().contains("chosen.mat"));

        // A range without rows is refused before a file is asked for.
        dialogs->answer.from = kStart.addSecs(100);
        dialogs->answer.to = kStart.addSecs(200);
        const int asked = dialogs->savesAsked;
        action->trigger();
        QCOMPARE(dialogs->savesAsked, asked);
        QCOMPARE(dialogs->warnings.size(), 1);
        QVERIFY(dialogs->warnings.first().contains(QStringLiteral("нет ни одной строки")));
    }
};

QTEST_MAIN(TestDataExportWindow)
#include "test_dataexportwindow.moc"
