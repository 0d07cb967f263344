#pragma once

#include "compare/alignmentrule.h"
#include "formula/computedchannel.h"
#include "table/range.h"

#include <QByteArray>
#include <QColor>
#include <QDateTime>
#include <QJsonObject>
#include <QJsonValue>
#include <QList>
#include <QMap>
#include <QPair>
#include <QStringList>
#include <QVector>

class ComparisonSession;
class ViewState;
class Workspace;

// One protocol of a project: where it lay, and what it was, so that a
// moved folder is still found and a file written over is noticed.
struct ProjectProtocol
{
    QString relative; // to the project file's folder
    QString absolute;
    QDateTime start; // from its header; invalid when it had none
    qint64 size = -1;
};

// A comparison kept in a project, per protocol in the project's order: the
// rule that put its zero and the user's shift; and the difference channels
// (code, protocol k as an index >= 1). Empty and inactive: none kept.
struct ProjectComparison
{
    bool active = false;
    QVector<AlignmentRule> rules;
    QVector<qint64> shifts;
    QVector<QPair<QString, int>> differences;
    QStringList formulas; // "NAME=EXPR" computed over the comparison

    bool isEmpty() const
    {
        return !active && rules.isEmpty() && shifts.isEmpty() && differences.isEmpty() &&
               formulas.isEmpty();
    }
};

// Where the protocols of a project are now. A protocol is looked for beside
// the project first (the folder may have moved with it), then where it lay.
struct LocatedProtocols
{
    QStringList files;   // to read, in the project's order (changed ones too)
    QStringList missing; // as the project names them
    QStringList changed; // found, but of another start or size
    // One Russian message naming every missing and changed protocol; empty
    // when all are as they were.
    QString problemText() const;
};

// An analysis written out: the log directory, the protocols, what of them is
// shown and how, and the window's layout. Saved as JSON through the safe
// writer; keys this version does not know are kept as they were read and
// written back on save, so a newer program's project survives a round trip.
//
// Use: capture() from a workspace (the window adds its own parts: span,
// tab, docks, colours shown), save(); later load(), locate() the protocols,
// read them, then applyView().
class ProjectFile
{
public:
    static constexpr int kFormatVersion = 1;
    static QString suffix() { return QStringLiteral("vtproj"); }
    static bool isProjectName(const QString& fileName);

    // The loaded protocols and the view state of a workspace; paths are
    // taken relative to where the project is to be saved.
    static ProjectFile capture(const Workspace& workspace, const QString& projectPath,
                               const QString& logDirectory);

    // A comparison as the project of its files: the protocols in the
    // comparison's order, their rules, shifts and difference channels.
    static ProjectFile captureComparison(const ComparisonSession& session,
                                         const QString& projectPath, const QString& logDirectory);
    // The rules, shifts and difference channels onto a session opened on the
    // located protocols; one Russian line, naming the file, for each rule
    // that could not be applied (that protocol keeps its zero) and each
    // difference channel the protocols lack.
    QStringList applyComparison(ComparisonSession& session) const;

    // False with a Russian reason naming the file.
    static bool load(const QString& path, ProjectFile& project, QString& error);
    bool save(const QString& path, QString& error) const;
    QJsonObject toJson() const;
    // Known keys are read; wrong types leave a field at its default.
    static ProjectFile fromJson(const QJsonObject& object);

    // The log directory of the project file at path; empty when it cannot
    // be read or has none.
    static QString logDirectoryOf(const QString& path);

    LocatedProtocols locate(const QString& projectPath) const;
    // The log directory, beside the project first; empty when neither is one.
    QString locateLogDirectory(const QString& projectPath) const;
    // The shown channels, colours, position, zoom, lines and filter.
    void applyView(ViewState& view) const;
    // The project's event definitions in place of those beside log.def;
    // false with a Russian reason naming the file when they cannot be read
    // (the workspace's are then kept).
    bool applyEvents(Workspace& workspace, const QString& path, QString& error) const;

    // The first and last tick the chart shows: the window's own rounding.
    qint64 firstShownTick() const;
    qint64 lastShownTick() const;

    QString logDirectory;         // absolute, as it was at saving
    QString logDirectoryRelative; // to the project file's folder
    QList<ProjectProtocol> protocols;
    QStringList hiddenChannels;   // titles
    QMap<QString, QColor> colors; // by title
    ComputedChannels computed;    // the definitions in use, copied
    double position = 0;
    double zoom = 1.0;
    double span = 0; // ticks shown; 0: not known
    qint64 line = 0;
    bool hasReference = false;
    qint64 reference = 0;
    bool filterOn = false;
    bool timeFilterOn = false;
    QDateTime timeFrom;
    QDateTime timeTo;
    QVector<Range> valueRanges;
    int tab = -1;     // the open tab; -1: none kept
    QByteArray docks; // QMainWindow::saveState
    QJsonValue events{
        QJsonValue::Undefined}; // event definitions in use; none: those beside log.def
    ProjectComparison comparison;
    QJsonObject unknown; // keys of a newer version, kept

private:
    static ProjectProtocol describe(const QString& file, const QString& projectDir);
    void setLogDirectory(const QString& directory, const QString& projectDir);
};
