#include "reports/failuretext.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStorageInfo>

namespace failuretext {
namespace {

// A failure as the data classes word it: "Cannot <verb> <file>[: <cause>]".
struct Parsed
{
    QString verb; // empty when the text has another form
    QString file;
    QString cause;
};

Parsed parse(const QString& text)
{
    static const QRegularExpression form(
        QStringLiteral("^cannot (write|open|create|read all of|read|replace|remove|keep) "
                       "(.+?)(?:: ([^:]*))?$"),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = form.match(text.trimmed());
    if (!match.hasMatch())
        return {QString(), QString(), text.trimmed()};
    const QString verb = match.captured(1).toLower();
    QString file = match.captured(2);
    // "Cannot keep <file> as <copy>": the copy lies beside the file.
    if (verb == QLatin1String("keep") && file.contains(QLatin1String(" as ")))
        file = file.left(file.lastIndexOf(QLatin1String(" as ")));
    return {verb, file, match.captured(3)};
}

// Causes in the words of the C library (Linux) and of Windows, as Qt passes them on.
struct KnownCause
{
    const char* english; // lower case, found anywhere in the cause
    const char* russian;
};
constexpr KnownCause kCauses[] = {
    {"no space left", "на диске нет места"},
    {"not enough space", "на диске нет места"},
    {"disk full", "на диске нет места"},
    {"quota", "превышена дисковая квота"},
    {"read-only file system", "файловая система доступна только для чтения"},
    {"permission", "нет прав доступа"},
    {"operation not permitted", "нет прав доступа"},
    {"access is denied", "нет прав доступа"},
    {"no such file or directory", "файл или папка не найдены"},
    {"cannot find the file", "файл не найден"},
    {"cannot find the path", "папка не найдена"},
    {"not a directory", "часть пути не является папкой"},
    {"is a directory", "это папка, а не файл"},
    {"not a regular file", "это не обычный файл"},
    {"file name too long", "слишком длинное имя файла"},
    {"input/output error", "ошибка ввода-вывода"},
    {"too many open files", "открыто слишком много файлов"},
    {"the same file as the source", "это и есть копируемый файл"},
    // The reader's own: no log definition gave it a protocol folder.
    {"no protocol directory", "нет папки протоколов: настройки логера не применены"},
};

bool isUnnamed(const QString& cause)
{
    const QString lower = cause.trimmed().toLower();
    return lower.isEmpty() || lower == QLatin1String("unknown error") ||
           lower == QLatin1String("write failed") || lower == QStringLiteral("неизвестная ошибка");
}

bool isRussian(const QString& text)
{
    for (const QChar c : text) {
        if (c.script() == QChar::Script_Cyrillic)
            return true;
    }
    return false;
}

// A write whose cause the system kept to itself: the folder usually tells.
QString diagnosedCause(const QString& file, const FolderProbe& probe)
{
    const FolderState folder = probe(QFileInfo(file).absolutePath());
    if (!folder.exists)
        return QStringLiteral("папка не найдена");
    if (folder.readOnly)
        return QStringLiteral("файловая система доступна только для чтения");
    // Less than a block or two is as good as full.
    if (folder.bytesFree >= 0 && folder.bytesFree < 64 * 1024)
        return QStringLiteral("на диске нет места");
    if (!folder.writable)
        return QStringLiteral("нет прав доступа");
    return QString();
}

QString translated(const Parsed& failure, const FolderProbe& probe)
{
    const QString lower = failure.cause.toLower();
    for (const KnownCause& known : kCauses) {
        if (lower.contains(QLatin1String(known.english)))
            return QString::fromUtf8(known.russian);
    }
    if (!isUnnamed(failure.cause) && isRussian(failure.cause))
        return failure.cause.trimmed();
    const bool writing =
        failure.verb == QLatin1String("write") || failure.verb == QLatin1String("create") ||
        failure.verb == QLatin1String("replace") || failure.verb == QLatin1String("keep");
    if (isUnnamed(failure.cause) && writing && probe) {
        const QString diagnosed = diagnosedCause(failure.file, probe);
        if (!diagnosed.isEmpty())
            return diagnosed;
    }
    if (isUnnamed(failure.cause))
        return QStringLiteral("причина неизвестна");
    return QStringLiteral("причина неизвестна (%1)").arg(failure.cause.trimmed());
}

QString actionText(const QString& verb)
{
    if (verb == QLatin1String("write"))
        return QStringLiteral("не удалось записать файл %1");
    if (verb == QLatin1String("create"))
        return QStringLiteral("не удалось создать файл %1");
    if (verb == QLatin1String("open"))
        return QStringLiteral("не удалось открыть файл %1");
    if (verb == QLatin1String("read"))
        return QStringLiteral("не удалось прочитать файл %1");
    if (verb == QLatin1String("replace"))
        return QStringLiteral("не удалось заменить файл %1");
    if (verb == QLatin1String("read all of"))
        return QStringLiteral("не удалось прочитать файл %1 целиком");
    if (verb == QLatin1String("keep"))
        return QStringLiteral("не удалось сохранить прежний файл %1");
    return QStringLiteral("не удалось удалить файл %1");
}

} // namespace

FolderState probeFolder(const QString& folder)
{
    FolderState state;
    const QFileInfo info(folder);
    state.exists = info.isDir();
    if (!state.exists)
        return state;
    const QStorageInfo storage(folder);
    if (storage.isValid()) {
        state.readOnly = storage.isReadOnly();
        state.bytesFree = storage.bytesAvailable();
    }
    state.writable = info.isWritable();
    return state;
}

QString russianCause(const QString& englishError, const FolderProbe& probe, const QString& target)
{
    Parsed failure = parse(englishError);
    // A writer's own words ("Cannot complete the workbook: …") name no file;
    // the file it was writing tells where to look.
    if (failure.verb.isEmpty() && !target.isEmpty()) {
        const QString cause = translated(failure, probe);
        if (!cause.startsWith(QStringLiteral("причина неизвестна")))
            return cause;
        const QString diagnosed = probe ? diagnosedCause(target, probe) : QString();
        return diagnosed.isEmpty() ? cause : diagnosed;
    }
    return translated(failure, probe);
}

QString withRussianCause(const QString& text, const QString& file, bool writing,
                         const FolderProbe& probe)
{
    const int colon = text.lastIndexOf(QStringLiteral(": "));
    if (colon < 0)
        return text;
    const QString cause = text.mid(colon + 2);
    const QFileInfo info(file);
    if (!file.isEmpty() && info.isSymLink() && !info.exists())
        return text.left(colon + 2) + QStringLiteral("это ссылка на несуществующий файл %1")
                                          .arg(QDir::toNativeSeparators(info.symLinkTarget()));
    if (isRussian(cause) && !isUnnamed(cause))
        return text;
    const QString verb = writing ? QStringLiteral("write") : QStringLiteral("read");
    return text.left(colon + 2) + translated({verb, file, cause}, probe);
}

QString readProblemText(const ReadProblem& problem)
{
    return QDir::toNativeSeparators(problem.file) + QStringLiteral(": ") +
           problem.russianReason(russianCause(problem.detail, nullptr));
}

QString reportFailure(const QString& fileName, const QString& error, const FolderProbe& probe)
{
    return QStringLiteral("не удалось записать файл %1: %2")
        .arg(QDir::toNativeSeparators(fileName), russianCause(error, probe, fileName));
}

QString russianFailure(const QString& englishError, const FolderProbe& probe)
{
    const Parsed failure = parse(englishError);
    const QString cause = translated(failure, probe);
    if (failure.verb.isEmpty())
        return QStringLiteral("ошибка: %1").arg(cause);
    return actionText(failure.verb).arg(QDir::toNativeSeparators(failure.file)) +
           QStringLiteral(": ") + cause;
}

} // namespace failuretext
