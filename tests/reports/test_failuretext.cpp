#include "reports/failuretext.h"
#include "formula/computedchannelfile.h"
#include "reports/csvreport.h"
#include "reports/excelreport.h"
#include "reports/pdfreport.h"
#include "reports/picturereport.h"
#include "table/bookmarkfile.h"
#include "tests/reports/listtable.h"

#include <QFont>
#include <QImage>
#include <QtTest>

#include <functional>

#ifdef Q_OS_LINUX
#include <sys/mount.h>
#endif

namespace {
// A folder on its own file system that is full, where the test may mount
// one (it runs as root); empty otherwise.
class FullDisk
{
public:
    FullDisk()
    {
#ifdef Q_OS_LINUX
        m_path = m_dir.filePath(QStringLiteral("full"));
        if (!QDir().mkpath(m_path) ||
            ::mount("tmpfs", QFile::encodeName(m_path).constData(), "tmpfs", 0, "size=64k") != 0) {
            m_path.clear();
            return;
        }
        m_mounted = true;
        QFile filler(m_path + QStringLiteral("/filler"));
        if (filler.open(QIODevice::WriteOnly)) {
            const QByteArray block(4096, 'x');
            while (filler.write(block) == block.size() && filler.flush()) {
            }
        }
#endif
    }
    ~FullDisk()
    {
#ifdef Q_OS_LINUX
        if (m_mounted)
            ::umount(QFile::encodeName(m_path).constData());
#endif
    }
    Q_DISABLE_COPY_MOVE(FullDisk)

    const QString& path() const
    {
        return m_path;
    }

private:
    QTemporaryDir m_dir;
    QString m_path;
    bool m_mounted = false;
};
} // namespace

using failuretext::FolderState;

class TestFailureText : public QObject
{
    Q_OBJECT
private slots:
    void systemCausesAreToldInRussian_data()
    {
        QTest::addColumn<QString>("english");
        QTest::addColumn<QString>("russian");
        QTest::newRow("permission") << "Cannot write /home/u/a.bookmarks: Permission denied"
                                    << "не удалось записать файл /home/u/a.bookmarks: нет прав "
                                       "доступа";
        QTest::newRow("not permitted")
            << "Cannot remove /m/a.bookmarks: Operation not permitted"
            << "не удалось удалить файл /m/a.bookmarks: нет прав доступа";
        QTest::newRow("full disk") << "Cannot write /mnt/r.xlsx: No space left on device"
                                   << "не удалось записать файл /mnt/r.xlsx: на диске нет места";
        QTest::newRow("read-only") << "Cannot create /media/card/x.log: Read-only file system"
                                   << "не удалось создать файл /media/card/x.log: файловая система "
                                      "доступна только для чтения";
        QTest::newRow("not found") << "Cannot open /a/b.log: No such file or directory"
                                   << "не удалось открыть файл /a/b.log: файл или папка не найдены";
        QTest::newRow("copy onto itself")
            << "Cannot replace /p/a.log: it is the same file as the source"
            << "не удалось заменить файл /p/a.log: это и есть копируемый файл";
        QTest::newRow("windows access") << "Cannot write C:/r.pdf: Access is denied."
                                        << "не удалось записать файл C:/r.pdf: нет прав доступа";
        QTest::newRow("windows disk") << "Cannot write D:/r.pdf: There is not enough space on the "
                                         "disk."
                                      << "не удалось записать файл D:/r.pdf: на диске нет места";
        QTest::newRow("colon in the name") << "Cannot write /a/b: c.csv: Is a directory"
                                           << "не удалось записать файл /a/b: c.csv: это папка, а "
                                              "не файл";
        QTest::newRow("already russian") << "Cannot write /a.csv: Отказано в доступе"
                                         << "не удалось записать файл /a.csv: Отказано в доступе";
        QTest::newRow("unknown english") << "Cannot read /a.log: Device is on fire"
                                         << "не удалось прочитать файл /a.log: причина неизвестна "
                                            "(Device is on fire)";
        QTest::newRow("backup") << "Cannot keep /p/a.log.bookmarks as /p/a.log.bookmarks.1"
                                << "не удалось сохранить прежний файл /p/a.log.bookmarks: "
                                   "причина неизвестна";
        QTest::newRow("short read") << "Cannot read all of /card/a.log"
                                    << "не удалось прочитать файл /card/a.log целиком: причина "
                                       "неизвестна";
        QTest::newRow("reader's own")
            << "Cannot open /p/a.log: no protocol directory"
            << "не удалось открыть файл /p/a.log: нет папки протоколов: настройки логера не "
               "применены";
        QTest::newRow("other form") << "the file was not opened"
                                    << "ошибка: причина неизвестна (the file was not opened)";
    }

