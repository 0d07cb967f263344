#include "protocol/readproblem.h"

#include "protocol/readablefile.h"

#include <QDir>
#include <QStringList>

namespace {
// Memory sizes as people read them: whole megabytes, rounded up, from one on.
QString englishSize(qint64 bytes)
{
    constexpr qint64 mega = 1024 * 1024;
    return bytes < mega ? QStringLiteral("%1 bytes").arg(bytes)
                        : QStringLiteral("%1 MB").arg((bytes + mega - 1) / mega);
}

QString russianSize(qint64 bytes)
{
    constexpr qint64 mega = 1024 * 1024;
    return bytes < mega ? QStringLiteral("%1 байт").arg(bytes)
                        : QStringLiteral("%1 МБ").arg((bytes + mega - 1) / mega);
}
QString idList(const QVector<int>& ids, const QString& before, const QString& after)
{
    QStringList items;
    for (const int id : ids)
        items.append(before + QString::number(id) + after);
    return items.join(QStringLiteral(", "));
}

QString named(const QString& definition)
{
    return QDir::toNativeSeparators(definition);
}
} // namespace

QString ReadProblem::englishText() const
{
    QString reason;
    switch (kind) {
    case Kind::None:
        return QString();
    case Kind::CannotOpen:
        reason = QStringLiteral("cannot be opened (%1)").arg(detail);
        break;
    case Kind::NotProtocol:
        reason = QStringLiteral("is not a protocol file (no LOG header)");
        break;
    case Kind::NoRecords:
        reason = QStringLiteral("holds no records");
        break;
    case Kind::NoTimeBase:
        reason = QStringLiteral("has no valid start time or tick length in its header");
        break;
    case Kind::RecordLimit:
        reason = QStringLiteral("has more than %1 records; only the first %1 were read").arg(limit);
        break;
    case Kind::FilledStepLimit:
        reason = QStringLiteral("needs more than %1 gap-filled values; it was not read").arg(limit);
        break;
    case Kind::TooLarge:
        reason = QStringLiteral("needs %1 of memory, more than the %2 free; it was not read")
                     .arg(englishSize(needed), englishSize(limit));
        break;
    case Kind::CutShort:
        reason = QStringLiteral("was cut short while it was read; only %1 of its %2 records "
                                "were read")
                     .arg(handled)
                     .arg(limit);
        break;
    case Kind::NotRegularFile:
        reason = QStringLiteral("is not a regular file but %1; it was not read").arg(detail);
        break;
    case Kind::UnknownIds: {
        const QString list = idList(ids, QString(), QString());
        reason =
            definition.isEmpty()
                ? QStringLiteral("holds channel IDs %1 and no log definition is applied").arg(list)
                : QStringLiteral("holds channel IDs %1 that %2 lacks").arg(list, named(definition));
        reason += QStringLiteral("; their raw values are shown as %1")
                      .arg(idList(ids, QStringLiteral("\"ID "), QStringLiteral("\"")));
        break;
    }
    case Kind::OtherDefinition:
        reason = QStringLiteral("belongs to the log definition %1, not to the one of this read; "
                                "it was not read (read it on its own)")
                     .arg(named(definition));
        break;
    case Kind::Duplicate:
        reason = QStringLiteral("was given more than once; it was read once");
        break;
    case Kind::ForeignDefinition:
        reason = QStringLiteral("lies outside the protocol folder of %1; it was read with that "
                                "log definition as asked")
                     .arg(named(definition));
        break;
    case Kind::NoDefinition:
        reason = definition.isEmpty()
                     ? QStringLiteral("has no log definition beside it or above it")
                     : QStringLiteral("has no log definition beside it or above it; it was read "
                                      "with %1")
                           .arg(named(definition));
        break;
    }
    return QDir::toNativeSeparators(file) + QStringLiteral(": ") + reason;
}

QString ReadProblem::russianReason(const QString& cause) const
{
    switch (kind) {
    case Kind::None:
        break;
    case Kind::CannotOpen:
        return QStringLiteral("не удалось открыть файл (%1)").arg(cause.isEmpty() ? detail : cause);
    case Kind::NotProtocol:
        return QStringLiteral("файл не является протоколом");
    case Kind::NoRecords:
        return QStringLiteral("в протоколе нет записей");
    case Kind::NoTimeBase:
        return QStringLiteral("в заголовке нет верного времени начала или длины отсчета");
    case Kind::RecordLimit:
        return QStringLiteral("записей больше %1, прочитаны только первые %1").arg(limit);
    case Kind::FilledStepLimit:
        return QStringLiteral("после заполнения пробелов значений больше %1, протокол не загружен")
            .arg(limit);
    case Kind::TooLarge:
        return QStringLiteral("для чтения нужно %1 памяти, а свободно только %2, "
                              "протокол не загружен")
            .arg(russianSize(needed), russianSize(limit));
    case Kind::CutShort:
        return QStringLiteral("файл укоротился во время чтения, прочитаны только %1 записей из %2")
            .arg(handled)
            .arg(limit);
    case Kind::NotRegularFile: {
        readablefile::Status status;
        status.result = readablefile::Result::NotRegular;
        status.detail = detail;
        return status.russianReason() + QStringLiteral(", протокол не загружен");
    }
    case Kind::UnknownIds: {
        const QString list = idList(ids, QString(), QString());
        return (definition.isEmpty()
                    ? QStringLiteral("каналы с ID %1 не описаны: log.def не применён").arg(list)
                    : QStringLiteral("каналов с ID %1 нет в %2").arg(list, named(definition))) +
               QStringLiteral("; их значения показаны без масштаба в столбцах %1")
                   .arg(idList(ids, QStringLiteral("«ID "), QStringLiteral("»")));
    }
    case Kind::OtherDefinition:
        return QStringLiteral("протокол относится к другому log.def (%1), не загружен; "
                              "загрузите его отдельно")
            .arg(named(definition));
    case Kind::Duplicate:
        return QStringLiteral("указан несколько раз, загружен один раз");
    case Kind::ForeignDefinition:
        return QStringLiteral("лежит не в папке протоколов, которую задаёт %1; прочитан с "
                              "этим log.def, как указано")
            .arg(named(definition));
    case Kind::NoDefinition:
        return definition.isEmpty()
                   ? QStringLiteral("рядом с протоколом и выше нет своего log.def")
                   : QStringLiteral("рядом с протоколом и выше нет своего log.def, прочитан с %1")
                         .arg(named(definition));
    }
    return QString();
}
