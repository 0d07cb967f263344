#include "device/safefilecopy.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

bool SafeFileCopy::copy(const QString& source, const QString& target)
{
    m_lastError.clear();
    const QFileInfo from(source);
    const QFileInfo to(target);
    // Every failure reads "Cannot <verb> <file>: <cause>", which the window words again.
    if (!from.exists())
        return fail(QStringLiteral("Cannot open %1: No such file or directory").arg(source));
    if (!from.isFile())
        return fail(QStringLiteral("Cannot open %1: not a regular file").arg(source));
    if (to.exists() && from.canonicalFilePath() == to.canonicalFilePath())
        return fail(
            QStringLiteral("Cannot replace %1: it is the same file as the source").arg(target));
    if (to.exists() && !to.isFile())
        return fail(QStringLiteral("Cannot replace %1: not a regular file").arg(target));

    QFile in(source);
    if (!in.open(QIODevice::ReadOnly))
        return fail(QStringLiteral("Cannot open %1: %2").arg(source, in.errorString()));
    QSaveFile out(target);
    if (!out.open(QIODevice::WriteOnly))
        return fail(QStringLiteral("Cannot create %1: %2").arg(target, out.errorString()));

    qint64 copied = 0;
    while (!in.atEnd()) {
        const QByteArray chunk = in.read(kChunkSize);
        if (in.error() != QFileDevice::NoError) {
            out.cancelWriting();
            return fail(QStringLiteral("Cannot read %1: %2").arg(source, in.errorString()));
        }
        if (chunk.isEmpty())
            break;
        if (!writeChunk(out, chunk)) {
            out.cancelWriting();
            return fail(QStringLiteral("Cannot write %1").arg(target));
        }
        copied += chunk.size();
    }
    // A source that ended early (a card pulled mid-read) must not replace the target.
    if (copied != in.size()) {
        out.cancelWriting();
        return fail(QStringLiteral("Cannot read all of %1").arg(source));
    }
    // A full disk may show only when the last buffered part is written.
    if (!out.flush() || out.error() != QFileDevice::NoError) {
        const QString reason = out.errorString();
        out.cancelWriting();
        return fail(QStringLiteral("Cannot write %1: %2").arg(target, reason));
    }
    if (!out.commit())
        return fail(QStringLiteral("Cannot replace %1: %2").arg(target, out.errorString()));
    return true;
}

bool SafeFileCopy::writeChunk(QIODevice& target, const QByteArray& chunk)
{
    return target.write(chunk) == chunk.size();
}

bool SafeFileCopy::fail(const QString& text)
{
    m_lastError = text;
    return false;
}
