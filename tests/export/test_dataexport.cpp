#include "../reports/readback.h"
#include "../table/fakelookup.h"

#include "export/assemblyexportsource.h"
#include "export/dataexport.h"
#include "export/exportlayout.h"
#include "export/hdf5export.h"
#include "export/matexport.h"
#include "reports/csvreport.h"
#include "reports/protocolreporttable.h"
#include "reports/reportfile.h"
#include "reports/timerangetable.h"
#include "table/protocolassembly.h"
#include "table/protocoltablemodel.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <matio.h>

#include <cmath>
#include <memory>

namespace {

const QDateTime kStart(QDate(2024, 6, 1), QTime(12, 0), Qt::OffsetFromUTC, 3 * 3600);

// What a file holds, as a reader that did not write it sees it: numbers and
// texts by path ("U1", "channels/S1/state_texts").
struct Readback
{
    QMap<QString, QVector<double>> numbers;
    QMap<QString, QStringList> texts;
};

// h5dump: values printed with every digit, strings as quoted UTF-8.
QVector<double> h5Numbers(const QString& file, const QString& path)
{
    const QString out = QString::fromUtf8(runTool(
        QStringLiteral("h5dump"), {"-y", "-w", "0", "-m", "%.17g", "-d", "/" + path, file}));
    const int open = out.indexOf(QLatin1String("DATA {"));
    QVector<double> values;
    if (open < 0)
        return values;
    const QString data = out.mid(open + 6, out.indexOf(QLatin1Char('}'), open) - open - 6);
    for (const QString& item : data.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const QString word = item.trimmed();
        values.append(word.compare(QLatin1String("nan"), Qt::CaseInsensitive) == 0
                          ? std::nan("")
                          : word.toDouble());
    }
    return values;
}

QStringList h5Texts(const QString& file, const QString& path)
{
    const QString out = QString::fromUtf8(
        runTool(QStringLiteral("h5dump"), {"-y", "-w", "0", "-d", "/" + path, file}));
    QStringList texts;
    const QRegularExpression quoted(QStringLiteral("\"((?:[^\"\\\\]|\\\\.)*)\""));
    const int open = out.indexOf(QLatin1String("DATA {"));
    auto it = quoted.globalMatch(out.mid(open));
    // Bytes past ASCII come as octal escapes of a signed char ("\\37777777720").
    const QRegularExpression escape(QStringLiteral("\\\\([0-7]+)"));
    while (open >= 0 && it.hasNext()) {
        const QString shown = it.next().captured(1);
        QByteArray bytes;
        int at = 0;
        for (auto e = escape.globalMatch(shown); e.hasNext();) {
            const QRegularExpressionMatch m = e.next();
            bytes += shown.mid(at, m.capturedStart() - at).toUtf8();
            bytes += char(m.captured(1).toULongLong(nullptr, 8) & 0xff);
            at = m.capturedEnd();
        }
        bytes += shown.mid(at).toUtf8();
        texts.append(QString::fromUtf8(bytes));
    }
    return texts;
}

// matio's reading calls, none of which the writer uses.
matvar_t* field(matvar_t* parent, const QString& name)
{
    return parent ? Mat_VarGetStructFieldByName(parent, name.toLatin1().constData(), 0) : nullptr;
}

QString matText(const matvar_t* variable)
{
    if (!variable || variable->class_type != MAT_C_CHAR || !variable->data)
        return QString();
    const size_t length = variable->nbytes / variable->data_size;
    if (variable->data_type == MAT_T_UINT16 || variable->data_type == MAT_T_UTF16)
        return QString::fromUtf16(static_cast<const char16_t*>(variable->data), int(length));
    return QString::fromUtf8(static_cast<const char*>(variable->data), int(length));
}

QVector<double> matNumbers(const matvar_t* variable)
{
    QVector<double> values;
    if (!variable || !variable->data)
        return values;
    const size_t count = variable->nbytes / variable->data_size;
    for (size_t i = 0; i < count; ++i) {
        switch (variable->class_type) {
        case MAT_C_DOUBLE:
            values.append(static_cast<const double*>(variable->data)[i]);
            break;
        case MAT_C_INT64:
            values.append(double(static_cast<const qint64*>(variable->data)[i]));
            break;
        case MAT_C_INT32:
            values.append(static_cast<const qint32*>(variable->data)[i]);
            break;
        default:
            break;
        }
    }
    return values;
}

Readback readMat(const QString& file, const QStringList& numberPaths, const QStringList& textPaths)
{
    Readback back;
    mat_t* mat = Mat_Open(QFile::encodeName(file).constData(), MAT_ACC_RDONLY);
    if (!mat)
        return back;
    const auto resolve = [mat](const QString& path, matvar_t*& top) {
        const QStringList parts = path.split(QLatin1Char('/'));
        top = Mat_VarRead(mat, parts.first().toLatin1().constData());
        matvar_t* at = top;
        for (int i = 1; i < parts.size(); ++i)
            at = field(at, parts[i]);
        return at;
    };
    for (const QString& path : numberPaths) {
        matvar_t* top = nullptr;
        back.numbers[path] = matNumbers(resolve(path, top));
        Mat_VarFree(top);
    }
    for (const QString& path : textPaths) {
        matvar_t* top = nullptr;
        matvar_t* at = resolve(path, top);
        QStringList texts;
        if (at && at->class_type == MAT_C_CELL) {
            const size_t count = at->nbytes / at->data_size;
            for (size_t i = 0; i < count; ++i)
                texts.append(matText(Mat_VarGetCell(at, int(i))));
        } else if (at) {
            texts.append(matText(at));
        }
        back.texts[path] = texts;
        Mat_VarFree(top);
    }
    Mat_Close(mat);
    return back;
}

Readback readH5(const QString& file, const QStringList& numberPaths, const QStringList& textPaths)
{
    Readback back;
    for (const QString& path : numberPaths)
        back.numbers[path] = h5Numbers(file, path);
    for (const QString& path : textPaths)
        back.texts[path] = h5Texts(file, path);
    return back;
}

// SciPy, as engineers read the file: Debian's Python, where
// scripts/install-deps.sh puts python3-scipy.
Readback readScipy(const QString& file, const QStringList& numberPaths,
                   const QStringList& textPaths)
{
    static const char* script = R"(
import json, math, sys
import numpy, scipy.io
m = scipy.io.loadmat(sys.argv[1], simplify_cells=True)
def at(path):
    v = m
    for part in path.split('/'):
        v = v[part]
    return v
out = {}
for path in sys.argv[2].split(','):
    v = numpy.atleast_1d(at(path)).astype(float)
    out[path] = [None if math.isnan(x) else x for x in v]
for path in sys.argv[3].split(','):
    v = at(path)
    out[path] = [v] if isinstance(v, str) else [str(x) for x in v]
print(json.dumps(out))
)";
    const QJsonObject out =
        QJsonDocument::fromJson(
            runTool(QStringLiteral("/usr/bin/python3"),
                    {"-c", script, file, numberPaths.join(','), textPaths.join(',')}))
            .object();
    Readback back;
    for (const QString& path : numberPaths) {
        for (const QJsonValue& value : out.value(path).toArray())
            back.numbers[path].append(value.isNull() ? std::nan("") : value.toDouble());
    }
    for (const QString& path : textPaths) {
        for (const QJsonValue& value : out.value(path).toArray())
            back.texts[path].append(value.toString());
    }
    return back;
}

