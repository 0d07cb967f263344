#include "app/mainwindow.h"
#include "fakelogger.h"
#include "protocol/streamloger.h"
#include "scripteddialogs.h"
#include "testfiles.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString kOpen = QStringLiteral("open|Copy File||Log File (*.log)");
const QString kReplaceQuestion = QStringLiteral(
    "question|Внимание|Файл с таким именем уже существует. /n Желаете заменить его?");
const QString kCopied = QStringLiteral("information|Копирование|Файл скопирован");
const QString kNotCopied = QStringLiteral("information|Копирование|Не удалось скопировать файл");
const QString kOpenQuestion = QStringLiteral("question|Файл|Открыть файл?");
const QString kFound = QStringLiteral("information|FLASH|Устройство найдено. \n ВНИМАНИЕ! Чтение "
                                      "карты занимает несколько минут. \n Дождитесь появления "
                                      "окна выбора файла.");
const QString kNotFound = QStringLiteral("information|FLASH|Устройство не найдено.");

// A readable protocol with one record; the description tells copies apart.
QByteArray protocolBytes(const char* description)
{
    using namespace protocolfiles;
    return bytes(header(QDateTime(QDate(2024, 5, 17), QTime(10, 30)), 100, description),
                 {rec(1, 0, 42)});
}

} // namespace

class TestDeviceWindow : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir m_root;
    QString m_protocols;
    QString m_card;
    ScriptedDialogs::Script m_script;
    std::unique_ptr<MainWindow> m_window;
    int m_driveReads = 0;
    QList<int> m_sleeps;
    QList<QStringList> m_reads;

    void trigger(const char* action)
    {
        QAction* found = m_window->findChild<QAction*>(QLatin1String(action));
        QVERIFY(found);
        found->trigger();
    }

    QTableWidget* files() const { return m_window->findChild<QTableWidget*>("twFiles"); }

    // The list as a refresh would show it, for when the list is not yet filled from disk.
    void listProtocols(const QStringList& names)
    {
        QTableWidget* table = files();
        if (table->rowCount() > 0)
            return;
        table->setRowCount(names.size());
        for (int row = 0; row < names.size(); ++row) {
            auto* item = new QTableWidgetItem(names.at(row));
            item->setData(Qt::UserRole, names.at(row));
            table->setItem(row, 1, item);
        }
    }

    int rowOf(const QString& name) const
    {
        for (int row = 0; row < files()->rowCount(); ++row) {
            if (files()->item(row, 1) && files()->item(row, 1)->data(Qt::UserRole) == name)
                return row;
        }
        return -1;
    }

    // A logger on a pseudo-terminal, the only serial port the window sees.
    bool attach(FakeLogger& logger, const QList<QByteArray>& reply, int pauseMs = 0)
    {
        logger.setReply(reply, pauseMs);
        if (!logger.start())
            return false;
        const QString port = logger.portName();
        m_window->deviceEnvironment().serialPorts = [port] { return QStringList{port}; };
        return true;
    }

    // Drive lists: `before` until the given reading, then `after`.
    void drivesChangeAt(int reading, const QStringList& before, const QStringList& after)
    {
        m_window->deviceEnvironment().driveRoots = [=] {
            return ++m_driveReads < reading ? before : after;
        };
    }

