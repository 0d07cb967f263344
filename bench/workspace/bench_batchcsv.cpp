// A batch CSV run through the workspace (read, assembly, table order, CSV
// writer) against a bare loop that decodes the same protocol, formats the
// same numbers and times and writes the same lines, in the same process:
// CPU seconds of each and their ratio. 1 000 000 ticks x 16 channels
// (--ticks=N for another count). Peak memory of a whole run is measured on
// the program itself: /usr/bin/time -v voltrek -d DIR -l FILE --csv OUT.

#include "protocol/protocolformat.h"
#include "protocol/streamloger.h"
#include "table/numbertext.h"
#include "table/timetextformatter.h"
#include "workspace/workspace.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>

namespace {
constexpr int kChannels = 16;
constexpr int kRate = 1; // one decimal, as most logged channels
const QDateTime kStart(QDate(2024, 3, 5), QTime(10, 0));

double cpuSeconds()
{
    return double(std::clock()) / CLOCKS_PER_SEC;
}

void writeDefinition(const QString& dir)
{
    QByteArray values;
    for (int id = 1; id <= kChannels; ++id) {
        if (id > 1)
            values += ',';
        values += QStringLiteral("{\"CODE\": \"C%1\", \"ID\": %2, \"NAME\": \"Канал %2\", "
                                 "\"RATE\": %3}")
                      .arg(id, 2, 10, QLatin1Char('0'))
                      .arg(id)
                      .arg(kRate)
                      .toUtf8();
    }
    QFile file(dir + QStringLiteral("/log.def"));
    file.open(QIODevice::WriteOnly);
    file.write("{\"ROOT\": \"\", \"CONTENT\": [{\"GROUP\": \"g\", \"VALUES\": [" + values + "]}]}");
}

// Every channel on every tick, changing values of a few digits.
void writeProtocol(const QString& path, int ticks)
{
    ProtocolHeader header;
    protocolformat::setStart(header, kStart);
    header.tickMs = 10;
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(protocolformat::encodeHeader(header));
    QByteArray block;
    uchar bytes[kLogRecordSize];
    for (int tick = 0; tick < ticks; ++tick) {
        for (int id = 1; id <= kChannels; ++id) {
            LogRecord record;
            record.id = quint8(id);
            record.tick = quint32(tick);
            record.value = qint32(std::lround(1000 * std::sin(tick * 0.001 * id)));
            protocolformat::encodeRecord(record, bytes);
            block.append(reinterpret_cast<const char*>(bytes), kLogRecordSize);
        }
        if (block.size() > (1 << 20)) {
            file.write(block);
            block.clear();
        }
    }
    file.write(block);
}

// What any CSV export of the file must do: decode, format, write.
void bareCsv(const QString& path, const QString& out)
{
    QFile in(path);
    in.open(QIODevice::ReadOnly);
    const QByteArray bytes = in.readAll();
    QFile file(out);
    file.open(QIODevice::WriteOnly);
    const TimeTextFormatter times(kStart);
    const double divisor = std::pow(10.0, kRate);
    QString line;
    QString number;
    QByteArray block;
    const auto* record = reinterpret_cast<const uchar*>(bytes.constData()) + kProtocolHeaderSize;
    const auto* end = reinterpret_cast<const uchar*>(bytes.constData()) + bytes.size();
    qint64 lineTick = -1;
    LogRecord decoded;
    for (; record + kLogRecordSize <= end; record += kLogRecordSize) {
        protocolformat::decodeRecordInto(record, decoded);
        if (qint64(decoded.tick) != lineTick) {
            if (lineTick >= 0) {
                line.append(QLatin1Char('\n'));
                block.append(line.toUtf8());
            }
            lineTick = decoded.tick;
            line = times.text(lineTick * 10);
        }
        numbertext::setTextRaw(number, decoded.value, kRate, divisor);
        line.append(QLatin1Char(','));
        line.append(number);
        if (block.size() > (1 << 20)) {
            file.write(block);
            block.clear();
        }
    }
    line.append(QLatin1Char('\n'));
    block.append(line.toUtf8());
    file.write(block);
}
} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    int ticks = 1000000;
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--ticks=", 8) == 0)
            ticks = std::max(1, std::atoi(argv[i] + 8));
    }
    QTemporaryDir dir;
    writeDefinition(dir.path());
    const QString protocol = dir.filePath(QStringLiteral("protocol.log"));
    writeProtocol(protocol, ticks);
    StreamLoger::instance()->init(dir.path());
    StreamLoger::instance()->setEventsWhileReading(false);

    // Each twice, the better kept: the first pass also warms the file cache.
    double bare = 1e9;
    double batch = 1e9;
    double read = 1e9;  // of which reading and assembling
    double write = 1e9; // and writing
    for (int pass = 0; pass < 2; ++pass) {
        double start = cpuSeconds();
        bareCsv(protocol, dir.filePath(QStringLiteral("bare.csv")));
        bare = std::min(bare, cpuSeconds() - start);

        start = cpuSeconds();
        {
            Workspace workspace;
            workspace.read({protocol});
            const double written = cpuSeconds();
            read = std::min(read, written - start);
            ReportRequest request;
            request.csvFile = dir.filePath(QStringLiteral("batch.csv"));
            const QString error = workspace.writeReports(request, nullptr);
            if (!error.isEmpty())
                std::fprintf(stderr, "%s\n", qPrintable(error));
            write = std::min(write, cpuSeconds() - written);
        }
        batch = std::min(batch, cpuSeconds() - start);
    }
    std::printf("%d ticks x %d channels, CPU seconds\n", ticks, kChannels);
    std::printf("%-28s %8.2f\n%-28s %8.2f\n%-28s %8.2f\n%-28s %8.2f\n%-28s %8.2f\n",
                "bare decode+format+write", bare, "workspace batch CSV", batch, "  of which read",
                read, "  of which write", write, "ratio", batch / bare);
    return 0;
}
