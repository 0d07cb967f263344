#include "protocol/readplan.h"

#include "protocol/channelcatalogue.h"
#include "protocol/readablefile.h"

#include <QFileInfo>
#include <QSet>

#include <algorithm>

namespace {

// A path as the file system knows it (links resolved) where it exists.
QString canonical(const QString& path)
{
    const QString resolved = QFileInfo(path).canonicalFilePath();
    return resolved.isEmpty() ? QDir::cleanPath(QFileInfo(path).absoluteFilePath()) : resolved;
}

QString definitionIn(const QString& logDirectory)
{
    return logDirectory.isEmpty()
               ? QString()
               : QFileInfo(QDir(logDirectory).filePath(QStringLiteral("log.def")))
                     .absoluteFilePath();
}

// Two log.def files that decode alike: the same file, or the same text.
bool sameDefinition(const QString& a, const QString& b)
{
    if (a.isEmpty() || b.isEmpty())
        return false;
    if (canonical(a) == canonical(b))
        return true;
    QByteArray left;
    QByteArray right;
    return readablefile::readAll(a, ChannelCatalogue::kMaxDefinitionSize, left).ok() &&
           readablefile::readAll(b, ChannelCatalogue::kMaxDefinitionSize, right).ok() &&
           left == right;
}

ReadProblem problem(ReadProblem::Kind kind, const QString& file, const QString& definition)
{
    ReadProblem result;
    result.kind = kind;
    result.file = file;
    result.definition = definition;
    return result;
}

struct Entry
{
    QString given;  // as named
    QString path;   // absolute
    QString folder; // canonical folder
    bool exists = false;
};

} // namespace

namespace readplan {

QString ownerOf(const QString& protocolPath)
{
    const QString folder = canonical(QFileInfo(protocolPath).absolutePath());
    for (const QString& candidate : {folder, canonical(folder + QStringLiteral("/.."))}) {
        const QString named = ChannelCatalogue::protocolFolderOf(candidate);
        if (!named.isEmpty() && canonical(named) == folder)
            return candidate;
    }
    return QString();
}

Plan plan(const QStringList& files, const Applied& applied)
{
    Plan result;
    const QString appliedFolder =
        applied.hasProtocolDir ? canonical(applied.protocolDir.absolutePath()) : QString();

    QList<Entry> entries;
    QSet<QString> seen;
    QSet<QString> toldTwice;
    for (const QString& name : files) {
        Entry entry;
        entry.given = name;
        entry.path = QFileInfo(name).isAbsolute() || !applied.hasProtocolDir
                         ? QFileInfo(name).absoluteFilePath()
                         : applied.protocolDir.absoluteFilePath(name);
        const QString key = canonical(entry.path);
        if (seen.contains(key) && !applied.repeats) {
            if (!toldTwice.contains(key))
                result.problems.append(
                    problem(ReadProblem::Kind::Duplicate, entry.path, QString()));
            toldTwice.insert(key);
            continue;
        }
        seen.insert(key);
        entry.exists = QFileInfo::exists(entry.path);
        entry.folder = canonical(QFileInfo(entry.path).absolutePath());
        entries.append(entry);
    }

    // The definition of the read.
    QString definition = applied.definition;
    QString definitionFolder = appliedFolder;
    const bool anyInApplied = std::any_of(entries.cbegin(), entries.cend(), [&](const Entry& e) {
        return !appliedFolder.isEmpty() && e.folder == appliedFolder;
    });
    if (!applied.keep && !anyInApplied) {
        for (const Entry& entry : entries) {
            const QString owner = entry.exists ? ownerOf(entry.path) : QString();
            if (owner.isEmpty())
                continue;
            if (definitionIn(owner) != applied.definition) {
                result.logDirectory = owner;
                definition = definitionIn(owner);
                definitionFolder = canonical(ChannelCatalogue::protocolFolderOf(owner));
            }
            break;
        }
    }

    for (const Entry& entry : entries) {
        if (!entry.exists || (!definitionFolder.isEmpty() && entry.folder == definitionFolder)) {
            result.files.append(entry.given);
            continue;
        }
        const QString owner = ownerOf(entry.path);
        if (applied.keep) {
            result.problems.append(problem(definition.isEmpty()
                                               ? ReadProblem::Kind::NoDefinition
                                               : ReadProblem::Kind::ForeignDefinition,
                                           entry.path, definition));
        } else if (owner.isEmpty()) {
            result.problems.append(
                problem(ReadProblem::Kind::NoDefinition, entry.path, definition));
        } else if (!sameDefinition(definitionIn(owner), definition)) {
            result.problems.append(
                problem(ReadProblem::Kind::OtherDefinition, entry.path, definitionIn(owner)));
            continue;
        }
        result.files.append(entry.given);
    }
    return result;
}

} // namespace readplan
