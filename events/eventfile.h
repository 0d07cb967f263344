#pragma once

#include "events/eventdefinition.h"

#include <QJsonArray>
#include <QString>

// The event definitions of a log directory, kept beside its log.def in
// "events.def" so that they travel with the directory:
//
//   {"version": 1, "events": [{"name": "Напряжение", "condition": "U1<207 || U1>253",
//                              "minMs": 1000, "joinMs": 500, "color": "#ff8080"}]}
//
// A missing file is no definitions. A file that cannot be read is reported
// and left as it is; only an explicit save replaces it, whole or not at all.
class EventFile
{
public:
    static QString fileName() { return QStringLiteral("events.def"); }
    static QString pathIn(const QString& directory);

    // False with a Russian reason when the file exists but is no readable
    // list; `definitions` is then empty.
    static bool load(const QString& path, EventDefinitions& definitions, QString& error);
    // Writes a temporary file and puts it in place of the old one; false with
    // a Russian reason, the old file untouched.
    static bool save(const QString& path, const EventDefinitions& definitions, QString& error);

    // The list as the file's "events" array, for other files that carry it
    // (a project); false with a Russian reason for an array that is no list.
    static QJsonArray toJson(const EventDefinitions& definitions);
    static bool fromJson(const QJsonArray& list, EventDefinitions& definitions, QString& error);
};
