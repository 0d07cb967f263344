#include "protocol/streamloger.h"

#include "protocol/memoryinfo.h"
#include "protocol/readablefile.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <vector>

namespace {
StreamLoger* g_instance = nullptr;

// Set by cancelLoad() from a progress slot or while events are processed;
// the reading loops look at it after every step.
bool g_cancelled = false;

// Decides at which steps of a phase the progress signal is emitted. A bar
// only changes its look when its percentage moves, and the screen only
// changes while events are processed, so emitting at every step would buy
// nothing but time: the signal goes out at every 1000th step, whenever the
// percentage of `count` moves, and at the last step, so the bar still ends
// where it would with a signal per step.
//
// Events are processed by time, not by count: at one of those 1000th steps
// once kEventInterval has passed, which keeps the window alive at any speed
// of the disk; and not at all where there is no window to keep alive.
class ProgressGate
{
public:
    static constexpr qint64 kEventInterval = 50; // ms

    ProgressGate(StreamLoger* loger, qint64 count) : m_loger(loger), m_count(count)
    {
        m_sinceEvents.start();
    }

    qint64 next() const { return m_next; }

    void pass(qint64 step)
    {
        emit m_loger->progressLoad(int(step));
        if (step % 1000 == 0 && m_loger->eventsWhileReading() &&
            m_sinceEvents.elapsed() >= kEventInterval) {
            QCoreApplication::processEvents();
            m_sinceEvents.start();
        }
        m_next = nextAfter(step);
    }

private:
    qint64 nextAfter(qint64 step) const
    {
        const qint64 thousand = (step / 1000 + 1) * 1000;
        const qint64 percent = step * 100 / m_count;
        const qint64 percentStep = ((percent + 1) * m_count + 99) / 100;
        return std::min({thousand, percentStep, std::max(step + 1, m_count - 1)});
    }

    StreamLoger* m_loger;
    qint64 m_count;
    qint64 m_next = 0;
    QElapsedTimer m_sinceEvents;
};

// The channel slot of every possible record ID: the catalogue's codes, and
// for each ID that no channel has a slot of its own ("ID 20"), so that the
// values of two unknown channels are never mixed.
class ChannelSlots
{
public:
    explicit ChannelSlots(const ChannelCatalogue& catalogue)
    {
        for (int id = 0; id < 256; ++id) {
            const QString code = catalogue.codeOfId(id);
            const bool known = !code.isEmpty() && catalogue.hasCode(code);
            m_ofId[size_t(id)] = slotOf(known ? code : unknownIdCode(quint8(id)));
            m_known[size_t(id)] = known;
        }
    }

    int count() const { return m_codes.size(); }
    int ofId(quint8 id) const { return m_ofId[id]; }
    bool isKnown(quint8 id) const { return m_known[id]; }
    const QString& code(int slot) const { return m_codes[slot]; }

private:
    int slotOf(const QString& code)
    {
        const int found = m_codes.indexOf(code);
        if (found >= 0)
            return found;
        m_codes.append(code);
        return m_codes.size() - 1;
    }

    QStringList m_codes;
    std::array<int, 256> m_ofId;
    std::array<bool, 256> m_known;
};

// The records of an open protocol, a chunk at a time, so that a large file
// never needs a buffer of its own size.
class RecordChunks
{
public:
    RecordChunks(QFile& file, qint64 maxRecords)
        : m_file(file), m_maxRecords(maxRecords), m_buffer(size_t(kChunk) * kLogRecordSize)
    {
    }

    bool rewind()
    {
        m_left = m_maxRecords;
        return m_file.seek(kProtocolHeaderSize);
    }

