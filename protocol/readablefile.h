#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

// The check every reader of the program's input files makes first: only a
// regular file (a link to one counts) is opened. Opening a FIFO waits for a
// writer, a device can be read for ever, a folder is no file; those are
// refused before anything is opened, so a start never hangs on them.
namespace readablefile {

enum class Result {
    Opened,
    Missing,    // nothing there (a link that leads nowhere included)
    NotRegular, // a FIFO, a device, a socket or a folder
    CannotOpen, // the system refused; the detail holds its reason
    TooLarge    // readAll(): more than the bound
};

struct Status
{
    Result result = Result::Missing;
    QString detail; // CannotOpen: the system's reason; NotRegular: what it is, in English

    bool ok() const { return result == Result::Opened; }
    // The reason alone, without the file's name: English for standard error,
    // Russian for the user.
    QString englishReason() const;
    QString russianReason() const;
};

// Opens `path` for reading when it is a regular file.
Status open(QFile& file, const QString& path);

// The whole file, but never more than `maxBytes`: the bound holds what is
// read, whatever size the file claims (a device claims 0, a growing file
// claims less than it holds). A longer file is TooLarge and `bytes` empty.
Status readAll(const QString& path, qint64 maxBytes, QByteArray& bytes);

} // namespace readablefile
