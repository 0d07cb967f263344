#include "protocol/readproblem.h"

#include <QDir>

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
        reason = QStringLiteral("is %1 bytes, too large for the %2 bytes of free memory; it was "
                                "not read")
                     .arg(fileSize)
                     .arg(limit);
        break;
    }
    return QDir::toNativeSeparators(file) + QStringLiteral(": ") + reason;
}

QString ReadProblem::russianReason() const
{
    switch (kind) {
    case Kind::None:
        break;
    case Kind::CannotOpen:
        return QStringLiteral("не удалось открыть файл (%1)").arg(detail);
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
        return QStringLiteral("файл размером %1 байт не помещается в свободную память (%2 байт), "
                              "протокол не загружен")
            .arg(fileSize)
            .arg(limit);
    }
    return QString();
}