    // Whole records of the next chunk; 0 at the end (a trailing part of a
    // record is no record).
    qint64 next(const uchar*& bytes)
    {
        const qint64 wanted = std::min<qint64>(kChunk, m_left);
        const qint64 got = wanted > 0 ? m_file.read(reinterpret_cast<char*>(m_buffer.data()),
                                                    wanted * kLogRecordSize)
                                      : 0;
        const qint64 records = std::max<qint64>(0, got) / kLogRecordSize;
        m_left = records < wanted ? 0 : m_left - records;
        bytes = m_buffer.data();
        return records;
    }

private:
    static constexpr qint64 kChunk = 16384;

    QFile& m_file;
    qint64 m_maxRecords;
    std::vector<uchar> m_buffer;
    qint64 m_left = 0;
};

// Reading proper: the records sorted into their channels with the list of
// ticks (phase 1), then every channel aligned on that list (phase 2). A
// channel keeps only its raw values while it has a record on every tick of
// the list; its own ticks and IDs are kept only once they differ from the
// list's and from its first record's.
class RecordPhase
{
public:
    // `memoryBytes`: what the filled values may take, -1 for the system's free memory.
    // `bytesPerRow`: what the columns computed after the read add per row.
    RecordPhase(const ChannelSlots& channels, qint64 maxFilledValues, qint64 memoryBytes,
                qint64 bytesPerRow)
        : m_slots(channels), m_channels(size_t(channels.count())),
          m_maxFilledValues(maxFilledValues), m_memoryBytes(memoryBytes), m_bytesPerRow(bytesPerRow)
    {
    }

    enum class Refusal { None, TooManyValues, TooLittleMemory };
    Refusal refusal() const { return m_refusal; }
    // TooLittleMemory: what filling needed, and what there was.
    qint64 neededBytes() const { return m_neededBytes; }
    qint64 availableBytes() const { return m_availableBytes; }

    // Counts the records of each channel, so each gets exactly its room.
    // Returns the number of records.
    qint64 count(RecordChunks& chunks)
    {
        qint64 total = 0;
        const uchar* bytes = nullptr;
        if (!chunks.rewind())
            return 0;
        // Four tallies, so that runs of one ID do not wait on one counter.
        std::array<std::array<qint64, 256>, 4> perId{};
        while (const qint64 records = chunks.next(bytes)) {
            qint64 i = 0;
            for (; i + 4 <= records; i += 4) {
                ++perId[0][bytes[i * kLogRecordSize]];
                ++perId[1][bytes[(i + 1) * kLogRecordSize]];
                ++perId[2][bytes[(i + 2) * kLogRecordSize]];
                ++perId[3][bytes[(i + 3) * kLogRecordSize]];
            }
            for (; i < records; ++i)
                ++perId[0][bytes[i * kLogRecordSize]];
            total += records;
        }
        m_unknownIds.clear();
        for (int id = 0; id < 256; ++id) {
            const qint64 records = perId[0][size_t(id)] + perId[1][size_t(id)] +
                                   perId[2][size_t(id)] + perId[3][size_t(id)];
            m_channels[size_t(m_slots.ofId(quint8(id)))].capacity += records;
            if (records > 0 && !m_slots.isKnown(quint8(id)))
                m_unknownIds.append(id);
        }
        return total;
    }

    // IDs that count() found and the catalogue lacks, ascending.
    const QVector<int>& unknownIds() const { return m_unknownIds; }

    // Returns the number of records handled; fewer than all when cancelled.
    qint64 run(StreamLoger* loger, RecordChunks& chunks, qint64 total)
    {
        for (Channel& channel : m_channels)
            channel.values.reserve(size_t(channel.capacity));

        ProgressGate gate(loger, total);
        qint64 k = 0;
        const uchar* bytes = nullptr;
        qint64 records = 0;
        bool stopped = !chunks.rewind();
        while (!stopped && k < total && (records = std::min(chunks.next(bytes), total - k)) > 0) {
            for (qint64 i = 0; i < records; ++i) {
                if (k == gate.next())
                    gate.pass(k);
                const uchar* const source = bytes + i * kLogRecordSize;
                const quint32 tick = protocolformat::readUInt32(source + 1);
                if (m_ticks.empty() || m_ticks.back() != tick) {
                    m_ascending = m_ascending && (m_ticks.empty() || m_ticks.back() < tick);
                    m_ticks.push_back(tick);
                }
                m_channels[size_t(m_slots.ofId(source[0]))].add(
                    source[0], tick, qint32(protocolformat::readUInt32(source + 5)), m_ticks);
                ++k;
                if (g_cancelled) {
                    stopped = true;
                    break;
                }
            }
        }
        m_ticks.shrink_to_fit();
        return k;
    }

