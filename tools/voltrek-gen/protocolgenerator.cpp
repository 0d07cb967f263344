#include "protocolgenerator.h"

#include "protocol/protocolformat.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>
#include <QSaveFile>

#include <cmath>
#include <limits>

namespace {
constexpr double kPi = 3.14159265358979323846;

struct PatternName
{
    const char* name;
    Pattern pattern;
    QVector<double> defaults;
};

const QList<PatternName>& patternNames()
{
    static const QList<PatternName> names = {
        {"sine", Pattern::Sine, {10, 600, 0}},   // amplitude, period in ticks, offset
        {"ramp", Pattern::Ramp, {1, 0, 100}},    // step per tick, minimum, maximum
        {"steps", Pattern::Steps, {10, 100, 5}}, // height, ticks per step, steps
        {"noise", Pattern::Noise, {0, 1}},       // mean, spread
        {"states", Pattern::States, {3, 200}},   // states, mean ticks per state
    };
    return names;
}

// A value in [0, 1) that depends only on its arguments, so that any tick of
// any channel can be computed on its own.
double hashUnit(quint32 seed, quint32 channel, quint64 tick)
{
    quint64 x = (quint64(seed) << 32 | channel) ^ (tick * 0x9E3779B97F4A7C15ull);
    x ^= x >> 30;
    x *= 0xBF58476D1CE4E5B9ull;
    x ^= x >> 27;
    x *= 0x94D049BB133111EBull;
    x ^= x >> 31;
    return double(x >> 11) / double(1ull << 53);
}

qint32 toRaw(double value, int rate)
{
    const double raw = std::round(value * std::pow(10.0, rate));
    if (raw >= double(std::numeric_limits<qint32>::max()))
        return std::numeric_limits<qint32>::max();
    if (raw <= double(std::numeric_limits<qint32>::min()))
        return std::numeric_limits<qint32>::min();
    return qint32(raw);
}

bool writeFile(const QString& path, const QByteArray& bytes, QString& error)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        error = QStringLiteral("cannot write %1: %2").arg(path, file.errorString());
        return false;
    }
    return true;
}
} // namespace

bool parseChannel(const QString& text, ChannelPlan& channel, QString& error)
{
    const QStringList fields = text.split(QLatin1Char(':'));
    if (fields.size() < 3 || fields.size() > 5) {
        error = QStringLiteral("channel \"%1\": expected CODE:ID:PATTERN[:RATE[:NAME]]").arg(text);
        return false;
    }
    channel = ChannelPlan();
    channel.code = fields[0].trimmed();
    bool ok = false;
    channel.id = fields[1].toInt(&ok);
    if (channel.code.isEmpty() || !ok || channel.id < 1 || channel.id > 255) {
        error = QStringLiteral("channel \"%1\": needs a code and an ID from 1 to 255").arg(text);
        return false;
    }
    const QStringList pattern = fields[2].split(QLatin1Char(','));
    const QString patternName = pattern.first().trimmed().toLower();
    bool known = false;
    for (const PatternName& candidate : patternNames()) {
        if (patternName == QLatin1String(candidate.name)) {
            channel.pattern = candidate.pattern;
            channel.parameters = candidate.defaults;
            known = true;
        }
    }
    if (!known || pattern.size() - 1 > channel.parameters.size()) {
        error = QStringLiteral("channel \"%1\": unknown pattern or too many parameters").arg(text);
        return false;
    }
    for (int i = 1; i < pattern.size(); ++i) {
        channel.parameters[i - 1] = pattern[i].toDouble(&ok);
        if (!ok) {
            error = QStringLiteral("channel \"%1\": parameter \"%2\" is no number")
                        .arg(text, pattern[i]);
            return false;
        }
    }
    if (fields.size() > 3) {
        channel.rate = fields[3].toInt(&ok);
        if (!ok || channel.rate < 0 || channel.rate > 9) {
            error = QStringLiteral("channel \"%1\": RATE must be 0 to 9").arg(text);
            return false;
        }
    }
    channel.name = fields.size() > 4 ? fields[4] : channel.code;
    if (channel.pattern == Pattern::States) {
        const int count = qBound(1, int(channel.parameters[0]), 1000);
        for (int i = 0; i < count; ++i)
            channel.states.append(QStringLiteral("Состояние %1").arg(i));
    }
    return true;
}

