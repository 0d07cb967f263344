#include "formula/computedchannelfile.h"

#include "protocol/readablefile.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QSet>

namespace {
constexpr int kVersion = 1;
// Far beyond any hand-written list; keeps a damaged file from filling memory.
constexpr qint64 kMaxFileBytes = 16 * 1024 * 1024;

bool readChannel(const QJsonValue& value, int index, ComputedChannel& channel, QString& error)
{
    const auto fail = [&](const QString& why) {
        error = QStringLiteral("канал %1: %2").arg(index + 1).arg(why);
        return false;
    };
    if (!value.isObject())
        return fail(QStringLiteral("ожидается объект"));
    const QJsonObject object = value.toObject();
    const QJsonValue code = object.value(QStringLiteral("code"));
    const QJsonValue formula = object.value(QStringLiteral("formula"));
    if (!code.isString() || code.toString().trimmed().isEmpty())
        return fail(QStringLiteral("нет кода"));
    if (!formula.isString())
        return fail(QStringLiteral("нет формулы"));
    channel.code = code.toString().trimmed();
    channel.formula = formula.toString();
    channel.name = object.value(QStringLiteral("name")).toString();
    const QJsonValue decimals = object.value(QStringLiteral("decimals"));
    if (!decimals.isUndefined()) {
        const double places = decimals.toDouble(-1);
        if (places < 0 || places > ComputedChannel::maxDecimals || places != int(places))
            return fail(QStringLiteral("число знаков должно быть от 0 до %1")
                            .arg(ComputedChannel::maxDecimals));
        channel.decimals = int(places);
    }
    return true;
}
} // namespace

QString ComputedChannelFile::pathIn(const QString& directory)
{
    return QDir(directory).filePath(fileName());
}

bool ComputedChannelFile::load(const QString& path, ComputedChannels& channels, QString& error)
{
    channels.clear();
    error.clear();
    QFile file(path);
    if (!file.exists())
        return true;
    const QString named = QDir::toNativeSeparators(path);
    QByteArray bytes;
    if (const readablefile::Status read = readablefile::readAll(path, kMaxFileBytes, bytes);
        !read.ok()) {
        error = QStringLiteral("Файл %1 не прочитан: %2").arg(named, read.russianReason());
        return false;
    }
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        error = QStringLiteral("Файл %1 не прочитан: ошибка JSON в позиции %2 (%3)")
                    .arg(named)
                    .arg(parseError.offset)
                    .arg(parseError.errorString());
        return false;
    }
    if (!document.isObject() || !document.object().value(QStringLiteral("channels")).isArray()) {
        error = QStringLiteral("Файл %1 не прочитан: нет списка каналов \"channels\"").arg(named);
        return false;
    }
    const QJsonArray list = document.object().value(QStringLiteral("channels")).toArray();
    if (list.size() > ComputedChannel::maxCount) {
        error = QStringLiteral("Файл %1 не прочитан: в нем %2 каналов, а можно не больше %3")
                    .arg(named)
                    .arg(list.size())
                    .arg(ComputedChannel::maxCount);
        return false;
    }
    ComputedChannels read;
    QSet<QString> codes;
    for (int i = 0; i < list.size(); ++i) {
        ComputedChannel channel;
        QString why;
        if (!readChannel(list.at(i), i, channel, why)) {
            error = QStringLiteral("Файл %1 не прочитан: %2").arg(named, why);
            return false;
        }
        if (codes.contains(channel.code)) {
            error =
                QStringLiteral("Файл %1 не прочитан: код %2 повторяется").arg(named, channel.code);
            return false;
        }
        codes.insert(channel.code);
        read.push_back(channel);
    }
    channels = std::move(read);
    return true;
}

bool ComputedChannelFile::save(const QString& path, const ComputedChannels& channels,
                               QString& error)
{
    error.clear();
    QJsonArray list;
    for (const ComputedChannel& channel : channels) {
        QJsonObject object;
        object.insert(QStringLiteral("code"), channel.code);
        object.insert(QStringLiteral("name"), channel.name);
        object.insert(QStringLiteral("decimals"), channel.decimals);
        object.insert(QStringLiteral("formula"), channel.formula);
        list.append(object);
    }
    QJsonObject root;
    root.insert(QStringLiteral("version"), kVersion);
    root.insert(QStringLiteral("channels"), list);

    const QString named = QDir::toNativeSeparators(path);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        error = QStringLiteral("Файл %1 не сохранен: %2").arg(named, file.errorString());
        return false;
    }
    const QByteArray bytes = QJsonDocument(root).toJson(QJsonDocument::Indented);
    if (file.write(bytes) != bytes.size() || !file.commit()) {
        error = QStringLiteral("Файл %1 не сохранен: %2").arg(named, file.errorString());
        return false;
    }
    return true;
}