// A target that takes nothing: a disk that is full from the first byte.
class FullTarget : public ReportFile
{
public:
    using ReportFile::ReportFile;

protected:
    bool writeToTarget(const char*, qint64, QString& error) override
    {
        error = QStringLiteral("No space left on device");
        return false;
    }
};

QByteArray contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

enum class Kind { Hdf5, Mat5, Mat73 };

} // namespace

Q_DECLARE_METATYPE(Kind)

// HDF5 and MATLAB files of the loaded rows, read back by other readers.
class TestDataExport : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    FakeLookup catalogue;
    std::unique_ptr<ProtocolAssembly> assembly;
    std::unique_ptr<ProtocolTableModel> model;
    ExportInfo info;
    const QStringList codes{"U1", "I1", "S1", "Q"};

    ReportResult write(Kind kind, const ExportSource& source, ReportFile& file, bool* v73 = nullptr)
    {
        ExportColumns columns(source, info);
        if (kind == Kind::Hdf5)
            return saveHdf5Export(columns, file);
        MatExportOptions options;
        if (kind == Kind::Mat73)
            options.version5Limit = 1000; // a vector of 1000 bytes is already too long
        return saveMatExport(columns, file, options, v73);
    }

    // The CSV the table's report writes for the same rows, split into cells.
    QVector<QStringList> csvRows(const QDateTime& from, const QDateTime& to)
    {
        const ProtocolReportTable whole(*model);
        const TimeRangeReportTable table(
            whole,
            [this](int row, qint64& msecs) {
                msecs = model->msecsSinceEpoch(model->globalRowAt(row));
                return true;
            },
            from, to);
        const QString csv = dir.filePath(QStringLiteral("table.csv"));
        if (!saveCsvReport(table, csv))
            return {};
        QVector<QStringList> rows;
        for (const QString& line : QString::fromUtf8(contents(csv)).split(QLatin1Char('\n')))
            if (!line.isEmpty())
                rows.append(line.split(QLatin1Char(',')));
        return rows;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        catalogue.addChannel("U1", 1, QStringLiteral("Напряжение"), 1);
        catalogue.addChannel("I1", 2, QStringLiteral("Ток"), 2);
        catalogue.addChannel("S1", 3, QStringLiteral("Режим"), 0);
        catalogue.addRef("S1", 0, QStringLiteral("Стоп"));
        catalogue.addRef("S1", 1, QStringLiteral("Пуск"));
        catalogue.addRef("S1", 2, QStringLiteral("Авария"));
        catalogue.codeRates.insert("Q", 3);

        // a.log: 300 ticks of U1 (some negative), I1 (zero every 7th tick,
        // so Q = 10 / I1 has gaps, and missing after tick 250) and S1;
        // b.log: 20 s later, 200 ticks without S1, overlapping a.log.
        const auto protocol = [](int ticks, int currentRows, bool state, int seed) {
            ProtocolColumns columns;
            for (int t = 0; t < ticks; ++t)
                columns.ticks.push_back(quint32(t));
            ChannelColumn current{"I1", 2, {}, {}};
            ChannelColumn voltage{"U1", 1, {}, {}};
            ChannelColumn mode{"S1", 3, {}, {}};
            for (int t = 0; t < ticks; ++t) {
                if (t < currentRows)
                    current.values.push_back(t % 7 == 0 ? 0 : (t * 13 + seed) % 500 - 100);
                voltage.values.push_back(2200 + (t * 37 + seed) % 101 - 2300 * (t % 11 == 3));
                mode.values.push_back((t / 40) % 3);
            }
            columns.channels.push_back(std::move(current));
            if (state)
                columns.channels.push_back(std::move(mode));
            columns.channels.push_back(std::move(voltage));
            return columns;
        };
        assembly = std::make_unique<ProtocolAssembly>(catalogue, kStart.addDays(1));
        assembly->setComputedChannels({{"Q", QStringLiteral("Проводимость"), 3, "10/I1"}});
        QCOMPARE(assembly->addProtocol(kStart, 100, protocol(300, 250, true, 0)),
                 ProtocolAssembly::AddResult::Added);
        QCOMPARE(assembly->addProtocol(kStart.addSecs(20), 100, protocol(200, 200, false, 5)),
                 ProtocolAssembly::AddResult::Added);
        QVERIFY(assembly->build());
        model = std::make_unique<ProtocolTableModel>();
        model->setAssembly(assembly.get());

        info.start = kStart;
        info.tickMs = 100;
        info.protocolFiles = QStringList{"a.log", "b.log"};
        info.protocolStarts = {kStart, kStart.addSecs(20)};
        info.version = QStringLiteral("0.2");
    }

    void valuesEqualTheCsvCells_data()
    {
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<QDateTime>("from");
        QTest::addColumn<QDateTime>("to");
        const QDateTime from = kStart.addMSecs(18'500);
        const QDateTime to = kStart.addMSecs(27'300);
        QTest::newRow("hdf5, all rows") << Kind::Hdf5 << QDateTime() << QDateTime();
        QTest::newRow("hdf5, from-to") << Kind::Hdf5 << from << to;
        QTest::newRow("mat, all rows, by scipy") << Kind::Mat5 << QDateTime() << QDateTime();
        QTest::newRow("mat, from-to") << Kind::Mat5 << from << to;
        QTest::newRow("mat 7.3, all rows") << Kind::Mat73 << QDateTime() << QDateTime();
    }
    void valuesEqualTheCsvCells()
    {
        QFETCH(Kind, kind);
        QFETCH(QDateTime, from);
        QFETCH(QDateTime, to);
        const AssemblyExportSource source(*assembly, catalogue, codes + QStringList{"X9"}, from,
                                          to);
        QCOMPARE(source.missingCodes(), QStringList{"X9"});
        const QString path = dir.filePath(kind == Kind::Hdf5 ? "out.h5" : "out.mat");
        ReportFile file(path);
        bool v73 = false;
        const ReportResult written = write(kind, source, file, &v73);
        QVERIFY2(written, qPrintable(written.error));
        QCOMPARE(v73, kind == Kind::Mat73);

        const QStringList numbers{"time_s",
                                  "time_unix_ms",
                                  "U1",
                                  "I1",
                                  "S1",
                                  "S1_raw",
                                  "Q",
                                  "channels/S1/state_values",
                                  "channels/I1/id",
                                  "channels/I1/rate",
                                  "channels/Q/id",
                                  "channels/Q/computed",
                                  "file/tick_ms"};
        const QStringList texts{"channels/S1/state_texts", "channels/U1/name",
                                "channels/Q/code",         "file/start",
                                "file/protocol_starts",    "file/channel_codes"};
        // MATLAB 7.3 files are HDF5 files: h5dump reads their numbers as well
        // (their texts are MATLAB's cells, which matio reads).
        const bool scipy = QByteArray(QTest::currentDataTag()).contains("scipy");
        Readback back = kind != Kind::Mat5 ? readH5(path, numbers, texts)
                        : scipy            ? readScipy(path, numbers, texts)
                                           : readMat(path, numbers, texts);
        if (kind == Kind::Mat73)
            back.texts = readMat(path, {}, texts).texts;

        const QVector<QStringList> rows = csvRows(from, to);
        QCOMPARE(rows.first(), (QStringList{"Дата", "Ток (I1)", "Режим (S1)", "Напряжение (U1)",
                                            "Проводимость (Q)"}));
        const int count = rows.size() - 1;
        QVERIFY(count > 50);
        for (const char* name : {"time_s", "time_unix_ms", "U1", "I1", "S1", "S1_raw", "Q"})
            QCOMPARE(back.numbers[name].size(), count);
        QCOMPARE(back.texts["channels/S1/state_texts"], (QStringList{"Стоп", "Пуск", "Авария"}));
        QCOMPARE(back.numbers["channels/S1/state_values"], (QVector<double>{0, 1, 2}));
        QCOMPARE(back.texts["channels/U1/name"], QStringList{"Напряжение"});
        QCOMPARE(back.texts["channels/Q/code"], QStringList{"Q"});
        QCOMPARE(back.numbers["channels/I1/id"], QVector<double>{2});
        QCOMPARE(back.numbers["channels/I1/rate"], QVector<double>{2});
        QCOMPARE(back.numbers["channels/Q/id"], QVector<double>{-1});
        QCOMPARE(back.numbers["channels/Q/computed"], QVector<double>{1});
        QCOMPARE(back.numbers["file/tick_ms"], QVector<double>{100});
        QCOMPARE(back.texts["file/start"], QStringList{"2024-06-01T12:00:00.000+03:00"});
        QCOMPARE(back.texts["file/protocol_starts"],
                 (QStringList{"2024-06-01T12:00:00.000+03:00", "2024-06-01T12:00:20.000+03:00"}));
        QCOMPARE(back.texts["file/channel_codes"], codes);

        int gaps = 0;
        const QStringList columns{"I1", "S1", "U1", "Q"};
        for (int r = 0; r < count; ++r) {
            const QStringList& cells = rows[r + 1];
            const qint64 msecs = qint64(back.numbers["time_unix_ms"][r]);
            QCOMPARE(QDateTime::fromMSecsSinceEpoch(msecs, Qt::OffsetFromUTC, 3 * 3600)
                         .toString("dd/MM/yyyy hh:mm:ss.zzz"),
                     cells[0]);
            QCOMPARE(back.numbers["time_s"][r], (msecs - kStart.toMSecsSinceEpoch()) / 1000.0);
            for (int c = 0; c < columns.size(); ++c) {
                const double value = back.numbers[columns[c]][r];
                const QString& cell = cells.value(c + 1);
                if (cell.isEmpty()) {
                    QVERIFY2(std::isnan(value), qPrintable(QStringLiteral("row %1").arg(r)));
                    ++gaps;
                } else if (columns[c] == "S1") {
                    const int raw = int(back.numbers["S1_raw"][r]);
                    QCOMPARE(value, double(raw));
                    QCOMPARE(back.texts["channels/S1/state_texts"].value(raw), cell);
                } else {
                    QCOMPARE(value, cell.toDouble());
                }
            }
            if (cells.value(2).isEmpty())
                QCOMPARE(back.numbers["S1_raw"][r], double(exportlayout::kNoRaw));
        }
        QVERIFY(gaps > 10);
    }

    // The stored ID is that of the first protocol that has the channel;
    // the ones before it that lack it give none.
    void storedIdIsTheFirstProtocolsWithTheChannel_data()
    {
        QTest::addColumn<QVector<int>>("ids"); // per protocol, 0: without the channel
        QTest::addColumn<double>("stored");
        QTest::newRow("only the second has it") << QVector<int>{0, 7} << 7.0;
        QTest::newRow("both, the first's") << QVector<int>{5, 7} << 5.0;
        QTest::newRow("only the middle one") << QVector<int>{0, 7, 0} << 7.0;
    }
    void storedIdIsTheFirstProtocolsWithTheChannel()
    {
        QFETCH(QVector<int>, ids);
        QFETCH(double, stored);
        ProtocolAssembly assembly(catalogue, kStart.addDays(1));
        for (int p = 0; p < ids.size(); ++p) {
            ProtocolColumns columns;
            ChannelColumn voltage{"U1", 1, {}, {}};
            ChannelColumn current{"I1", quint8(ids[p]), {}, {}};
            for (int t = 0; t < 10; ++t) {
                columns.ticks.push_back(quint32(t));
                voltage.values.push_back(t);
                current.values.push_back(2 * t);
            }
            columns.channels.push_back(std::move(voltage));
            if (ids[p] > 0)
                columns.channels.push_back(std::move(current));
            QCOMPARE(assembly.addProtocol(kStart.addSecs(10 * p), 100, std::move(columns)),
                     ProtocolAssembly::AddResult::Added);
        }
        QVERIFY(assembly.build());
        const AssemblyExportSource source(assembly, catalogue, {"I1"}, {}, {});
        const QString path = dir.filePath(QStringLiteral("ids.h5"));
        ReportFile file(path);
        QVERIFY(write(Kind::Hdf5, source, file));
        const Readback back = readH5(path, {"channels/I1/id", "channels/I1/computed"}, {});
        QCOMPARE(back.numbers["channels/I1/id"], QVector<double>{stored});
        QCOMPARE(back.numbers["channels/I1/computed"], QVector<double>{0});
    }

    void namesAreValidForMatlab_data()
    {
        QTest::addColumn<QStringList>("codes");
        QTest::addColumn<QStringList>("names");
        QTest::newRow("kept") << QStringList{"U1", "I_2"} << QStringList{"U1", "I_2"};
        QTest::newRow("signs") << QStringList{"U-1", "P.ab", "Т1"}
                               << QStringList{"U_1", "P_ab", "x_1"};
        QTest::newRow("leading digit or underscore")
            << QStringList{"1U", "_a"} << QStringList{"x1U", "x_a"};
        QTest::newRow("keyword") << QStringList{"end", "if"} << QStringList{"end_", "if_"};
        QTest::newRow("repeated after mapping")
            << QStringList{"U-1", "U+1", "U_1"} << QStringList{"U_1", "U_1_2", "U_1_3"};
        QTest::newRow("reserved") << QStringList{"time_s", "file"}
                                  << QStringList{"time_s_2", "file_2"};
        const QString longCode(70, QLatin1Char('a'));
        QTest::newRow("long") << QStringList{longCode, longCode}
                              << QStringList{longCode.left(63), longCode.left(61) + "_2"};
    }
    void namesAreValidForMatlab()
    {
        QFETCH(QStringList, codes);
        QFETCH(QStringList, names);
        QCOMPARE(exportlayout::matlabNames(codes, {"time_s", "time_unix_ms", "channels", "file"}),
                 names);
    }

    void failureKeepsTheOldFile_data()
    {
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<int>("failure");
        for (const Kind kind : {Kind::Hdf5, Kind::Mat5, Kind::Mat73}) {
            const char* name = kind == Kind::Hdf5 ? "hdf5" : kind == Kind::Mat5 ? "mat" : "mat 7.3";
            QTest::newRow(qPrintable(QStringLiteral("%1, full disk").arg(name))) << kind << 0;
            QTest::newRow(qPrintable(QStringLiteral("%1, no rows in the range").arg(name)))
                << kind << 1;
        }
    }
    void failureKeepsTheOldFile()
    {
        QFETCH(Kind, kind);
        QFETCH(int, failure);
        const QString path = dir.filePath(QStringLiteral("kept"));
        {
            QFile old(path);
            QVERIFY(old.open(QIODevice::WriteOnly));
            old.write("old contents");
        }
        const QDateTime after = kStart.addDays(1);
        const AssemblyExportSource source(*assembly, catalogue, codes,
                                          failure == 1 ? after : QDateTime(), QDateTime());
        std::unique_ptr<ReportFile> file =
            failure == 0 ? std::make_unique<FullTarget>(path) : std::make_unique<ReportFile>(path);
        const ReportResult written = write(kind, source, *file);
        QVERIFY(!written);
        QVERIFY2(written.error.contains(failure == 0 ? "No space left on device" : "no rows"),
                 qPrintable(written.error));
        QCOMPARE(contents(path), QByteArray("old contents"));
        // Nothing left behind beside the target.
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).filter("voltrek"),
                 QStringList());
    }

    void unwritableFolderIsNamed_data()
    {
        QTest::addColumn<int>("format");
        QTest::newRow("hdf5") << int(ExportFormat::Hdf5);
        QTest::newRow("mat") << int(ExportFormat::Mat);
    }
    void unwritableFolderIsNamed()
    {
        QFETCH(int, format);
        const QString path = unwritablePath(dir.path(), QStringLiteral("out.x"));
        const AssemblyExportSource source(*assembly, catalogue, codes, {}, {});
        const ReportResult written = saveDataExport(source, info, ExportFormat(format), path);
        QVERIFY(!written);
        QVERIFY2(written.error.startsWith("Cannot write " + path), qPrintable(written.error));
    }
};

QTEST_GUILESS_MAIN(TestDataExport)
#include "test_dataexport.moc"