double patternValue(const ChannelPlan& channel, qint64 tick, quint32 seed)
{
    const QVector<double>& p = channel.parameters;
    const auto t = double(tick);
    switch (channel.pattern) {
    case Pattern::Sine:
        return p[2] + p[0] * std::sin(2 * kPi * t / std::max(1.0, p[1]));
    case Pattern::Ramp: {
        const double span = p[2] - p[1];
        return span > 0 ? p[1] + std::fmod(t * p[0], span) : p[1];
    }
    case Pattern::Steps: {
        const auto length = qint64(std::max(1.0, p[1]));
        const auto count = qint64(std::max(1.0, p[2]));
        return p[0] * double((tick / length) % count);
    }
    case Pattern::Noise:
        return p[0] + p[1] * (2 * hashUnit(seed, quint32(channel.id), quint64(tick)) - 1);
    case Pattern::States: {
        // Each state lasts between half and one and a half of the mean length.
        const auto count = qint64(std::max(1.0, p[0]));
        const auto mean = qint64(std::max(1.0, p[1]));
        const qint64 block = tick / mean;
        const double shift = hashUnit(seed, quint32(channel.id) + 1000, quint64(block)) - 0.5;
        const qint64 state =
            block + ((tick % mean) < mean / 2 + qint64(shift * double(mean)) ? 0 : 1);
        return double(state % count);
    }
    }
    return 0;
}

qint64 writeProtocol(const ProtocolPlan& plan, const QString& path, QString& error)
{
    ProtocolHeader header;
    protocolformat::setStart(header, plan.start);
    protocolformat::setDescription(header, plan.description);
    header.tickMs = plan.tickMs;

    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        error = QStringLiteral("cannot write %1: %2").arg(path, file.errorString());
        return -1;
    }
    QByteArray out = protocolformat::encodeHeader(header);
    QRandomGenerator random(plan.seed);
    QVector<qint32> last(plan.channels.size());
    QVector<bool> written(plan.channels.size(), false);
    qint64 records = 0;
    const qint64 limit = plan.maxRecords < 0 ? std::numeric_limits<qint64>::max() : plan.maxRecords;

    // The records of one tick, or of two when they are written out of order.
    const auto recordsOf = [&](qint64 tick) {
        QByteArray bytes;
        for (int c = 0; c < plan.channels.size(); ++c) {
            const ChannelPlan& channel = plan.channels[c];
            const qint32 raw = toRaw(patternValue(channel, tick, plan.seed), channel.rate);
            const bool changed = !written[c] || last[c] != raw;
            if (plan.onChange && !changed)
                continue;
            if (plan.gapPercent > 0 && random.bounded(100.0) < plan.gapPercent)
                continue;
            LogRecord record;
            record.id = quint8(channel.id);
            record.tick = quint32(tick);
            record.value = raw;
            bytes += protocolformat::encodeRecord(record);
            last[c] = raw;
            written[c] = true;
        }
        return bytes;
    };

    for (qint64 tick = 0; tick < plan.ticks && records < limit; ++tick) {
        QByteArray bytes;
        if (plan.outOfOrderPercent > 0 && tick + 1 < plan.ticks &&
            random.bounded(100.0) < plan.outOfOrderPercent) {
            const QByteArray later = recordsOf(tick + 1);
            bytes = later + recordsOf(tick);
            ++tick;
        } else {
            bytes = recordsOf(tick);
        }
        const qint64 count = std::min<qint64>(bytes.size() / kLogRecordSize, limit - records);
        out.append(bytes.constData(), int(count * kLogRecordSize));
        records += count;
        if (out.size() >= (1 << 20)) {
            if (file.write(out) != out.size())
                break;
            out.clear();
        }
    }
    for (int i = 0; i < plan.trailingBytes % kLogRecordSize; ++i)
        out.append(char(0x5A));
    if (file.write(out) != out.size() || !file.commit()) {
        error = QStringLiteral("cannot write %1: %2").arg(path, file.errorString());
        return -1;
    }
    return records;
}