    ProtocolColumns fill(StreamLoger* loger)
    {
        std::vector<int> present;
        for (int slot = 0; slot < m_slots.count(); ++slot) {
            if (!m_channels[size_t(slot)].values.empty())
                present.push_back(slot);
        }
        std::sort(present.begin(), present.end(),
                  [this](int a, int b) { return m_slots.code(a) < m_slots.code(b); });
        const auto tickCount = qint64(m_ticks.size());
        qint64 stepCount = tickCount * qint64(present.size());
        // Too large to fill: empty series rather than running out of memory.
        // Every filled value is a cell of 4 bytes, however few records the
        // file has: one record per tick over 255 channels fills 255 cells.
        if (stepCount > m_maxFilledValues) {
            m_refusal = Refusal::TooManyValues;
        } else {
            const qint64 memory = m_memoryBytes >= 0 ? m_memoryBytes : availableMemoryBytes();
            m_neededBytes = stepCount * qint64(sizeof(qint32)) + tickCount * m_bytesPerRow;
            if (memory >= 0 && m_neededBytes > memory) {
                m_refusal = Refusal::TooLittleMemory;
                m_availableBytes = memory;
            }
        }
        if (m_refusal != Refusal::None)
            stepCount = 0;
        emit loger->startLoad(int(stepCount), QStringLiteral("Заполнение пробелов в таблице"));
        if (m_refusal != Refusal::None)
            return {};

        ProtocolColumns result;
        result.channels.reserve(present.size());
        ProgressGate gate(loger, stepCount);
        qint64 step = 0;
        for (const int slot : present) {
            Channel& channel = m_channels[size_t(slot)];
            result.channels.push_back(
                {m_slots.code(slot), channel.firstId, {}, {}, !m_slots.isKnown(channel.firstId)});
            ChannelColumn& column = result.channels.back();
            if (tickCount == 0 || g_cancelled)
                continue;
            if (m_ascending && channel.aligned && qint64(channel.values.size()) == tickCount) {
                // Nothing to fill; only the progress and the cancel points remain.
                const qint64 kept = passSteps(gate, step, step + tickCount);
                column.values = std::move(channel.values);
                column.ids = std::move(channel.ids);
                column.values.resize(size_t(kept));
                if (!column.ids.empty())
                    column.ids.resize(size_t(kept));
                step += kept;
            } else {
                alignedCopy(channel, column, gate, step);
            }
            channel = Channel();
        }
        result.ticks = std::move(m_ticks);
        return result;
    }

private:
    struct Channel
    {
        std::vector<qint32> values;
        std::vector<quint32> ticks; // own ticks, once they left the common list
        std::vector<quint8> ids;    // per record, once a second ID turned up
        qint64 capacity = 0;
        quint8 firstId = 0;
        bool aligned = true;

        void add(quint8 id, quint32 tick, qint32 value, const std::vector<quint32>& common)
        {
            const size_t n = values.size();
            // While the channel has a record on every tick so far, in tick
            // order, its ticks are the common list's; it needs no copy of them.
            if (aligned && n + 1 != common.size()) {
                aligned = false;
                ticks.reserve(size_t(capacity));
                ticks.assign(common.begin(), common.begin() + qint64(n));
            }
            if (!aligned)
                ticks.push_back(tick);
            if (n == 0) {
                firstId = id;
            } else if (id != firstId && ids.empty()) {
                ids.reserve(size_t(capacity));
                ids.assign(n, firstId);
            }
            if (!ids.empty())
                ids.push_back(id);
            values.push_back(value);
        }
    };

