#include "protocol/readproblem.h"

#include <QDir>

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
    }
    return QString();
}
