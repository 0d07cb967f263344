// Protocol files through the header and record codec and through the reader.
// The first byte chooses how the file is made: its raw bytes straight from
// the fuzzer (up to several read chunks long), or a header and a list of
// records built from the fuzz bytes, with runs that repeat records so that
// long, valid files are common. The same byte may cancel the read at a step
// the fuzzer picks, or change the file between counting and reading it.
// The reader's gap-filled series must equal those of the plain reference
// below.

#include "fuzzsupport.h"
#include "protocol/protocolformat.h"
#include "protocol/streamloger.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

using fuzz::require;

namespace {
QTemporaryDir* g_dir = nullptr;

// The channels of the log.def written in LLVMFuzzerInitialize, by ID; every
// other ID has a code of its own, "ID n".
QString codeOf(quint8 id)
{
    switch (id) {
    case 1:
        return QStringLiteral("A");
    case 2:
        return QStringLiteral("B");
    case 3:
        return QStringLiteral("C");
    case 4:
        return QStringLiteral("D");
    default:
        return unknownIdCode(id);
    }
}

// Structured files never exceed this many records: past two read chunks,
// a few hundred KB.
constexpr int kMaxBuiltRecords = 40000;

QByteArray buildFile(fuzz::Bytes& in)
{
    ProtocolHeader header;
    header.year = quint16(2000 + in.below(40));
    header.month = quint8(1 + in.below(12));
    header.day = quint8(1 + in.below(28));
    header.hour = quint8(in.below(24));
    header.tickMs = in.u16();
    if (in.below(16) == 0)
        header.signature[2] = 'X';
    const int trailing = int(in.below(9));

    const quint8 ids[] = {1, 2, 3, 4, 5, 200};
    QVector<LogRecord> records;
    quint32 tick = 0;
    while (!in.empty() && records.size() < kMaxBuiltRecords) {
        const uint8_t op = in.byte();
        switch (op % 4) {
        case 0: // one record a little after (or before) the last
        case 1:
            tick += quint32(qint32(int8_t(in.byte())));
            records.append({ids[in.below(6)], tick, qint32(int16_t(in.u16()))});
            break;
        case 2: { // repeat the last few records, each time some ticks later
            const int count = std::min<int>(records.size(), 1 + op / 4 % 8);
            // Mostly short runs, so that most files stay quick to read.
            const int times = in.byte() * (op >= 0x80 ? 64 : 1);
            const quint32 step = in.below(4);
            const int from = records.size() - count;
            for (int t = 0; t < times && records.size() < kMaxBuiltRecords; ++t) {
                for (int i = 0; i < count; ++i) {
                    LogRecord r = records[from + i];
                    r.tick += step * quint32(t + 1);
                    // Wrapping, not overflowing, past the largest value.
                    r.value = qint32(quint32(r.value) + quint32(t));
                    records.append(r);
                }
            }
            if (!records.isEmpty())
                tick = records.last().tick;
            break;
        }
        default: // anywhere on the tick range
            tick = in.u32();
            records.append({ids[in.below(6)], tick, qint32(in.u32())});
            break;
        }
    }
    QByteArray file = protocolformat::encodeHeader(header);
    file.reserve(file.size() + records.size() * kLogRecordSize + trailing);
    for (const LogRecord& r : records)
        file += protocolformat::encodeRecord(r);
    return file + QByteArray(trailing, '\x5a');
}

void checkCodec(const QByteArray& file)
{
    const auto* data = reinterpret_cast<const uchar*>(file.constData());
    if (file.size() < kProtocolHeaderSize)
        return;
    const ProtocolHeader header = protocolformat::decodeHeader(data);
    require(protocolformat::encodeHeader(header) == file.left(kProtocolHeaderSize),
            "header bytes survive decoding and encoding");
    const QDateTime start = protocolformat::startOf(header);
    if (start.isValid())
        (void)protocolformat::fileNameFor(start);
    const QString description = protocolformat::description(header);
    require(description.size() <= kDescriptionSize, "description fits its field");
    ProtocolHeader rewritten = header;
    protocolformat::setDescription(rewritten, description);
    require(rewritten.description[kDescriptionSize - 1] == '\0', "description keeps its NUL");
    for (int at = kProtocolHeaderSize; at + kLogRecordSize <= std::min(file.size(), 4096);
         at += kLogRecordSize) {
        require(protocolformat::encodeRecord(protocolformat::decodeRecord(data + at)) ==
                    file.mid(at, kLogRecordSize),
                "record bytes survive decoding and encoding");
    }
}

// What one read saw through the reader's signals, and what it is asked to do.
struct ReadRun
{
    // Requests.
    int cancelPhase = 0; // 0 none, 1 reading records, 2 filling gaps
    qint64 cancelStep = 0;
    int change = 0; // 0 none, 1 cut the file short, 2 overwrite channel IDs
    quint32 changeSeed = 0;
    qint64 maxRecords = StreamLoger::kMaxRecords;
    qint64 maxFilled = StreamLoger::kMaxFilledValues;
    QString path;