    void systemCausesAreToldInRussian()
    {
        QFETCH(QString, english);
        QFETCH(QString, russian);
        // A folder with room: the probe must not decide named causes.
        const auto roomy = [](const QString&) { return FolderState{true, false, true, 1 << 30}; };
        QCOMPARE(failuretext::russianFailure(english, roomy), russian);
    }

    // A write that failed without a cause ("Unknown error", or Qt's own
    // translation of it) is explained by the folder it went to.
    void unnamedCausesAreFoundInTheFolder_data()
    {
        QTest::addColumn<QString>("english");
        QTest::addColumn<bool>("exists");
        QTest::addColumn<bool>("readOnly");
        QTest::addColumn<bool>("writable");
        QTest::addColumn<qint64>("bytesFree");
        QTest::addColumn<QString>("cause");
        const QString unknown = QStringLiteral("Cannot write /d/r.xlsx: Unknown error");
        QTest::newRow("full") << unknown << true << false << true << qint64(4096)
                              << "на диске нет места";
        QTest::newRow("full, qt's russian") << "Cannot write /d/r.xlsx: Неизвестная ошибка" << true
                                            << false << true << qint64(0) << "на диске нет места";
        QTest::newRow("no cause at all") << "Cannot write /d/r.xlsx" << true << false << true
                                         << qint64(0) << "на диске нет места";
        QTest::newRow("read-only") << unknown << true << true << false << qint64(0)
                                   << "файловая система доступна только для чтения";
        QTest::newRow("no folder")
            << unknown << false << false << false << qint64(-1) << "папка не найдена";
        QTest::newRow("not allowed")
            << unknown << true << false << false << qint64(1 << 30) << "нет прав доступа";
        QTest::newRow("nothing found")
            << unknown << true << false << true << qint64(1 << 30) << "причина неизвестна";
        QTest::newRow("room unknown")
            << unknown << true << false << true << qint64(-1) << "причина неизвестна";
        // Reading is not explained by free space.
        QTest::newRow("reading") << "Cannot open /d/a.log: Unknown error" << true << false << true
                                 << qint64(0) << "причина неизвестна";
    }

    void unnamedCausesAreFoundInTheFolder()
    {
        QFETCH(QString, english);
        QFETCH(bool, exists);
        QFETCH(bool, readOnly);
        QFETCH(bool, writable);
        QFETCH(qint64, bytesFree);
        QFETCH(QString, cause);
        QString asked;
        const auto probe = [&](const QString& folder) {
            asked = folder;
            return FolderState{exists, readOnly, writable, bytesFree};
        };
        QCOMPARE(failuretext::russianCause(english, probe), cause);
        if (english.startsWith(QLatin1String("Cannot write")))
            QCOMPARE(asked, QStringLiteral("/d"));
    }

    // The workbook writer words its failures itself; the report's file shows where.
    void writerTextsAreExplainedByTheTarget()
    {
        const auto full = [](const QString&) { return FolderState{true, false, true, 0}; };
        QCOMPARE(failuretext::russianCause(
                     "Cannot complete the workbook: Error creating output xlsx file. Usually a "
                     "permissions error.",
                     full, "/d/r.xlsx"),
                 QStringLiteral("нет прав доступа"));
        QCOMPARE(failuretext::russianCause("Cannot complete the workbook: write failed", full,
                                           "/d/r.xlsx"),
                 QStringLiteral("на диске нет места"));
        const auto roomy = [](const QString&) { return FolderState{true, false, true, 1 << 30}; };
        QCOMPARE(failuretext::russianCause("Cannot encode the image", roomy, "/d/r.xlsx"),
                 QStringLiteral("причина неизвестна (Cannot encode the image)"));
        // A failure that names its own file is not explained by the report's
        // folder: a full disk does not make a read fail.
        QCOMPARE(
            failuretext::russianCause("Cannot read /p/a.log: Unknown error", full, "/d/r.xlsx"),
            QStringLiteral("причина неизвестна"));
    }

    // Every writer names a full disk as such (its text read as the window and
    // the batch run read it).
    void everyWriterNamesAFullDisk_data()
    {
        QTest::addColumn<QString>("writer");
        for (const char* writer :
             {"csv", "bookmark csv", "workbook", "pdf", "png", "bookmarks", "computed.def"})
            QTest::newRow(writer) << QString::fromLatin1(writer);
    }

