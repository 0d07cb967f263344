#include "protocol/protocolformat.h"

#include <QTextCodec>

#include <algorithm>
#include <cstring>

namespace protocolformat {

namespace {
// Header field offsets.
constexpr int kYear = 3;
constexpr int kMonth = 5;
constexpr int kDay = 6;
constexpr int kHour = 7;
constexpr int kMinute = 8;
constexpr int kSecond = 9;
constexpr int kDescription = 10;
constexpr int kTickMs = 137;

QTextCodec* cp1251()
{
    static QTextCodec* const codec = QTextCodec::codecForName("windows-1251");
    return codec;
}
} // namespace

QByteArray encodeRecord(const LogRecord& record)
{
    uchar bytes[kLogRecordSize];
    encodeRecord(record, bytes);
    return QByteArray(reinterpret_cast<const char*>(bytes), kLogRecordSize);
}

ProtocolHeader decodeHeader(const uchar* bytes)
{
    ProtocolHeader header;
    std::memcpy(header.signature, bytes, sizeof header.signature);
    header.year = quint16(bytes[kYear] | bytes[kYear + 1] << 8);
    header.month = bytes[kMonth];
    header.day = bytes[kDay];
    header.hour = bytes[kHour];
    header.minute = bytes[kMinute];
    header.second = bytes[kSecond];
    std::memcpy(header.description, bytes + kDescription, kDescriptionSize);
    header.tickMs = quint16(bytes[kTickMs] | bytes[kTickMs + 1] << 8);
    return header;
}

QByteArray encodeHeader(const ProtocolHeader& header)
{
    uchar bytes[kProtocolHeaderSize] = {};
    std::memcpy(bytes, header.signature, sizeof header.signature);
    bytes[kYear] = uchar(header.year);
    bytes[kYear + 1] = uchar(header.year >> 8);
    bytes[kMonth] = header.month;
    bytes[kDay] = header.day;
    bytes[kHour] = header.hour;
    bytes[kMinute] = header.minute;
    bytes[kSecond] = header.second;
    std::memcpy(bytes + kDescription, header.description, kDescriptionSize);
    bytes[kTickMs] = uchar(header.tickMs);
    bytes[kTickMs + 1] = uchar(header.tickMs >> 8);
    return QByteArray(reinterpret_cast<const char*>(bytes), kProtocolHeaderSize);
}

bool hasSignature(const ProtocolHeader& header)
{
    return header.signature[0] == 'L' && header.signature[1] == 'O' && header.signature[2] == 'G';
}

QDateTime startOf(const ProtocolHeader& header)
{
    const QDate date(header.year, header.month, header.day);
    const QTime time(header.hour, header.minute, header.second);
    // QDateTime would quietly turn an invalid time into midnight.
    if (!date.isValid() || !time.isValid())
        return {};
    // The logger keeps wall-clock time without summer time, so its clock can
    // show an hour that the local zone skips when summer time begins, or one
    // that it repeats when summer time ends. Either is read with the offset in
    // force before the change. (In the repeated hour QDateTime's own choice
    // follows whatever the C library converted last.)
    const QDateTime asUtc(date, time, Qt::UTC);
    const int offsetBefore = asUtc.addDays(-1).toLocalTime().offsetFromUtc();
    const QDateTime before = QDateTime::fromMSecsSinceEpoch(
        asUtc.toMSecsSinceEpoch() - qint64(offsetBefore) * 1000, Qt::LocalTime);
    if (before.date() == date && before.time() == time)
        return before;
    const QDateTime local(date, time);
    return local.isValid() ? local : before;
}

void setStart(ProtocolHeader& header, const QDateTime& start)
{
    const QDate date = start.date();
    const QTime time = start.time();
    header.year = quint16(date.year());
    header.month = quint8(date.month());
    header.day = quint8(date.day());
    header.hour = quint8(time.hour());
    header.minute = quint8(time.minute());
    header.second = quint8(time.second());
}

QString description(const ProtocolHeader& header)
{
    const char* text = header.description;
    const auto length = int(std::find(text, text + kDescriptionSize, '\0') - text);
    return cp1251()->toUnicode(text, length);
}

void setDescription(ProtocolHeader& header, const QString& text)
{
    QTextCodec::ConverterState state(QTextCodec::DefaultConversion);
    const QByteArray bytes = cp1251()->fromUnicode(text.constData(), text.size(), &state);
    std::memset(header.description, 0, kDescriptionSize);
    // CP1251 has one byte per character, so this never splits a character.
    const int length = std::min(int(bytes.size()), kDescriptionSize - 1);
    std::memcpy(header.description, bytes.constData(), size_t(length));
}

QString fileNameFor(const QDateTime& start)
{
    return start.toString(QStringLiteral("yyyy_MM_dd_hh_mm_ss")) + QStringLiteral(".log");
}

} // namespace protocolformat