    // The channel on every tick of the list: where it has no record of its
    // own, its last value (before its first record, the first one's value).
    void alignedCopy(const Channel& source, ChannelColumn& column, ProgressGate& gate, qint64& step)
    {
        const std::vector<quint32>& ownTicks = source.aligned ? m_ticks : source.ticks;
        const bool withIds = !source.ids.empty();
        const size_t count = source.values.size();
        column.values.reserve(m_ticks.size());
        if (withIds)
            column.ids.reserve(m_ticks.size());
        size_t next = 0;
        qint32 value = source.values.front();
        quint8 id = withIds ? source.ids.front() : source.firstId;
        for (const quint32 tick : m_ticks) {
            if (step == gate.next())
                gate.pass(step);
            if (next != count && ownTicks[next] == tick) {
                value = source.values[next];
                if (withIds)
                    id = source.ids[next];
                do
                    ++next;
                while (next != count && ownTicks[next] <= tick);
            }
            column.values.push_back(value);
            if (withIds)
                column.ids.push_back(id);
            ++step;
            if (g_cancelled)
                break;
        }
    }

    // Emits the progress of steps [from, end) and processes events where
    // due; returns how many of the steps are done, which is fewer when the
    // cancel flag turned up at one of them (that step still counts).
    static qint64 passSteps(ProgressGate& gate, qint64 from, qint64 end)
    {
        while (gate.next() < end) {
            const qint64 at = gate.next();
            gate.pass(at);
            if (g_cancelled)
                return at - from + 1;
        }
        return end - from;
    }

    const ChannelSlots& m_slots;
    QVector<int> m_unknownIds;
    std::vector<Channel> m_channels;
    std::vector<quint32> m_ticks;
    bool m_ascending = true;
    qint64 m_maxFilledValues;
    qint64 m_memoryBytes;
    qint64 m_bytesPerRow;
    Refusal m_refusal = Refusal::None;
    qint64 m_neededBytes = 0;
    qint64 m_availableBytes = 0;
};

// The old per-record form of a read: every record of a channel carries the
// row's tick. A QVector holds fewer records than a compact read allows; a
// read too long for it comes back empty.
ChannelRecords toRecords(const ProtocolColumns& columns)
{
    ChannelRecords result;
    constexpr size_t kMaxVector = size_t(std::numeric_limits<int>::max()) / sizeof(LogRecord);
    if (columns.ticks.size() > kMaxVector)
        return result;
    for (const ChannelColumn& column : columns.channels) {
        QVector<LogRecord>& records = result[column.code];
        records.resize(int(column.values.size()));
        for (size_t j = 0; j < column.values.size(); ++j) {
            LogRecord& record = records[int(j)];
            record.id = column.ids.empty() ? column.id : column.ids[j];
            record.tick = columns.ticks[j];
            record.value = column.values[j];
        }
    }
    return result;
}

// A real value scaled to a raw one, cut toward zero. Binary fractions make
// 0.29 * 100 come out as 28.999999999999996; such representation noise is
// rounded away first so the cut does not lose a whole unit.
bool scaleToRaw(double value, int rate, qint32& raw)
{
    const double scaled = value * std::pow(10.0, rate);
    if (!std::isfinite(scaled))
        return false;
    const double nearest = std::round(scaled);
    // A few units in the last place: enough for the noise, never a real fraction.
    const double noise = 8 * std::numeric_limits<double>::epsilon() * std::abs(scaled);
    const double cut =
        std::abs(scaled - nearest) <= std::max(noise, 1e-12) ? nearest : std::trunc(scaled);
    if (cut < double(std::numeric_limits<qint32>::min()) ||
        cut > double(std::numeric_limits<qint32>::max()))
        return false;
    raw = qint32(cut);
    return true;
}

// The header of an open file, read from its start; false when the file is
// too short to carry one or lacks the signature.
bool readHeader(QFile& file, ProtocolHeader& header)
{
    const QByteArray bytes = file.read(kProtocolHeaderSize);
    if (bytes.size() < kProtocolHeaderSize)
        return false;
    header = protocolformat::decodeHeader(reinterpret_cast<const uchar*>(bytes.constData()));
    return protocolformat::hasSignature(header);
}
} // namespace

