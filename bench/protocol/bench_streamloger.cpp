// Reading a protocol (16 channels, every channel on every tick) against two
// bare baselines of the same run: a loop that only decodes the bytes in
// memory, and a bare reader that reads the file and copies each record into
// its channel's vector. Also what a progress signal per step would cost, and
// listing a directory of protocols against bare header reads.
//
//   bench_streamloger                    1 000 000 records, 1 000 protocols
//   bench_streamloger --records=10000000 other sizes (repeatable)
//   bench_streamloger --warm-heap        keep freed memory in the process, so
//                                        repeated reads do not pay the kernel's
//                                        first-touch page faults again

#include "bench/protocol/hourlyprotocols.h"
#include "bench/ratioreporter.h"
#include "protocol/protocolformat.h"
#include "protocol/streamloger.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <malloc.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace {
constexpr int kChannels = 16;
constexpr int kProtocols = 1000;

QTemporaryDir* g_dir = nullptr;
std::map<qint64, QByteArray> g_files; // record count -> file bytes

QString fileName(qint64 records)
{
    return QStringLiteral("r%1.log").arg(records);
}

// Every channel on every tick, values changing all the time.
QByteArray makeProtocol(qint64 records)
{
    ProtocolHeader header;
    protocolformat::setStart(header, QDateTime(QDate(2024, 1, 15), QTime(8, 0, 0)));
    header.tickMs = 100;
    QByteArray bytes = protocolformat::encodeHeader(header);
    bytes.resize(int(kProtocolHeaderSize + records * kLogRecordSize));
    auto* out = reinterpret_cast<uchar*>(bytes.data()) + kProtocolHeaderSize;
    for (qint64 k = 0; k < records; ++k) {
        LogRecord record;
        record.id = quint8(1 + k % kChannels);
        record.tick = quint32(k / kChannels);
        record.value = qint32((k * 7919) % 20001 - 10000);
        protocolformat::encodeRecord(record, out + k * kLogRecordSize);
    }
    return bytes;
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

void prepare(const std::vector<qint64>& sizes)
{
    g_dir = new QTemporaryDir;
    QByteArray definition = R"({"ROOT": "protocols", "CONTENT": [{"GROUP": "bench", "VALUES": [)";
    for (int c = 1; c <= kChannels; ++c)
        definition +=
            QStringLiteral(R"(%1{"CODE": "CH%2", "ID": %2, "NAME": "Канал %2", "RATE": 1})")
                .arg(c > 1 ? "," : "")
                .arg(c)
                .toUtf8();
    definition += "]}]}";
    writeFile(g_dir->filePath("log.def"), definition);
    StreamLoger::instance()->init(g_dir->path());
    const QDir protocols(g_dir->filePath("protocols"));
    for (const qint64 size : sizes) {
        g_files[size] = makeProtocol(size);
        writeFile(protocols.filePath(fileName(size)), g_files[size]);
    }
    QDir().mkpath(g_dir->filePath("many"));
    writeFile(g_dir->filePath("many/log.def"), definition.replace("protocols", ""));
    writeHourlyProtocols(g_dir->filePath("many"), kProtocols, [](int) { return 100; });
}

// Bare: decode every record of the same bytes, nothing else.
void BM_BareDecode(benchmark::State& state)
{
    const QByteArray& bytes = g_files[state.range(0)];
    const auto* data = reinterpret_cast<const uchar*>(bytes.constData()) + kProtocolHeaderSize;
    const qint64 records = state.range(0);
    for (auto _ : state) {
        quint64 sum = 0;
        for (qint64 k = 0; k < records; ++k) {
            const LogRecord record = protocolformat::decodeRecord(data + k * kLogRecordSize);
            sum += record.id + record.tick + quint32(record.value);
        }
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * records);
}

// Bare reader: read the file into memory and copy every record into its
// channel's vector, with no tick list, no filling, no progress or events.
// What any reader must at least do to hand back per-channel series.
void BM_BareReadToChannels(benchmark::State& state)
{
    const QString path = g_dir->filePath("protocols/" + fileName(state.range(0)));
    for (auto _ : state) {
        QFile file(path);
        file.open(QIODevice::ReadOnly);
        file.seek(kProtocolHeaderSize);
        const QByteArray bytes = file.readAll();
        const auto* data = reinterpret_cast<const uchar*>(bytes.constData());
        const qint64 records = bytes.size() / kLogRecordSize;
        std::vector<int> counts(256, 0);
        for (qint64 k = 0; k < records; ++k)
            ++counts[data[k * kLogRecordSize]];
        std::vector<QVector<LogRecord>> channels(256);
        std::vector<LogRecord*> out(256, nullptr);
        for (int id = 0; id < 256; ++id) {
            channels[size_t(id)].resize(counts[size_t(id)]);
            out[size_t(id)] = channels[size_t(id)].data();
        }
        for (qint64 k = 0; k < records; ++k) {
            const uchar* source = data + k * kLogRecordSize;
            protocolformat::decodeRecordInto(source, *out[source[0]]++);
        }
        benchmark::DoNotOptimize(channels);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

// Open, read both phases with a progress listener connected, close.
void BM_ReadProtocol(benchmark::State& state)
{
    StreamLoger* loger = StreamLoger::instance();
    qint64 emitted = 0;
    const auto connection =
        QObject::connect(loger, &StreamLoger::progressLoad, [&emitted](int) { ++emitted; });
    const QString name = fileName(state.range(0));
    for (auto _ : state) {
        loger->openProtocol(0, 0, name);
        ChannelRecords result = loger->readProtocol();
        loger->closeProtocol();
        if (result.size() != kChannels || result.first().size() != state.range(0) / kChannels)
            state.SkipWithError("unexpected result");
        benchmark::DoNotOptimize(result);
    }
    QObject::disconnect(connection);
    state.counters["signals/read"] = double(emitted) / double(state.iterations());
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

// What a progress signal on every step would add to one read: one emit per
// record and per filled record, with the same listener.
void BM_SignalPerStep(benchmark::State& state)
{
    StreamLoger* loger = StreamLoger::instance();
    qint64 emitted = 0;
    const auto connection =
        QObject::connect(loger, &StreamLoger::progressLoad, [&emitted](int) { ++emitted; });
    const qint64 steps = 2 * state.range(0);
    for (auto _ : state) {
        for (qint64 s = 0; s < steps; ++s)
            emit loger->progressLoad(int(s));
    }
    QObject::disconnect(connection);
    benchmark::DoNotOptimize(emitted);
}

// Bare: open each file of the directory and read its header bytes.
void BM_BareHeaderReads(benchmark::State& state)
{
    const QDir dir(g_dir->filePath("many"));
    for (auto _ : state) {
        int found = 0;
        const QStringList names = dir.entryList({QStringLiteral("*.log")}, QDir::Files);
        for (const QString& name : names) {
            QFile file(dir.filePath(name));
            if (file.open(QIODevice::ReadOnly) && file.read(kProtocolHeaderSize).startsWith("LOG"))
                ++found;
        }
        benchmark::DoNotOptimize(found);
    }
}

void BM_ProtocolList(benchmark::State& state)
{
    StreamLoger* loger = StreamLoger::instance();
    loger->init(g_dir->filePath("many"));
    for (auto _ : state) {
        const QList<ProtocolInfo> list = loger->protocolList();
        if (list.size() != kProtocols)
            state.SkipWithError("unexpected list");
        benchmark::DoNotOptimize(list);
    }
    loger->init(g_dir->path());
}

void printRatio(const RatioReporter& reporter, const char* what, const std::string& slow,
                const std::string& bare)
{
    const double measured = reporter.median(slow);
    const double baseline = reporter.median(bare);
    if (measured > 0 && baseline > 0)
        std::printf("%-44s %8.2fx  (%s / %s)\n", what, measured / baseline, slow.c_str(),
                    bare.c_str());
}
} // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    std::vector<qint64> sizes;
    std::vector<char*> rest;
    for (int i = 0; i < argc; ++i) {
        if (std::strcmp(argv[i], "--warm-heap") == 0) {
            mallopt(M_MMAP_THRESHOLD, 1 << 30);
            mallopt(M_TRIM_THRESHOLD, 1 << 30);
        } else if (std::strncmp(argv[i], "--records=", 10) == 0)
            sizes.push_back(std::atoll(argv[i] + 10) / kChannels * kChannels);
        else
            rest.push_back(argv[i]);
    }
    if (sizes.empty())
        sizes.push_back(1'000'000);
    int restCount = int(rest.size());
    benchmark::Initialize(&restCount, rest.data());
    prepare(sizes);

    for (const qint64 size : sizes) {
        benchmark::RegisterBenchmark("BareDecode", BM_BareDecode)
            ->Arg(size)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark("BareReadToChannels", BM_BareReadToChannels)
            ->Arg(size)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark("ReadProtocol", BM_ReadProtocol)
            ->Arg(size)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark("SignalPerStep", BM_SignalPerStep)
            ->Arg(size)
            ->Unit(benchmark::kMillisecond);
    }
    benchmark::RegisterBenchmark("BareHeaderReads", BM_BareHeaderReads)
        ->Arg(kProtocols)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("ProtocolList", BM_ProtocolList)
        ->Arg(kProtocols)
        ->Unit(benchmark::kMillisecond);

    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);

    std::printf("\nRatios against the bare baselines of this run:\n");
    for (const qint64 size : sizes) {
        const std::string arg = "/" + std::to_string(size);
        printRatio(reporter, ("read + fill, " + std::to_string(size) + " records").c_str(),
                   "ReadProtocol" + arg, "BareDecode" + arg);
        printRatio(reporter, ("read + fill vs bare reader, " + std::to_string(size)).c_str(),
                   "ReadProtocol" + arg, "BareReadToChannels" + arg);
        printRatio(reporter, ("signal per step would add, " + std::to_string(size)).c_str(),
                   "SignalPerStep" + arg, "BareDecode" + arg);
    }
    printRatio(reporter, "protocolList, 1000 protocols", "ProtocolList/1000",
               "BareHeaderReads/1000");
    delete g_dir;
    StreamLoger::release();
    return 0;
}
