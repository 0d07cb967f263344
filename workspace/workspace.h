#pragma once

#include "formula/computedchannel.h"
#include "formula/formulacheck.h"
#include "protocol/readproblem.h"
#include "reports/chartdrawing.h"
#include "reports/chartpicturestyle.h"
#include "reports/reportresult.h"
#include "table/bookmarkstore.h"
#include "workspace/viewstate.h"

#include <QDateTime>
#include <QFont>
#include <QImage>
#include <QList>
#include <QObject>
#include <QStringList>

#include <functional>
#include <memory>

class ProtocolAssembly;
class ProtocolTableModel;
class ReportTable;
class StreamLoger;

// What a read tells whoever shows its progress; every member may stay
// empty. proceed() is asked between steps (a window processes its pending
// events there); false cancels the read.
struct ReadProgress
{
    std::function<void(int steps)> start;
    std::function<void(int step)> step;
    std::function<void(int count, const QString& text)> phase;
    std::function<bool()> proceed;
};

// What the reports take from a chart. Without one the workbook has no
// picture, and a PDF or a picture cannot be written.
class ReportChart
{
public:
    virtual ~ReportChart() = default;
    // The font the table is shown in, for the workbook's columns.
    virtual QFont tableFont() const = 0;
    virtual QImage workbookImage() = 0;
    virtual QDateTime startDateTime() const = 0;
    virtual ChartDrawing pdfDrawing() = 0;
    // The chart over the ticks first … last under a title line, as the
    // picture shows it: a report's chart page shows the report's range.
    virtual ChartDrawing rangeDrawing(qint64 first, qint64 last, const QString& title) = 0;
    // A picture whose charts are too low for their labels is refused, with
    // the reason in Russian.
    virtual ReportResult savePicture(const ChartPictureOptions& options, qint64 first, qint64 last,
                                     const QString& title, const QString& fileName) = 0;
};

// The reports of one batch run; empty names are skipped. Rows are those
// between the limits (an invalid limit leaves that end open); channels
// names the codes whose columns are written, all when empty.
struct ReportRequest
{
    QString xlsxFile;
    QString pdfFile;
    QString csvFile;
    QString pngFile;
    QString bookmarksFile;
    ChartPictureOptions picture;
    QDateTime from;
    QDateTime to;
    QStringList channels;
    // The PDF's chart page: the chart as the user sees it (a save from the
    // window), or the report's range under a title line (a script's run).
    bool pdfChartAsShown = false;
    QString h5File;               // the values as HDF5
    QString matFile;              // the values as a MATLAB file
    QStringList* notes = nullptr; // where to say what the user should know (may be null)
    // The ticks the picture and the PDF's chart span, as a window showed
    // them (a project's view); the rows' first and last when not set.
    bool hasShownTicks = false;
    qint64 shownFirst = 0;
    qint64 shownLast = 0;
};

// A report that was not written: its file, empty when the request wrote
// nothing at all, and why, in the writer's English or in Russian words of
// the workspace's own.
struct ReportFailure
{
    QString fileName;
    QString error;
};
using ReportFailures = QVector<ReportFailure>;

// One owner of what is loaded and of what the user looks at, below the
// window: the assembly of the read protocols and its table model, the
// bookmarks (BookmarkStore is their only truth; the table's marks and the
// charts' lines are drawn from it), the computed channels, the problems of
// the last read, the reports and the shared view state. It links no
// widgets: a batch run uses it as the window does.
//
// Use: loadComputedChannels() when a log definition is applied, read() per
// load, then the bookmark calls and writeReports(). clear() lets go of the
// data; whoever shows it must have let go first (cleared() is sent before).
class Workspace : public QObject
{
    Q_OBJECT
public:
    enum class ReadResult {
        Loaded,
        Nothing,     // no protocol could be read
        Cancelled,   // stopped by proceed()
        TickMismatch // the files' tick lengths differ; nothing kept
    };

    // StreamLoger's process-wide reader when none is given.
    explicit Workspace(StreamLoger* logger = nullptr, QObject* parent = nullptr);
    ~Workspace() override;

    // Loading. `earlier` are the problems found before reading (files left
    // out by the read plan, notices), kept first among readProblems().
    ReadResult read(const QStringList& files, const ReadProgress& progress = {},
                    const QList<ReadProblem>& earlier = {});
    void clear();
    bool isLoaded() const { return m_assembly != nullptr; }
    const ProtocolAssembly* assembly() const { return m_assembly.get(); }
    // The table's rows in their order, filter and marks; reports read it.
    ProtocolTableModel* tableModel() const { return m_tableModel; }
    int rowCount() const;
    // The protocols shown, as they were named to read().
    const QStringList& loadedFiles() const { return m_loadedFiles; }
    const QList<ReadProblem>& readProblems() const { return m_readProblems; }
    bool readStoppedOnTickMismatch() const { return m_tickMismatch; }
    qint64 firstTick() const { return m_firstTick; }
    qint64 lastTick() const { return m_lastTick; }
    QDateTime startDateTime() const;
    quint16 tickMs() const;
    // The descriptions of the read protocols, from their headers.
    QStringList protocolDescriptions() const;