StreamLoger* StreamLoger::instance()
{
    if (!g_instance)
        g_instance = new StreamLoger;
    return g_instance;
}

void StreamLoger::release()
{
    delete g_instance;
    g_instance = nullptr;
}

void StreamLoger::cancelLoad()
{
    g_cancelled = true;
}

bool StreamLoger::init(const QString& path)
{
    return m_catalogue.init(path);
}

QString StreamLoger::lastError() const
{
    return m_catalogue.lastError();
}

QString StreamLoger::russianError() const
{
    return m_catalogue.russianError();
}

QString StreamLoger::definitionPath() const
{
    return m_catalogue.definitionPath();
}

QStringList StreamLoger::codes() const
{
    return m_catalogue.codes();
}

int StreamLoger::channelId(const QString& code) const
{
    return m_catalogue.channelId(code);
}

QString StreamLoger::channelName(const QString& code) const
{
    return m_catalogue.channelName(code);
}

QString StreamLoger::channelTitle(const QString& code) const
{
    return m_catalogue.channelTitle(code);
}

QString StreamLoger::codeByTitle(const QString& title) const
{
    return m_catalogue.codeByTitle(title);
}

int StreamLoger::rateById(int id) const
{
    return m_catalogue.rateById(id);
}

int StreamLoger::rateByCode(const QString& code) const
{
    return m_catalogue.rateByCode(code);
}

bool StreamLoger::hasRefs(const QString& code) const
{
    return m_catalogue.hasRefs(code);
}

QString StreamLoger::refText(const QString& code, int raw) const
{
    return m_catalogue.refText(code, raw);
}

QStringList StreamLoger::groupsOfCode(const QString& code) const
{
    return m_catalogue.groupsOfCode(code);
}

QDir StreamLoger::protocolDir() const
{
    return m_catalogue.protocolDir();
}

bool StreamLoger::hasProtocolDir() const
{
    const QDir dir = m_catalogue.protocolDir();
    return m_catalogue.hasProtocolDir() && dir.exists() && !dir.absolutePath().isEmpty();
}

QList<ProtocolInfo> StreamLoger::protocolList()
{
    QList<ProtocolInfo> list;
    const QDir dir = m_catalogue.protocolDir();
    if (!hasProtocolDir())
        return list;

    const QString openPath =
        m_file.isOpen() ? QFileInfo(m_file.fileName()).absoluteFilePath() : QString();
    const QStringList names =
        dir.entryList({QStringLiteral("*.log")}, QDir::Files, QDir::Name | QDir::IgnoreCase);
    for (const QString& name : names) {
        const QString path = dir.absoluteFilePath(name);
        ProtocolHeader header;
        if (path == openPath) {
            // The open protocol's header may not have reached the disk yet.
            header = m_header;
        } else {
            QFile file;
            if (!readablefile::open(file, path).ok() || !readHeader(file, header))
                continue;
        }
        list.append({protocolformat::startOf(header), protocolformat::description(header), name});
    }
    return list;
}

bool StreamLoger::openProtocol(int mode, quint16 tickMs, const QString& name)
{
    switch (mode) {
    case Reading:
        return openForReading(name);
    case Writing:
        return openForWriting(tickMs, name);
    default:
        return false;
    }
}

bool StreamLoger::failRead(ReadProblem::Kind kind, const QString& detail)
{
    m_readProblem.kind = kind;
    m_readProblem.detail = detail;
    return false;
}