private slots:
    void init()
    {
        m_protocols = m_root.filePath(QStringLiteral("protocols"));
        m_card = m_root.filePath(QStringLiteral("card"));
        for (const QString& dir : {m_protocols, m_card}) {
            QDir(dir).removeRecursively();
            QVERIFY(QDir().mkpath(dir));
        }
        QVERIFY(protocolfiles::writeDefinition(
            m_root.path(),
            R"({"ROOT": "protocols", "CONTENT": [{"GROUP": "G", "VALUES": [{"CODE": "U", "ID": 1, "NAME": "Volts", "RATE": 1}]}]})"));
        QVERIFY(StreamLoger::instance()->init(m_root.path()));
        QCOMPARE(StreamLoger::instance()->protocolDir().absolutePath(), m_protocols);

        m_script = ScriptedDialogs::Script();
        m_driveReads = 0;
        m_sleeps.clear();
        m_reads.clear();
        makeWindow();
    }

    void makeWindow()
    {
        m_window = std::make_unique<MainWindow>();
        m_window->setDialogs(std::make_unique<ScriptedDialogs>(&m_script));
        DeviceEnvironment& environment = m_window->deviceEnvironment();
        environment.serialPorts = [] { return QStringList(); };
        environment.driveRoots = [] { return QStringList{QStringLiteral("/")}; };
        environment.sleep = [this](int ms) { m_sleeps.append(ms); };
        environment.openMonitor = [this](const QString& path) {
            m_script.asked.append(QStringLiteral("monitor|") + path);
        };
        environment.readProtocols = [this](const QStringList& names) { m_reads.append(names); };
        environment.silenceMs = 300;
    }

    void cleanup() { m_window.reset(); }

    void cleanupTestCase() { StreamLoger::release(); }

    void cancelledCopyAndMissingDeviceChangeNothing()
    {
        trigger("actCopy");
        trigger("actFLASH");
        QCOMPARE(m_script.asked, (QStringList{kOpen, kNotFound}));
        QVERIFY(QDir(m_protocols).isEmpty());
        QVERIFY(m_sleeps.isEmpty());
        QVERIFY(m_window->deviceFolder().isEmpty());
    }

    void withoutProtocolDirectoryNothingIsCopiedOrSwitched()
    {
        // A reader that never saw a usable log.def has no protocol directory.
        m_window.reset();
        StreamLoger::release();
        QVERIFY(!StreamLoger::instance()->init(m_card));
        makeWindow();
        FakeLogger logger;
        QVERIFY(protocolfiles::write(m_card + "/a.log", protocolBytes("a")));
        m_script.fileToOpen = m_card + "/a.log";
        const QString workingDir = QDir::currentPath();
        QVERIFY(QDir::setCurrent(m_root.filePath(QStringLiteral("protocols"))));
        trigger("actCopy");
        if (attach(logger, {QByteArray::fromHex("55FF01")}))
            trigger("actFLASH");
        QDir::setCurrent(workingDir);

        QCOMPARE(m_script.asked.size(), logger.portName().isEmpty() ? 1 : 2);
        for (const QString& asked : qAsConst(m_script.asked))
            QVERIFY2(asked.startsWith("warning|Внимание!|Каталог протоколов не задан"),
                     qPrintable(asked));
        QVERIFY(QDir(m_protocols).isEmpty());
        QVERIFY(logger.received().isEmpty());

        // Later cases expect the reader as init() left it.
        m_window.reset();
        StreamLoger::release();
        init();
    }

    void fileInsideTheProtocolDirectoryIsRefused()
    {
        QVERIFY(protocolfiles::write(m_protocols + "/a.log", protocolBytes("a")));
        m_script.fileToOpen = m_protocols + "/a.log";
        trigger("actCopy");
        QCOMPARE(m_script.asked,
                 (QStringList{kOpen, "information|Внимание|Данный каталог уже хранит файлы лога"}));
        QCOMPARE(QDir(m_protocols).entryList(QDir::Files), QStringList{"a.log"});
        QCOMPARE(readFile(m_protocols + "/a.log"), protocolBytes("a"));
    }

    void existingTargetIsReplacedOnlyOnYes_data()
    {
        QTest::addColumn<bool>("cardFile");
        QTest::addColumn<bool>("replace");
        QTest::addColumn<QStringList>("asked");
        QTest::addColumn<QByteArray>("kept");
        // The replace question keeps its "/n" as it stands: a cosmetic slip, no fault.
        QTest::newRow("no") << true << false << QStringList{kReplaceQuestion}
                            << protocolBytes("old");
        QTest::newRow("yes") << true << true
                             << QStringList{kReplaceQuestion, kCopied, kOpenQuestion}
                             << protocolBytes("new");
        // The card was pulled between choosing and copying.
        QTest::newRow("copy fails")
            << false << true
            << QStringList{kReplaceQuestion,
                           kNotCopied +
                               "\nне удалось открыть файл CARD/a.log: файл или папка не найдены",
                           kOpenQuestion}
            << protocolBytes("old");
    }

    void existingTargetIsReplacedOnlyOnYes()
    {
        QFETCH(bool, cardFile);
        QFETCH(bool, replace);
        QFETCH(QStringList, asked);
        QFETCH(QByteArray, kept);
        QVERIFY(protocolfiles::write(m_protocols + "/a.log", protocolBytes("old")));
        if (cardFile)
            QVERIFY(protocolfiles::write(m_card + "/a.log", protocolBytes("new")));
        m_script.fileToOpen = m_card + "/a.log";
        m_script.answers = {replace ? QMessageBox::Yes : QMessageBox::No, QMessageBox::No};
        trigger("actCopy");
        asked.replaceInStrings(QStringLiteral("CARD"), QDir::toNativeSeparators(m_card));
        QCOMPARE(m_script.asked, QStringList{kOpen} + asked);
        QCOMPARE(readFile(m_protocols + "/a.log"), kept);
        QCOMPARE(
            QDir(m_protocols).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
            QStringList{"a.log"});
        QVERIFY(m_reads.isEmpty());
    }

    void openingTheCopySelectsItsRowAndReadsOnlyIt()
    {
        QVERIFY(protocolfiles::write(m_protocols + "/b.log", protocolBytes("b")));
        QVERIFY(protocolfiles::write(m_card + "/a.log", protocolBytes("a")));
        listProtocols({"b.log", "a.log"});
        files()->selectRow(rowOf("b.log"));
        m_script.fileToOpen = m_card + "/a.log";
        m_script.answers = {QMessageBox::Yes};
        trigger("actCopy");

        QCOMPARE(m_script.asked, (QStringList{kOpen, kCopied, kOpenQuestion}));
        QCOMPARE(readFile(m_protocols + "/a.log"), protocolBytes("a"));
        const int row = rowOf("a.log");
        QVERIFY(row >= 0);
        const QModelIndexList selected = files()->selectionModel()->selectedRows();
        QCOMPARE(selected.size(), 1);
        QCOMPARE(selected.first().row(), row);
        QCOMPARE(files()->currentRow(), row);
        QCOMPARE(m_reads, QList<QStringList>{QStringList{"a.log"}});
    }

    void flashHandsTheNewDriveToTheCopyDialog()
    {
        if (!pseudoTerminalsAvailable())
            QSKIP("no pseudo-terminals on this system");
        FakeLogger logger;
        QVERIFY(attach(logger, {QByteArray::fromHex("55FF01")}));
        const QStringList before{QStringLiteral("/"), QStringLiteral("/home")};
        drivesChangeAt(4, before, before + QStringList{m_card + "/"});

        trigger("actFLASH");
        QCOMPARE(m_script.asked,
                 (QStringList{kFound, "open|Copy File|" + m_card + "/|Log File (*.log)"}));
        QCOMPARE(m_window->deviceFolder(), m_card + "/");
        QCOMPARE(m_sleeps, (QList<int>{1000, 1000}));
        QTRY_COMPARE(logger.received(), QByteArray::fromHex("AAFFAA03"));
    }

    void flashWithoutNewDriveEndsSilently()
    {
        if (!pseudoTerminalsAvailable())
            QSKIP("no pseudo-terminals on this system");
        FakeLogger logger;
        QVERIFY(attach(logger, {QByteArray::fromHex("55FF"), QByteArray::fromHex("07")}, 20));
        drivesChangeAt(1000, {"/"}, {"/"});

        trigger("actFLASH");
        QCOMPARE(m_script.asked, QStringList{kFound});
        QVERIFY(m_window->deviceFolder().isEmpty());
    }

    // A logger that answers, and the window closed while its answer is
    // awaited: nothing more goes out, nothing more is asked.
    void closingTheWindowStopsTheProbe()
    {
        if (!pseudoTerminalsAvailable())
            QSKIP("no pseudo-terminals on this system");
        FakeLogger logger;
        QVERIFY(attach(logger, {QByteArray::fromHex("55FF"), QByteArray::fromHex("01")}, 100));
        drivesChangeAt(2, {"/"}, {"/", m_card + "/"});
        bool closed = false;
        m_window->deviceEnvironment().whileProbing = [&] {
            if (!closed) {
                closed = true;
                m_window->close();
            }
        };
        trigger("actFLASH");
        QVERIFY(closed);
        QTest::qWait(400);
        QCOMPARE(logger.received(), QByteArray::fromHex("AAFF"));
        QVERIFY(m_script.asked.isEmpty());
        QVERIFY(m_sleeps.isEmpty());
        QVERIFY(m_window->deviceFolder().isEmpty());
    }

    void monitorIsOpenedOrItsAbsenceReported()
    {
        trigger("actLogger");
        const QString standard = QCoreApplication::applicationDirPath() + "/DEVMON";
        QCOMPARE(m_script.asked, QStringList{"warning|Внимание!|Программа монитора не найдена:\n" +
                                             QDir::toNativeSeparators(standard)});

        m_script.asked.clear();
        const QString monitor = m_root.filePath(QStringLiteral("DEVMON"));
        QVERIFY(protocolfiles::write(monitor, "#!/bin/sh\n"));
        m_window->deviceEnvironment().monitorPath = monitor;
        trigger("actLogger");
        QCOMPARE(m_script.asked, QStringList{"monitor|" + monitor});
    }
};

QTEST_MAIN(TestDeviceWindow)
#include "test_devicewindow.moc"