    // Computed channels: those of computed.def beside log.def, with the
    // formulas given on the command line ("CODE=EXPR") over the file's.
    void loadComputedChannels(const QString& directory);
    const ComputedChannels& computedChannels() const { return m_computed; }
    QString computedFilePath() const { return m_computedPath; }
    // Why computed.def was not read, in Russian; empty when it was (or is missing).
    QString computedFileProblem() const { return m_computedFileProblem; }
    // Faults naming each refused formula, empty when all compute.
    QString setFormulaOptions(const QStringList& options);
    // A project's computed channels over the file's, as formula options are.
    void setComputedOverrides(const ComputedChannels& channels);
    // The file's channels with every override, as the next read computes them.
    ComputedChannels computedInUse() const { return withOverrides(m_computed, m_formulaOptions); }
    // Writes computed.def; false with the reason in Russian, the old file kept.
    bool saveComputedChannels(const ComputedChannels& channels, QString& error);
    // The sound computed channels in the order of computing.
    ComputedChannels computedForAssembly();
    // The check of the channels against the logged codes, kept while neither changes.
    const ComputedCheck& checkComputed(const ComputedChannels& channels);

    // Bookmarks. Every change is saved to the files at once; the returned
    // English errors name the files that could not be written.
    const QVector<qint64>& bookmarkTicks() const { return m_bookmarks.ticks(); }
    bool hasBookmark(qint64 tick) const { return bookmarkTicks().contains(tick); }
    QString bookmarkNote(qint64 tick) const { return m_bookmarks.note(tick); }
    QStringList setBookmarkTicks(const QVector<qint64>& ticks);
    QStringList addBookmark(qint64 tick);
    QStringList deleteBookmark(qint64 tick);
    QStringList setBookmarkNote(qint64 tick, const QString& note);
    bool canUndoBookmarks() const { return m_bookmarks.canUndo(); }
    QStringList undoBookmarks();
    // Bookmark files of the last read that could not be read.
    const QVector<BookmarkStore::Problem>& bookmarkProblems() const { return m_bookmarkProblems; }
    // What a batch run says of a bookmark file that could not be read.
    static QString batchProblemText(const BookmarkStore::Problem& problem);
    // The bookmarks with their notes whose times lie between the limits.
    QVector<Bookmark> bookmarksBetween(const QDateTime& from, const QDateTime& to) const;

    // Reports. The rows between the limits, in the table's order.
    // Writes each requested report; empty when all were written. A range
    // that holds no row writes nothing.
    ReportFailures writeReports(const ReportRequest& request, ReportChart* chart);
    // One Russian line per failure, for standard error.
    static QStringList failureLines(const ReportFailures& failures);
    // The first and last tick of the rows between the limits; false when none is.
    bool ticksBetween(const QDateTime& from, const QDateTime& to, qint64& first,
                      qint64& last) const;
    // The instants of the rows in the table's full order.
    std::function<bool(int, qint64&)> rowInstants() const;

    ViewState& view() { return m_view; }
    const ViewState& view() const { return m_view; }

signals:
    // The loaded data goes: views drop what points into it.
    void cleared();
    void loaded();
    // The bookmarks or their notes changed (also by undo or a new load).
    void bookmarksChanged();

private:
    ReadResult readFiles(const QStringList& files, const ReadProgress& progress);
    void restoreBookmarks(const QStringList& paths);
    QStringList afterBookmarkChange(const QStringList& errors);

    StreamLoger* m_logger;
    std::unique_ptr<ProtocolAssembly> m_assembly;
    ProtocolTableModel* m_tableModel = nullptr;
    BookmarkStore m_bookmarks;
    QVector<BookmarkStore::Problem> m_bookmarkProblems;
    QStringList m_loadedFiles;
    QList<ReadProblem> m_readProblems;
    bool m_tickMismatch = false;
    qint64 m_firstTick = 0;
    qint64 m_lastTick = 0;
    ComputedChannels m_computed;       // as computed.def holds them
    ComputedChannels m_formulaOptions; // from the command line, over the file's
    CheckedComputedChannels m_computedCheck;
    QString m_computedPath;
    QString m_computedFileProblem;
    ViewState m_view;
};