void StreamLoger::setReadLimits(qint64 maxRecords, qint64 maxFilledValues, qint64 memoryBytes)
{
    m_memoryBytes = memoryBytes;
    m_maxRecords = qBound<qint64>(1, maxRecords, kMaxRecords);
    m_maxFilledValues = qBound<qint64>(1, maxFilledValues, kMaxFilledValues);
}

bool StreamLoger::openForReading(const QString& name)
{
    m_mode = Closed;
    m_file.close();
    m_readProblem = ReadProblem();
    m_channelProblem = ReadProblem();
    m_readProblem.file = name;
    // A bare name lies in the protocol directory; a full path needs none.
    const bool absolute = QFileInfo(name).isAbsolute();
    if (!absolute && !hasProtocolDir())
        return failRead(ReadProblem::Kind::CannotOpen, QStringLiteral("no protocol directory"));
    const QString path = absolute ? name : m_catalogue.protocolDir().absoluteFilePath(name);
    // Problems name the file where it was looked for, not the bare name given.
    m_readProblem.file = path;
    const readablefile::Status opened = readablefile::open(m_file, path);
    if (opened.result == readablefile::Result::NotRegular)
        return failRead(ReadProblem::Kind::NotRegularFile, opened.detail);
    if (!opened.ok())
        return failRead(ReadProblem::Kind::CannotOpen, opened.englishReason());
    ProtocolHeader header;
    if (!readHeader(m_file, header)) {
        m_file.close();
        return failRead(ReadProblem::Kind::NotProtocol);
    }
    m_header = header;
    m_start = protocolformat::startOf(header);
    m_openRecords = (m_file.size() - kProtocolHeaderSize) / kLogRecordSize;
    m_mode = Reading;
    return true;
}

bool StreamLoger::openForWriting(quint16 tickMs, const QString& description)
{
    m_mode = Closed;
    m_file.close();
    const QDir dir = m_catalogue.protocolDir();
    // No tick length would make every automatic tick a division by zero.
    if (tickMs == 0 || !m_catalogue.hasProtocolDir())
        return false;

    const QDateTime now = QDateTime::currentDateTime();
    ProtocolHeader header;
    protocolformat::setStart(header, now);
    protocolformat::setDescription(header, description);
    header.tickMs = tickMs;

    // A second protocol in the same second would otherwise empty the first.
    m_file.setFileName(dir.absoluteFilePath(protocolformat::fileNameFor(now)));
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        return false;
    const QByteArray bytes = protocolformat::encodeHeader(header);
    if (m_file.write(bytes) != bytes.size() || !m_file.flush()) {
        m_file.close();
        return false;
    }
    m_header = header;
    // The header stores whole seconds; automatic ticks count from the same instant.
    m_start = now.addMSecs(-now.time().msec());
    m_lastValues.clear();
    m_mode = Writing;
    return true;
}

void StreamLoger::closeProtocol()
{
    m_file.close();
    m_mode = Closed;
}

void StreamLoger::protocolTimeBase(QDateTime& start, quint16& tickMs) const
{
    start = m_start;
    tickMs = m_header.tickMs;
}

QDateTime StreamLoger::tickToDateTime(quint32 tick) const
{
    return m_start.addMSecs(qint64(tick) * qint64(m_header.tickMs));
}

ChannelRecords StreamLoger::readProtocol()
{
    return toRecords(readProtocolColumns());
}

