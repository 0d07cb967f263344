#pragma once

#include <QList>
#include <QStringList>
#include <QUrl>

// What a drop of files on the main window asks for, decided from the dropped
// URLs alone so that it can be told while the drag still hovers. Only local
// paths count: one or more ".log" files are protocols to read together; a
// single folder holding "log.def" becomes the log directory. Anything else,
// a mixed drop included, is refused whole, so nothing of it is read.
struct ProtocolDrop
{
    enum class Kind { Refused, Protocols, LogDirectory, Project };

    Kind kind = Kind::Refused;
    QStringList paths; // the protocols in drop order, or the one directory or project

    static ProtocolDrop fromUrls(const QList<QUrl>& urls);
};
