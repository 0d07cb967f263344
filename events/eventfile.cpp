#include "events/eventfile.h"

#include "protocol/readablefile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QSet>

namespace {
constexpr int kVersion = 1;
// Far beyond any hand-written list; keeps a damaged file from filling memory.
constexpr qint64 kMaxFileBytes = 4 * 1024 * 1024;

bool readDuration(const QJsonObject& object, const QString& key, qint64& ms)
{
    const QJsonValue value = object.value(key);
    if (value.isUndefined())
        return true;
    const double given = value.toDouble(-1);
    if (given < 0 || given != qint64(given))
        return false;
    ms = qint64(given);
    return true;
}

bool readDefinition(const QJsonValue& value, int index, EventDefinition& definition, QString& error)
{
    const auto fail = [&](const QString& why) {
        error = QStringLiteral("событие %1: %2").arg(index + 1).arg(why);
        return false;
    };
    if (!value.isObject())
        return fail(QStringLiteral("ожидается объект"));
    const QJsonObject object = value.toObject();
    const QJsonValue name = object.value(QStringLiteral("name"));
    const QJsonValue condition = object.value(QStringLiteral("condition"));
    if (!name.isString() || name.toString().trimmed().isEmpty())
        return fail(QStringLiteral("нет имени"));
    if (!condition.isString())
        return fail(QStringLiteral("нет условия"));
    definition.name = name.toString().trimmed();
    definition.condition = condition.toString();
    if (!readDuration(object, QStringLiteral("minMs"), definition.minMs) ||
        !readDuration(object, QStringLiteral("joinMs"), definition.joinMs))
        return fail(QStringLiteral("длительность должна быть целым числом миллисекунд не "
                                   "меньше нуля"));
    const QJsonValue color = object.value(QStringLiteral("color"));
    if (!color.isUndefined()) {
        definition.color = QColor(color.toString());
        if (!definition.color.isValid())
            return fail(QStringLiteral("цвет «%1» не понятен").arg(color.toString()));
    }
    return true;
}
} // namespace

QString EventFile::pathIn(const QString& directory)
{
    return QDir(directory).filePath(fileName());
}

bool EventFile::load(const QString& path, EventDefinitions& definitions, QString& error)
{
    definitions.clear();
    error.clear();
    QFile file(path);
    // A link that leads nowhere is a file the user made, not a missing one.
    if (!file.exists() && !QFileInfo(path).isSymLink())
        return true;
    const QString named = QDir::toNativeSeparators(path);
    const auto fail = [&](const QString& why) {
        error = QStringLiteral("Файл %1 не прочитан: %2").arg(named, why);
        return false;
    };
    QByteArray bytes;
    if (const readablefile::Status read = readablefile::readAll(path, kMaxFileBytes, bytes);
        !read.ok())
        return fail(read.russianReason());
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &parseError);
    if (parseError.error != QJsonParseError::NoError)
        return fail(QStringLiteral("ошибка JSON в позиции %1 (%2)")
                        .arg(parseError.offset)
                        .arg(parseError.errorString()));
    if (!document.isObject() || !document.object().value(QStringLiteral("events")).isArray())
        return fail(QStringLiteral("нет списка событий \"events\""));
    const QJsonValue version = document.object().value(QStringLiteral("version"));
    if (!version.isUndefined() && version.toDouble(-1) != kVersion)
        return fail(QStringLiteral("версия %1 не поддерживается, программа читает версию %2")
                        .arg(version.toVariant().toString())
                        .arg(kVersion));
    const QJsonArray list = document.object().value(QStringLiteral("events")).toArray();
    QString why;
    if (!fromJson(list, definitions, why))
        return fail(why);
    return true;
}

bool EventFile::fromJson(const QJsonArray& list, EventDefinitions& definitions, QString& error)
{
    definitions.clear();
    if (list.size() > EventDefinition::maxCount) {
        error = QStringLiteral("в нем %1 событий, а можно не больше %2")
                    .arg(list.size())
                    .arg(EventDefinition::maxCount);
        return false;
    }
    EventDefinitions read;
    QSet<QString> names;
    for (int i = 0; i < list.size(); ++i) {
        EventDefinition definition;
        if (!readDefinition(list.at(i), i, definition, error))
            return false;
        if (names.contains(definition.name)) {
            error = QStringLiteral("имя «%1» повторяется").arg(definition.name);
            return false;
        }
        if (!definition.color.isValid())
            definition.color = defaultEventColor(i);
        names.insert(definition.name);
        read.push_back(definition);
    }
    definitions = std::move(read);
    return true;
}

QJsonArray EventFile::toJson(const EventDefinitions& definitions)
{
    QJsonArray list;
    for (const EventDefinition& definition : definitions) {
        QJsonObject object;
        object.insert(QStringLiteral("name"), definition.name);
        object.insert(QStringLiteral("condition"), definition.condition);
        object.insert(QStringLiteral("minMs"), double(definition.minMs));
        object.insert(QStringLiteral("joinMs"), double(definition.joinMs));
        if (definition.color.isValid())
            object.insert(QStringLiteral("color"), definition.color.name());
        list.append(object);
    }
    return list;
}

bool EventFile::save(const QString& path, const EventDefinitions& definitions, QString& error)
{
    error.clear();
    const QJsonArray list = toJson(definitions);
    QJsonObject root;
    root.insert(QStringLiteral("version"), kVersion);
    root.insert(QStringLiteral("events"), list);

    const QString named = QDir::toNativeSeparators(path);
    QSaveFile file(path);
    const QByteArray bytes = QJsonDocument(root).toJson(QJsonDocument::Indented);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        error = QStringLiteral("Файл %1 не сохранен: %2").arg(named, file.errorString());
        return false;
    }
    return true;
}
