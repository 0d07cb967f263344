#pragma once

#include <QByteArray>
#include <QCoreApplication>
#include <QString>
#include <QTemporaryDir>
#include <QtGlobal>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

// Helpers shared by the fuzz targets.
namespace fuzz {

// A broken property is a finding: abort, so the fuzzer keeps the input.
inline void require(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "violated: %s\n", what);
        std::abort();
    }
}

// Qt's warnings about odd file names and the like would flood the log.
inline void silenceQt()
{
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
}

// Starts the application object the code under test needs, silenced, and
// gives the run's scratch folder. A zone, where named, is set before Qt
// first reads it.
inline QTemporaryDir& startCore(int* argc, char*** argv, const char* zone = nullptr)
{
    if (zone)
        qputenv("TZ", zone);
    static QCoreApplication application(*argc, *argv);
    silenceQt();
    static QTemporaryDir scratch;
    return scratch;
}

// Takes values from the front of the fuzz bytes; past the end every value is 0.
class Bytes
{
public:
    Bytes(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}

    size_t left() const { return m_size - m_at; }
    bool empty() const { return m_at == m_size; }

    uint8_t byte() { return m_at < m_size ? m_data[m_at++] : 0; }
    uint16_t u16() { return uint16_t(byte() | byte() << 8); }
    uint32_t u32() { return uint32_t(u16()) | uint32_t(u16()) << 16; }
    // 0 … bound-1; bound > 0.
    uint32_t below(uint32_t bound) { return bound <= 256 ? byte() % bound : u32() % bound; }
    bool flag() { return byte() & 1; }

    QByteArray take(size_t count)
    {
        count = std::min(count, left());
        QByteArray out(reinterpret_cast<const char*>(m_data + m_at), int(count));
        m_at += count;
        return out;
    }
    QByteArray rest() { return take(left()); }

private:
    const uint8_t* m_data;
    size_t m_size;
    size_t m_at = 0;
};

} // namespace fuzz