ProtocolColumns StreamLoger::readProtocolColumns()
{
    g_cancelled = false;
    if (m_mode != Reading || !m_file.isReadable())
        return {};

    ChannelSlots channels(m_catalogue);
    RecordPhase reading(channels, m_maxFilledValues, m_memoryBytes,
                        m_computedColumns * qint64(sizeof(double)));
    RecordChunks chunks(m_file, m_maxRecords);
    const qint64 recordCount = reading.count(chunks);
    m_channelProblem = ReadProblem();
    if (!reading.unknownIds().isEmpty()) {
        m_channelProblem.kind = ReadProblem::Kind::UnknownIds;
        m_channelProblem.file = m_readProblem.file;
        m_channelProblem.ids = reading.unknownIds();
        m_channelProblem.definition = m_catalogue.definitionPath();
    }
    // A read keeps 4 bytes per record and 4 per row tick, and their own
    // ticks for channels that miss some; a file that cannot fit is refused,
    // not half read. Gap filling is checked once the rows are known.
    constexpr qint64 kBytesPerRecord = 12;
    const qint64 memory = m_memoryBytes >= 0 ? m_memoryBytes : availableMemoryBytes();
    if (memory >= 0 && recordCount * kBytesPerRecord > memory) {
        m_readProblem.kind = ReadProblem::Kind::TooLarge;
        m_readProblem.limit = memory;
        m_readProblem.needed = recordCount * kBytesPerRecord;
        return {};
    }
    // Only the first records of an oversized file are read; say so.
    if ((m_file.size() - kProtocolHeaderSize) / kLogRecordSize > m_maxRecords) {
        m_readProblem.kind = ReadProblem::Kind::RecordLimit;
        m_readProblem.limit = m_maxRecords;
    }

    emit startLoad(int(recordCount), QStringLiteral("Загрузка протокола ") +
                                         QFileInfo(m_file.fileName()).absoluteFilePath());
    if (m_eventsWhileReading)
        QCoreApplication::processEvents();

    const qint64 handled = reading.run(this, chunks, recordCount);
    emit progressLoad(int(handled));
    // Fewer records than the file held when it was opened, and no cancel:
    // another program cut it short meanwhile. What was read is kept, but
    // never passed off as the whole file.
    const qint64 expected = std::min(m_openRecords, m_maxRecords);
    if (!g_cancelled && handled < expected) {
        m_readProblem.kind = ReadProblem::Kind::CutShort;
        m_readProblem.limit = expected;
        m_readProblem.handled = handled;
    }
    ProtocolColumns result = reading.fill(this);
    switch (reading.refusal()) {
    case RecordPhase::Refusal::None:
        break;
    case RecordPhase::Refusal::TooManyValues:
        m_readProblem.kind = ReadProblem::Kind::FilledStepLimit;
        m_readProblem.limit = m_maxFilledValues;
        break;
    case RecordPhase::Refusal::TooLittleMemory:
        m_readProblem.kind = ReadProblem::Kind::TooLarge;
        m_readProblem.limit = reading.availableBytes();
        m_readProblem.needed = reading.neededBytes();
        break;
    }
    return result;
}

bool StreamLoger::writeValue(const QString& code, qint32 raw, bool force, quint32 tick)
{
    const QString key = code.trimmed();
    if (m_mode != Writing || !m_catalogue.hasCode(key) || !m_file.isWritable())
        return false;
    // A record has one byte for the ID; a larger one would land on another channel.
    const int id = m_catalogue.channelId(key);
    if (id < 0 || id > 255)
        return false;
    if (!force) {
        const auto it = m_lastValues.constFind(key);
        if (it != m_lastValues.cend() && it.value() == raw)
            return true;
    }
    if (tick == 0) {
        const qint64 elapsed = m_start.msecsTo(QDateTime::currentDateTime()) / m_header.tickMs;
        tick = quint32(std::clamp<qint64>(elapsed, 0, std::numeric_limits<quint32>::max()));
    }
    LogRecord record;
    record.id = quint8(id);
    record.tick = tick;
    record.value = raw;
    const QByteArray bytes = protocolformat::encodeRecord(record);
    // Flushed at once: a protocol being written is complete on disk after every record.
    if (m_file.write(bytes) != bytes.size() || !m_file.flush())
        return false;
    m_lastValues.insert(key, raw);
    return true;
}

bool StreamLoger::writeReal(const QString& code, double value, bool force, quint32 tick)
{
    qint32 raw = 0;
    if (!scaleToRaw(value, rateByCode(code.trimmed()), raw))
        return false;
    return writeValue(code, raw, force, tick);
}