QByteArray logDefinition(const QList<ChannelPlan>& channels, const QString& root)
{
    QStringList groupOrder;
    QMap<QString, QJsonArray> groups;
    for (const ChannelPlan& channel : channels) {
        QJsonObject value{{"CODE", channel.code},
                          {"ID", channel.id},
                          {"NAME", channel.name},
                          {"RATE", channel.rate}};
        if (!channel.states.isEmpty()) {
            QJsonArray refs;
            for (int i = 0; i < channel.states.size(); ++i)
                refs.append(QJsonObject{{"VALUE", i}, {"STRING", channel.states[i]}});
            value.insert(QStringLiteral("REFS"), refs);
        }
        if (!groupOrder.contains(channel.group))
            groupOrder.append(channel.group);
        groups[channel.group].append(value);
    }
    QJsonArray content;
    for (const QString& group : groupOrder)
        content.append(QJsonObject{{"GROUP", group}, {"VALUES", groups[group]}});
    return QJsonDocument(QJsonObject{{"ROOT", root}, {"CONTENT", content}}).toJson();
}

QList<ChannelPlan> demoChannels()
{
    const auto make = [](const char* code, int id, const QString& name, int rate,
                         const QString& group, Pattern pattern, QVector<double> parameters) {
        ChannelPlan channel;
        channel.code = QString::fromLatin1(code);
        channel.id = id;
        channel.name = name;
        channel.rate = rate;
        channel.group = group;
        channel.pattern = pattern;
        channel.parameters = std::move(parameters);
        return channel;
    };
    const QString power = QStringLiteral("Электропитание");
    const QString engine = QStringLiteral("Двигатель");
    const QString mode = QStringLiteral("Режим");
    QList<ChannelPlan> channels = {
        make("U1", 1, QStringLiteral("Напряжение"), 1, power, Pattern::Sine, {12, 900, 220}),
        make("I1", 2, QStringLiteral("Ток"), 2, power, Pattern::Sine, {3.5, 420, 10}),
        make("F1", 3, QStringLiteral("Частота"), 2, power, Pattern::Noise, {50, 0.15}),
        make("T1", 4, QStringLiteral("Температура"), 1, engine, Pattern::Ramp, {0.02, 20, 85}),
        make("P1", 5, QStringLiteral("Давление"), 3, engine, Pattern::Noise, {1.013, 0.02}),
        make("N1", 6, QStringLiteral("Обороты"), 0, engine, Pattern::Steps, {500, 400, 4}),
        make("V1", 7, QStringLiteral("Вибрация"), 2, engine, Pattern::Sine, {0.8, 37, 1.2}),
        make("ST", 8, QStringLiteral("Состояние"), 0, mode, Pattern::States, {3, 700}),
    };
    channels.last().states =
        QStringList{QStringLiteral("Останов"), QStringLiteral("Работа"), QStringLiteral("Авария")};
    return channels;
}

bool writeDemo(const QString& dir, QStringList& created, QString& error)
{
    const QString root = QStringLiteral("protocols");
    QDir base(dir);
    if (!base.mkpath(root)) {
        error = QStringLiteral("cannot create %1").arg(base.filePath(root));
        return false;
    }
    const QString definition = base.filePath(QStringLiteral("log.def"));
    if (!QFileInfo::exists(definition)) {
        if (!writeFile(definition, logDefinition(demoChannels(), root), error))
            return false;
        created.append(definition);
    }

    struct Demo
    {
        QDateTime start;
        quint16 tickMs;
        qint64 ticks;
        const char* description;
        bool onChange;
        double gaps;
    };
    const QList<Demo> demos = {
        {QDateTime(QDate(2024, 3, 11), QTime(8, 0, 0)), 1000, 3600, "Пуск стенда, прогрев", false,
         0},
        {QDateTime(QDate(2024, 3, 12), QTime(9, 15, 30)), 1000, 6000, "Испытание под нагрузкой",
         false, 5},
        {QDateTime(QDate(2024, 3, 14), QTime(13, 40, 0)), 1000, 4000, "Запись по изменению", true,
         0},
        {QDateTime(QDate(2024, 3, 18), QTime(7, 5, 12)), 1000, 2400, "Останов и авария", false, 0},
    };
    quint32 seed = 11;
    for (const Demo& demo : demos) {
        const QString path =
            base.filePath(root + QLatin1Char('/') + protocolformat::fileNameFor(demo.start));
        ++seed;
        if (QFileInfo::exists(path))
            continue;
        ProtocolPlan plan;
        plan.start = demo.start;
        plan.tickMs = demo.tickMs;
        plan.ticks = demo.ticks;
        plan.description = QString::fromUtf8(demo.description);
        plan.channels = demoChannels();
        plan.onChange = demo.onChange;
        plan.gapPercent = demo.gaps;
        plan.seed = seed;
        if (writeProtocol(plan, path, error) < 0)
            return false;
        created.append(path);
    }
    return true;
}
