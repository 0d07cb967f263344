// Arbitrary bytes through the header and record codec and through reading
// them as a protocol file.

#include "protocol/protocolformat.h"
#include "protocol/streamloger.h"
#include "tests/protocol/protocolfiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace {
std::unique_ptr<QTemporaryDir> g_dir;

void require(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "violated: %s\n", what);
        std::abort();
    }
}

void checkCodec(const uchar* data, size_t size)
{
    if (size >= size_t(kProtocolHeaderSize)) {
        const ProtocolHeader header = protocolformat::decodeHeader(data);
        require(protocolformat::encodeHeader(header) ==
                    QByteArray(reinterpret_cast<const char*>(data), kProtocolHeaderSize),
                "header bytes survive decoding and encoding");
        const QDateTime start = protocolformat::startOf(header);
        if (start.isValid())
            (void)protocolformat::fileNameFor(start);
        const QString description = protocolformat::description(header);
        require(description.size() <= kDescriptionSize, "description fits its field");
        ProtocolHeader rewritten = header;
        protocolformat::setDescription(rewritten, description);
        require(rewritten.description[kDescriptionSize - 1] == '\0', "description keeps its NUL");
    }
    for (size_t at = 0; at + size_t(kLogRecordSize) <= size; at += size_t(kLogRecordSize)) {
        const LogRecord record = protocolformat::decodeRecord(data + at);
        require(protocolformat::encodeRecord(record) ==
                    QByteArray(reinterpret_cast<const char*>(data + at), kLogRecordSize),
                "record bytes survive decoding and encoding");
    }
}

void checkRead(const QByteArray& content)
{
    StreamLoger* loger = StreamLoger::instance();
    const QString dir = g_dir->path() + QStringLiteral("/p");
    require(protocolfiles::write(dir + QStringLiteral("/a.log"), content), "fixture written");
    QByteArray signed_ = content;
    signed_.replace(0, 3, "LOG");
    require(protocolfiles::write(dir + QStringLiteral("/b.log"), signed_), "fixture written");

    const QList<ProtocolInfo> list = loger->protocolList();
    require(list.size() <= 2, "at most the two files are listed");

    for (const char* name : {"a.log", "b.log"}) {
        if (!loger->openProtocol(0, 0, QString::fromLatin1(name)))
            continue;
        (void)loger->tickToDateTime(0xFFFFFFFFu);
        const ChannelRecords result = loger->readProtocol();
        const qint64 records = std::max<qint64>(0, content.size() - kProtocolHeaderSize) / 9;
        for (const QVector<LogRecord>& series : result) {
            const QVector<LogRecord>& first = result.first();
            require(series.size() == first.size(), "series are aligned");
            require(series.size() <= records, "no more ticks than records");
            for (int j = 0; j < series.size(); ++j)
                require(series[j].tick == first[j].tick, "the j-th records share a tick");
        }
        loger->closeProtocol();
    }
}
} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    static QCoreApplication application(*argc, *argv);
    g_dir = std::make_unique<QTemporaryDir>();
    QDir().mkpath(g_dir->path() + QStringLiteral("/p"));
    protocolfiles::write(g_dir->path() + QStringLiteral("/log.def"),
                         R"({"ROOT": "p", "CONTENT": [{"GROUP": "g", "VALUES": [
                  {"CODE": "A", "ID": 1, "RATE": 1}, {"CODE": "B", "ID": 2},
                  {"CODE": "C", "ID": 3, "REFS": [{"VALUE": 1, "STRING": "x"}]},
                  {"CODE": "", "ID": 4}, {"CODE": "D", "ID": 1}]}]})");
    StreamLoger::instance()->init(g_dir->path());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    checkCodec(data, size);
    checkRead(QByteArray(reinterpret_cast<const char*>(data), int(size)));
    return 0;
}