    void everyWriterNamesAFullDisk()
    {
        QFETCH(QString, writer);
        const FullDisk disk;
        if (disk.path().isEmpty())
            QSKIP("no tmpfs can be mounted here");
        const ListTable table = ListTable::numbered({"A", "B", "C"}, 2000);
        QVector<Bookmark> bookmarks;
        for (int i = 0; i < 2000; ++i)
            bookmarks.append({qint64(i) * 1000, QStringLiteral("заметка %1").arg(i)});
        QImage picture(800, 600, QImage::Format_RGB32);
        for (int y = 0; y < picture.height(); ++y) {
            for (int x = 0; x < picture.width(); ++x)
                picture.setPixel(x, y, qRgb(x * 7 % 256, y * 13 % 256, (x ^ y) % 256));
        }
        const QString file = disk.path() + QStringLiteral("/out.") + writer.section(' ', 0, 0);
        QString text;
        const auto report = [&](const ReportResult& result) {
            QVERIFY(!result);
            text = failuretext::reportFailure(file, result.error);
        };
        if (writer == QLatin1String("csv")) {
            report(saveCsvReport(table, file));
        } else if (writer == QLatin1String("bookmark csv")) {
            report(saveBookmarkCsv(bookmarks, file));
        } else if (writer == QLatin1String("workbook")) {
            report(saveExcelReport(table, QFont(), picture, file, bookmarks));
        } else if (writer == QLatin1String("pdf")) {
            report(
                savePdfReport(table, QDateTime(QDate(2024, 5, 10), QTime(12, 0)), picture, file));
        } else if (writer == QLatin1String("png")) {
            report(savePngPicture(picture, file));
        } else if (writer == QLatin1String("bookmarks")) {
            QString error;
            QVERIFY(!BookmarkFile::write(file, {QDateTime(QDate(2024, 5, 10), QTime(12, 0)), 100},
                                         bookmarks, &error));
            text = failuretext::russianFailure(error);
        } else {
            ComputedChannels channels;
            for (int i = 0; i < 500; ++i)
                channels.push_back({QStringLiteral("P%1").arg(i), QStringLiteral("Мощность"), 2,
                                    QStringLiteral("U1*I1+%1").arg(i)});
            QString error;
            QVERIFY(!ComputedChannelFile::save(file, channels, error));
            text = failuretext::withRussianCause(error, file, true);
        }
        QVERIFY2(text.contains(QStringLiteral("на диске нет места")), qPrintable(text));
        QVERIFY2(text.contains(QDir::toNativeSeparators(file)), qPrintable(text));
    }

    // The program's own messages keep their words and get the cause in Russian.
    void ownMessagesGetTheCauseInRussian()
    {
        QTemporaryDir dir;
        const QString link = dir.filePath(QStringLiteral("computed.def"));
        const QString gone = dir.filePath(QStringLiteral("gone.def"));
        QVERIFY(QFile::link(gone, link));
        const auto roomy = [](const QString&) { return FolderState{true, false, true, 1 << 30}; };
        const auto full = [](const QString&) { return FolderState{true, false, true, 0}; };
        QCOMPARE(failuretext::withRussianCause(
                     QStringLiteral("Файл %1 не прочитан: No such file or directory").arg(link),
                     link, false, roomy),
                 QStringLiteral("Файл %1 не прочитан: это ссылка на несуществующий файл %2")
                     .arg(link, gone));
        QCOMPARE(
            failuretext::withRussianCause(
                QStringLiteral("Файл /d/c.def не сохранен: Unknown error"), "/d/c.def", true, full),
            QStringLiteral("Файл /d/c.def не сохранен: на диске нет места"));
        QCOMPARE(failuretext::withRussianCause(
                     QStringLiteral("Файл /d/c.def не прочитан: канал 1: нет кода"), "/d/c.def",
                     false, full),
                 QStringLiteral("Файл /d/c.def не прочитан: канал 1: нет кода"));
    }

    void realFoldersAreProbed()
    {
        QTemporaryDir dir;
        const FolderState here = failuretext::probeFolder(dir.path());
        QVERIFY(here.exists && here.writable && !here.readOnly);
        QVERIFY(here.bytesFree > 0);
        // A file where a folder is expected.
        QFile file(dir.filePath(QStringLiteral("file")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        QVERIFY(!failuretext::probeFolder(file.fileName()).exists);
    }
};

QTEST_MAIN(TestFailureText)
#include "test_failuretext.moc"
