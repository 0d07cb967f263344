#pragma once

#include <QByteArray>
#include <QString>

class QIODevice;

// Copies a file so that the target is never lost: the data goes into a
// temporary file beside the target, which replaces the target only once the
// copy is complete. A failed copy leaves an existing target as it was.
class SafeFileCopy
{
public:
    static constexpr qint64 kChunkSize = 64 * 1024;

    SafeFileCopy() = default;
    virtual ~SafeFileCopy() = default;
    Q_DISABLE_COPY_MOVE(SafeFileCopy)

    bool copy(const QString& source, const QString& target);
    QString lastError() const { return m_lastError; }

protected:
    // Writes one piece of the copy; false stops it.
    virtual bool writeChunk(QIODevice& target, const QByteArray& chunk);

private:
    bool fail(const QString& text);

    QString m_lastError;
};
