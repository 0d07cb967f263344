// Two or three protocol files made from the fuzz bytes, read as the window
// reads them and merged into one assembly: starts across days and around the
// summer-time changes of a zone that has them, equal or different tick
// lengths, empty and broken files. Rows must come in time order (stable),
// every row's time and global tick must follow from its file's start and
// tick, and exactly the broken files must be left out.

#include "fuzzsupport.h"
#include "protocol/channellookup.h"
#include "protocol/protocolformat.h"
#include "protocol/streamloger.h"
#include "table/protocolassembly.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cmath>

using fuzz::require;

namespace {
QTemporaryDir* g_dir = nullptr;

// Wall-clock times near the changes of Europe/Berlin in 2024 and a new year.
const QDateTime kAnchors[] = {
    QDateTime(QDate(2024, 3, 31), QTime(1, 0), Qt::UTC),   // spring forward at 02:00
    QDateTime(QDate(2024, 10, 27), QTime(1, 30), Qt::UTC), // fall back at 03:00
    QDateTime(QDate(2024, 12, 31), QTime(23, 0), Qt::UTC),
    QDateTime(QDate(2024, 2, 28), QTime(22, 0), Qt::UTC),
};

enum class Kind { Valid, NoRecords, NoSignature, Short, NoTick, BadDate };

struct File
{
    Kind kind = Kind::Valid;
    ProtocolHeader header;
    QVector<LogRecord> records;
    QVector<quint32> ticks; // the read's tick list: record ticks without adjacent repeats
};

File makeFile(fuzz::Bytes& in, quint16 sharedTick)
{
    File file;
    const uint8_t kind = in.byte();
    file.kind = kind < 200 ? Kind::Valid : Kind(1 + kind % 5);

    // Header fields are wall-clock time, so they are worked out on a clock without zones.
    const QDateTime wall = kAnchors[in.below(4)].addSecs(qint64(in.u16()) * 2 - 65536);
    protocolformat::setStart(file.header, wall);
    const quint16 ticks[] = {100, 1000, 250, 60000};
    file.header.tickMs = in.flag() ? sharedTick : ticks[in.below(4)];
    if (file.kind == Kind::NoTick)
        file.header.tickMs = 0;
    if (file.kind == Kind::BadDate)
        file.header.month = 13;
    if (file.kind == Kind::NoSignature)
        file.header.signature[0] = 'X';

    const quint8 ids[] = {1, 2, 3, 9};
    const int count = file.kind == Kind::NoRecords ? 0 : 1 + int(in.below(200));
    quint32 tick = in.below(3) == 0 ? in.u32() : in.below(1000);
    for (int i = 0; i < count; ++i) {
        const uint8_t step = in.byte();
        tick += step < 250 ? step % 4 : quint32(-int(step % 8)); // mostly forward
        file.records.append({ids[in.below(4)], tick, qint32(int16_t(in.u16()))});
        if (file.ticks.isEmpty() || file.ticks.last() != tick)
            file.ticks.append(tick);
    }
    return file;
}

QByteArray bytesOf(const File& file)
{
    QByteArray bytes = protocolformat::encodeHeader(file.header);
    for (const LogRecord& r : file.records)
        bytes += protocolformat::encodeRecord(r);
    return file.kind == Kind::Short ? bytes.left(100) : bytes;
}

QDateTime startOf(const File& file)
{
    return protocolformat::startOf(file.header);
}

// The code and scale of the log.def written in LLVMFuzzerInitialize, by ID;
// ID 9 has no channel and gets a code of its own.
QString codeOf(quint8 id)
{
    return id == 1   ? QStringLiteral("A")
           : id == 2 ? QStringLiteral("B")
           : id == 3 ? QStringLiteral("C")
                     : unknownIdCode(id);
}
int rateOf(quint8 id)
{
    return id == 1 ? 1 : id == 2 ? 3 : 0;
}

// A code's value on every tick of the file's list, in its plainest form: its
// own first record of that tick, else its last value (before its first
// record, the first one's).
QVector<LogRecord> filledColumn(const File& file, const QString& code)
{
    QVector<LogRecord> own;
    for (const LogRecord& r : file.records)
        if (codeOf(r.id) == code)
            own.append(r);
    QVector<LogRecord> column;
    if (own.isEmpty())
        return column;
    int p = 0;
    LogRecord current = own[0];
    for (const quint32 t : file.ticks) {
        if (p < own.size() && own[p].tick == t) {
            current = own[p];
            ++p;
            while (p < own.size() && own[p].tick <= t)
                ++p;
        }
        column.append(current);
    }
    return column;
}

// Every cell of every row as the table shows it: an enumeration's text, or
// the value with all its ten digits.
void checkCells(const ProtocolAssembly& assembly, const QVector<const File*>& added)
{
    ProtocolAssembly::Cell cell;
    for (const AssembledChannel& channel : assembly.channels()) {
        const File& file = *added[channel.protocol];
        const QVector<LogRecord> column = filledColumn(file, channel.code);
        require(column.size() == file.ticks.size(), "a channel of a file has a value per row");
        for (int j = 0; j < column.size(); ++j) {
            require(assembly.cell(channel.protocol, channel.channel, j, cell),
                    "every row of a file has a cell of each of its channels");
            const LogRecord& r = column[j];
            if (channel.code == QLatin1String("C") && r.value == 1) {
                require(cell.isText && cell.text == QLatin1String("x"), "an enumeration's text");
                continue;
            }
            const QString expected =
                QString::number(double(r.value) / std::pow(10.0, rateOf(r.id)), 'g', 10);
            require(!cell.isText && cell.text == expected, "a number cell's every digit");
        }
    }
}

void checkRows(const ProtocolAssembly& assembly, const QVector<const File*>& added)
{
    QDateTime common = QDateTime(QDate(2030, 1, 1), QTime(0, 0));
    int total = 0;
    for (const File* file : added) {
        common = std::min(common, startOf(*file));
        total += file->ticks.size();
    }
    require(assembly.commonStart() == common, "the common start is the earliest start");
    require(assembly.rowCount() == total, "one row per tick of every file");

    const qint64 tickMs = added.first()->header.tickMs;
    QVector<qint64> offsets;
    for (int p = 0; p < added.size(); ++p) {
        const qint64 offset =
            (startOf(*added[p]).toMSecsSinceEpoch() - common.toMSecsSinceEpoch()) / tickMs;
        offsets.append(offset);
        if (assembly.offset(p) != offset)
            std::fprintf(
                stderr, "file %d of %d: start %s, common %s, tick %d: offset %lld, not %lld\n", p,
                int(added.size()), qPrintable(startOf(*added[p]).toString(Qt::ISODate)),
                qPrintable(common.toString(Qt::ISODate)), int(tickMs), assembly.offset(p), offset);
        require(assembly.offset(p) == offset, "a file's offset in whole ticks");
    }

    qint64 previous = std::numeric_limits<qint64>::min();
    ProtocolAssembly::RowRef before{-1, -1};
    for (int row = 0; row < assembly.rowCount(); ++row) {
        const ProtocolAssembly::RowRef ref = assembly.rowAt(row);
        require(ref.protocol >= 0 && ref.protocol < added.size(), "a row belongs to a file");
        const File& file = *added[ref.protocol];
        require(ref.record >= 0 && ref.record < file.ticks.size(), "a row is one of its ticks");
        require(assembly.tableRow(ref.protocol, ref.record) == row, "rows and places agree");

        const quint32 tick = file.ticks[ref.record];
        const QDateTime start = startOf(file);
        const QDateTime time = start.addMSecs(qint64(tick) * tickMs);
        const qint64 msecs = time.toMSecsSinceEpoch();
        require(assembly.msecsSinceEpoch(ref.protocol, ref.record) == msecs,
                "a row's time is its file's start plus its ticks");
        require(assembly.dateTime(ref.protocol, ref.record) == time, "the row's date-time");
        require(assembly.timeText(ref.protocol, ref.record) ==
                    time.toString(QStringLiteral("dd/MM/yyyy hh:mm:ss.zzz")),
                "the row's time text is its local wall-clock time");
        // Past 2^31 too: a global tick never wraps to a negative one.
        require(assembly.globalTick(ref.protocol, ref.record) ==
                    qint64(tick) + offsets[ref.protocol],
                "a row's global tick is its tick plus its file's offset");

        require(msecs >= previous, "rows in time order");
        if (msecs == previous)
            require(ref.protocol > before.protocol ||
                        (ref.protocol == before.protocol && ref.record > before.record),
                    "rows of one time keep file and record order");
        previous = msecs;
        before = ref;
    }

    for (const AssembledChannel& channel : assembly.channels()) {
        require(int(channel.series.size()) == added[channel.protocol]->ticks.size(),
                "a series has a point per row of its file");
        const File& file = *added[channel.protocol];
        for (size_t j = 0; j < channel.series.size(); ++j) {
            // Past 2^31 too: a chart position never wraps to a negative one.
            require(channel.series.x(j) == qint64(file.ticks[int(j)]) + offsets[channel.protocol],
                    "a series point sits on its row's tick plus its file's offset");
            const double y = channel.series.y(j);
            require(y >= channel.minimum && y <= channel.maximum,
                    "a channel's range holds its values");
        }
    }
}
} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    // A zone with summer time.
    g_dir = &fuzz::startCore(argc, argv, "Europe/Berlin");
    QDir().mkpath(g_dir->path() + QStringLiteral("/p"));
    QFile definition(g_dir->path() + QStringLiteral("/log.def"));
    definition.open(QIODevice::WriteOnly);
    definition.write(R"({"ROOT": "p", "CONTENT": [{"GROUP": "g", "VALUES": [
                  {"CODE": "A", "ID": 1, "RATE": 1}, {"CODE": "B", "ID": 2, "RATE": 3},
                  {"CODE": "C", "ID": 3, "REFS": [{"VALUE": 1, "STRING": "x"}]}]}]})");
    definition.close();
    StreamLoger::instance()->init(g_dir->path());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::Bytes in(data, size);
    const int count = 2 + int(in.below(2));
    const quint16 sharedTick = in.flag() ? 1000 : 100;
    QVector<File> files;
    for (int i = 0; i < count; ++i)
        files.append(makeFile(in, sharedTick));

    StreamLoger* loger = StreamLoger::instance();
    ProtocolAssembly assembly(ChannelLookup::streamLoger(),
                              QDateTime(QDate(2030, 1, 1), QTime(0, 0)));
    QVector<const File*> added;
    bool mismatch = false;
    for (int i = 0; i < count && !mismatch; ++i) {
        const File& file = files[i];
        const QString name = QStringLiteral("f%1.log").arg(i);
        QFile out(g_dir->path() + QStringLiteral("/p/") + name);
        const QByteArray bytes = bytesOf(file);
        require(out.open(QIODevice::WriteOnly) && out.write(bytes) == bytes.size(), "written");
        out.close();

        // As the window reads: unreadable files and files without records are passed over.
        const bool opened = loger->openProtocol(0, 0, name);
        require(opened == (file.kind != Kind::NoSignature && file.kind != Kind::Short),
                "a file opens exactly when it has a header");
        if (!opened)
            continue;
        ProtocolColumns columns = loger->readProtocolColumns();
        loger->closeProtocol();
        require(columns.isEmpty() == file.records.isEmpty(), "records are read");
        if (columns.isEmpty())
            continue;
        QDateTime start;
        quint16 tickMs = 0;
        loger->protocolTimeBase(start, tickMs);
        const auto result = assembly.addProtocol(start, tickMs, std::move(columns));

        const bool broken = file.kind == Kind::NoTick || file.kind == Kind::BadDate;
        const bool otherTick =
            !broken && !added.isEmpty() && file.header.tickMs != added.last()->header.tickMs;
        if ((result == ProtocolAssembly::AddResult::Skipped) != broken)
            std::fprintf(stderr,
                         "file %d: header %04d-%02d-%02d %02d:%02d:%02d, tick %d, start %s\n", i,
                         file.header.year, file.header.month, file.header.day, file.header.hour,
                         file.header.minute, file.header.second, file.header.tickMs,
                         qPrintable(start.toString(Qt::ISODate)));
        require((result == ProtocolAssembly::AddResult::Skipped) == broken,
                "exactly the broken files are left out");
        require((result == ProtocolAssembly::AddResult::TickMismatch) == otherTick,
                "a different tick length stops the read");
        mismatch = otherTick;
        if (result == ProtocolAssembly::AddResult::Added)
            added.append(&file);
    }
    require(assembly.protocolCount() == added.size(), "the added files are kept");
    if (mismatch || added.isEmpty())
        return 0;
    require(assembly.build(), "the assembly builds");
    checkRows(assembly, added);
    checkCells(assembly, added);
    return 0;
}