    // Observations.
    int phase = 0;
    qint64 counts[3] = {};
    qint64 lastProgress[3] = {-1, -1, -1};
    bool progressInOrder = true;
    bool cancelled = false;
    qint64 cancelledAt = -1;
    bool cancelledAtFinalStep = false; // at the closing count of handled records
};
ReadRun g_run;

void changeFile(ReadRun& run)
{
    QFile file(run.path);
    require(file.open(QIODevice::ReadWrite), "file reopened");
    const qint64 records = (file.size() - kProtocolHeaderSize) / kLogRecordSize;
    if (records <= 0)
        return;
    if (run.change == 1) {
        file.resize(kProtocolHeaderSize +
                    qint64(run.changeSeed % quint32(records)) * kLogRecordSize);
        return;
    }
    // Every record to one channel: its counted room cannot hold them.
    QByteArray bytes = file.readAll();
    const char id = char(1 + run.changeSeed % 4);
    for (int at = kProtocolHeaderSize; at + kLogRecordSize <= bytes.size(); at += kLogRecordSize)
        bytes[at] = id;
    file.seek(0);
    require(file.write(bytes) == bytes.size(), "file rewritten");
}

void onStart(int count, const QString&)
{
    ReadRun& run = g_run;
    ++run.phase;
    require(run.phase <= 2, "two phases");
    run.counts[run.phase] = count;
    if (run.phase == 1 && run.change != 0)
        changeFile(run);
}

void onProgress(int step)
{
    ReadRun& run = g_run;
    require(run.phase >= 1, "progress within a phase");
    if (step < run.lastProgress[run.phase])
        run.progressInOrder = false;
    run.lastProgress[run.phase] = step;
    run.cancelledAtFinalStep = false;
    if (!run.cancelled && run.cancelPhase == run.phase && step >= run.cancelStep) {
        run.cancelled = true;
        run.cancelledAt = step;
        // Stays true only if no other progress of the record phase follows.
        run.cancelledAtFinalStep = run.phase == 1;
        StreamLoger::cancelLoad();
    }
}

struct Reference
{
    ChannelRecords series;
    qint64 fillSteps = 0;
};

// The reading rules in their plainest form: the first `handled` records of
// the file; a list of ticks without adjacent repeats; per code, on every tick
// of the list its own first record of that tick or its last value. `stopAt`
// is the filling step at which a cancel was seen (-1: none), `flagSet`
// whether the cancel flag was already up before filling.
Reference referenceRead(const QByteArray& file, qint64 handled, bool flagSet, qint64 stopAt)
{
    QVector<LogRecord> records;
    for (qint64 k = 0; k < handled; ++k)
        records.append(
            protocolformat::decodeRecord(reinterpret_cast<const uchar*>(file.constData()) +
                                         kProtocolHeaderSize + k * kLogRecordSize));
    QVector<quint32> ticks;
    QMap<QString, QVector<LogRecord>> byCode;
    for (const LogRecord& r : records) {
        if (ticks.isEmpty() || ticks.last() != r.tick)
            ticks.append(r.tick);
        byCode[codeOf(r.id)].append(r);
    }

    Reference reference;
    reference.fillSteps = qint64(ticks.size()) * byCode.size();
    qint64 step = 0;
    for (auto it = byCode.cbegin(); it != byCode.cend(); ++it) {
        QVector<LogRecord>& out = reference.series[it.key()];
        if (ticks.isEmpty() || flagSet)
            continue;
        const QVector<LogRecord>& own = it.value();
        int p = 0;
        LogRecord current = own[0];
        for (const quint32 t : ticks) {
            if (p >= own.size() || own[p].tick != t) {
                current.tick = t;
            } else {
                current = own[p];
                ++p;
                while (p < own.size() && own[p].tick <= t)
                    ++p;
            }
            out.append(current);
            if (step++ == stopAt) {
                flagSet = true;
                break;
            }
        }
    }
    return reference;
}

bool sameSeries(const ChannelRecords& a, const ChannelRecords& b)
{
    if (a.keys() != b.keys())
        return false;
    for (auto it = a.cbegin(); it != a.cend(); ++it) {
        const QVector<LogRecord>& other = b.value(it.key());
        if (other.size() != it.value().size())
            return false;
        for (int j = 0; j < other.size(); ++j) {
            const LogRecord &x = it.value()[j], &y = other[j];
            if (x.id != y.id || x.tick != y.tick || x.value != y.value)
                return false;
        }
    }
    return true;
}

// Files up to this many records also go through the writer, which flushes
// every record.
constexpr qint64 kMaxWrittenRecords = 4000;

// Read, write, read: the file's records written again through the writer
// read back to what the first read gave. The writer takes a tick of 0 for
// "now", so every tick goes one later (a file with the last tick of the range
// is left out, as is one with IDs the definition lacks).
void checkWriter(const QByteArray& content, qint64 records, const ChannelRecords& first,
                 quint16 tickMs)
{
    QVector<LogRecord> written;
    for (qint64 k = 0; k < records; ++k) {
        LogRecord r =
            protocolformat::decodeRecord(reinterpret_cast<const uchar*>(content.constData()) +
                                         kProtocolHeaderSize + k * kLogRecordSize);
        // The writer writes channels of the definition only.
        if (r.tick == 0xFFFFFFFFu || r.id < 1 || r.id > 4)
            return;
        ++r.tick;
        written.append(r);
    }
    StreamLoger* loger = StreamLoger::instance();
    const QDir dir(g_dir->path() + QStringLiteral("/p"));
    // The writer names the file after the current second and never replaces one.
    const QStringList before = dir.entryList(QDir::Files);
    require(loger->openProtocol(1, tickMs == 0 ? 1 : tickMs, QStringLiteral("fuzz")),
            "a protocol opens for writing");
    for (const LogRecord& r : qAsConst(written))
        require(loger->writeValue(codeOf(r.id), r.value, true, r.tick), "a record is written");
    loger->closeProtocol();
    QStringList added = dir.entryList(QDir::Files);
    for (const QString& name : before)
        added.removeAll(name);
    require(added.size() == 1, "the writer made one file");

    require(loger->openProtocol(0, 0, added.first()), "the written file opens");
    loger->setReadLimits(StreamLoger::kMaxRecords, StreamLoger::kMaxFilledValues);
    const ChannelRecords again = loger->readProtocol();
    require(loger->readProblem().kind == ReadProblem::Kind::None, "the written file reads whole");
    loger->closeProtocol();
    require(QFile::remove(dir.filePath(added.first())), "the written file is removed");

    ChannelRecords expected = first;
    for (auto it = expected.begin(); it != expected.end(); ++it) {
        const int id = loger->channelId(it.key());
        for (LogRecord& r : it.value()) {
            ++r.tick;
            r.id = quint8(id);
        }
    }
    require(sameSeries(again, expected), "what the writer wrote reads back as it was read");
}

void checkRead(const QByteArray& file, const ReadRun& request)
{
    StreamLoger* loger = StreamLoger::instance();
    const QString path = g_dir->path() + QStringLiteral("/p/a.log");
    QFile::remove(path);
    QFile out(path);
    require(out.open(QIODevice::WriteOnly) && out.write(file) == file.size(), "fixture written");
    out.close();

    const QList<ProtocolInfo> list = loger->protocolList();
    const bool valid = file.size() >= kProtocolHeaderSize && file.startsWith("LOG");
    require(list.size() == (valid ? 1 : 0), "listed exactly when it has a header");
    const bool opened = loger->openProtocol(0, 0, QStringLiteral("a.log"));
    require(opened == valid, "opens exactly when it has a header");
    if (!opened)
        return;
    (void)loger->tickToDateTime(0xFFFFFFFFu);

    g_run = request;
    g_run.path = path;
    loger->setReadLimits(request.maxRecords, request.maxFilled);
    const ChannelRecords result = loger->readProtocol();
    const ReadProblem readProblem = loger->readProblem();
    const ReadProblem::Kind problem = readProblem.kind;
    loger->closeProtocol();
    const ReadRun run = g_run;
    g_run = ReadRun();

    QFile now(path);
    require(now.open(QIODevice::ReadOnly), "file read back");
    const QByteArray content = now.readAll();
    const qint64 inFile =
        std::min<qint64>((content.size() - kProtocolHeaderSize) / kLogRecordSize, run.maxRecords);

    require(run.phase == 2, "both phases are announced");
    require(run.progressInOrder, "progress never goes back");
    const qint64 records = (file.size() - kProtocolHeaderSize) / kLogRecordSize;
    require(run.counts[1] == std::min<qint64>(records, run.maxRecords),
            "the record phase counts the records, up to the limit");
    const qint64 handled = run.lastProgress[1];
    const bool cancelledReading = run.cancelled && run.cancelPhase == 1;
    if (!cancelledReading)
        require(handled == inFile, "every record is handled");
    else if (!run.cancelledAtFinalStep)
        require(handled == run.cancelledAt + 1, "reading stops after the cancelled record");

    const qint64 stopAt = run.cancelled && run.cancelPhase == 2 ? run.cancelledAt : -1;
    const Reference reference = referenceRead(content, handled, cancelledReading, stopAt);
    if (reference.fillSteps > run.maxFilled) {
        require(run.counts[2] == 0 && result.isEmpty(), "a read too large to fill gives nothing");
        require(problem == ReadProblem::Kind::FilledStepLimit, "and says why");
        return;
    }
    // A file cut short behind the reader's back gives what was read, and
    // says so: a silent partial read would pass for the whole protocol.
    const qint64 counted = std::min<qint64>(records, run.maxRecords);
    const bool cutShort = !cancelledReading && handled < counted;
    require(problem == (cutShort                   ? ReadProblem::Kind::CutShort
                        : records > run.maxRecords ? ReadProblem::Kind::RecordLimit
                                                   : ReadProblem::Kind::None),
            "a read cut short or at the record limit says so");
    if (cutShort)
        require(readProblem.handled == handled && readProblem.limit == counted,
                "a read cut short counts what it read and what there was");
    require(run.counts[2] == reference.fillSteps, "the filling phase counts ticks x codes");
    if (!run.cancelled && reference.fillSteps > 0)
        require(run.lastProgress[2] == reference.fillSteps - 1, "filling progress ends at its end");
    require(sameSeries(result, reference.series), "the series equal the reference's");
    if (problem == ReadProblem::Kind::None && !run.cancelled && run.change == 0 &&
        records <= kMaxWrittenRecords)
        checkWriter(
            content, records, result,
            protocolformat::decodeHeader(reinterpret_cast<const uchar*>(content.constData()))
                .tickMs);
}
} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    g_dir = &fuzz::startCore(argc, argv);
    QDir().mkpath(g_dir->path() + QStringLiteral("/p"));
    QFile definition(g_dir->path() + QStringLiteral("/log.def"));
    definition.open(QIODevice::WriteOnly);
    definition.write(R"({"ROOT": "p", "CONTENT": [{"GROUP": "g", "VALUES": [
                  {"CODE": "A", "ID": 1, "RATE": 1}, {"CODE": "B", "ID": 2},
                  {"CODE": "C", "ID": 3, "REFS": [{"VALUE": 1, "STRING": "x"}]},
                  {"CODE": "D", "ID": 4}]}]})");
    definition.close();
    StreamLoger* loger = StreamLoger::instance();
    loger->init(g_dir->path());
    QObject::connect(loger, &StreamLoger::startLoad, onStart);
    QObject::connect(loger, &StreamLoger::progressLoad, onProgress);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::Bytes in(data, size);
    const uint8_t mode = in.byte();
    ReadRun request;
    request.cancelPhase = mode >> 1 & 3;
    if (request.cancelPhase == 3)
        request.cancelPhase = 0;
    request.change = mode >> 3 & 3;
    if (request.change == 3)
        request.change = 0;
    if (request.cancelPhase != 0)
        request.cancelStep = in.u32() % 70000;
    if (request.change != 0)
        request.changeSeed = in.u32();
    if (mode & 0x20) {
        request.maxRecords = 1 + in.u16();
        request.maxFilled = 1 + in.u32() % 200000;
    }

    const QByteArray file = mode & 1 ? in.rest() : buildFile(in);
    checkCodec(file);
    checkRead(file, request);
    return 0;
}
