#pragma once

#include "chartdata/channelseries.h"
#include "chartdata/columnseries.h"
#include "compare/alignmentrule.h"
#include "formula/computedchannel.h"
#include "protocol/readproblem.h"
#include "statistics/rangestatistics.h"
#include "table/bookmarkfile.h"

#include <QObject>
#include <QStringList>
#include <QVector>

#include <deque>
#include <functional>
#include <memory>
#include <vector>

class Comparison;
class ComparisonTable;
class ComparisonTableModel;
class ProtocolAssembly;
class StreamLoger;

// A comparison as the window and a script hold it: the protocols read each
// on its own time base, the rule and the shift of each, the curves the
// charts draw on the relative axis (milliseconds since each protocol's
// zero), the difference channels, the table model and the statistics.
//
// Use: open(), then read curves(), tableModel() and statistics(); a shift
// moves the curves at once (their origins only) and the rows on the next
// rebuildRows(), which a drag calls when it ends.
class ComparisonSession : public QObject
{
    Q_OBJECT
public:
    // One channel of one protocol on the relative axis. The series reads the
    // protocol's columns in place; its address stays while the session lives.
    struct Curve
    {
        QString code;
        QString title; // the channel's title in its protocol
        int protocol = 0;
        ColumnSeries series;
        // The bounds of the code over every protocol, so that one channel's
        // curves share a scale.
        double minimum = 0;
        double maximum = 0;
    };

    // Protocol k minus protocol 1 of one code, as points on the relative
    // axis; where either has no value there is no point.
    struct DifferenceCurve
    {
        QString code;
        int protocol = 1;
        QString title; // "U1 [2−1]"
        ChannelSeries points;
        double minimum = 0;
        double maximum = 0;
    };

    // A channel computed over the rows (see comparisonformula.h): its
    // values per row (NaN for none) and as points on the relative axis.
    struct FormulaCurve
    {
        QString name;
        QString expression;
        std::vector<double> values;
        ChannelSeries points;
        double minimum = 0;
        double maximum = 0;
    };

    // What a protocol's records of a code between two relative times add
    // up to; `valid` false where the protocol has no such channel.
    struct ProtocolStatistics
    {
        int protocol = 0;
        bool valid = false;
        RangeSummary summary;
    };

    explicit ComparisonSession(QObject* parent = nullptr);
    ~ComparisonSession() override;

    // Reads the files (the first eight) each on its own time base with the
    // computed channels each has the inputs of, and puts every zero where
    // the rule says. False when fewer than two could be read, or when
    // `proceed` stopped the read; readProblems() say why.
    bool open(StreamLoger& logger, const QStringList& files, const ComputedChannels& computed,
              const AlignmentRule& rule, const std::function<bool()>& proceed = {});
    const QList<ReadProblem>& readProblems() const { return m_readProblems; }
    // How many of the files open() read, also when too few to compare.
    int readCount() const { return m_readCount; }
    // The same with protocols already read and built (each of one file),
    // named by their absolute paths, beside which their bookmarks lie.
    bool openAssemblies(std::vector<std::unique_ptr<ProtocolAssembly>> assemblies,
                        const QStringList& files, const AlignmentRule& rule);
    // One Russian line per protocol a rule could not align, naming the file;
    // those keep their start.
    QStringList alignmentErrors() const;

    const Comparison& comparison() const { return *m_comparison; }
    int protocolCount() const;
    // The files read, absolute, in the comparison's order.
    const QStringList& files() const { return m_files; }
    QString label(int protocol) const; // "11.03.2024 08:00"
    // The instant (ms since the epoch) shown at 0 for the protocol.
    qint64 zero(int protocol) const;

    // Alignment of one protocol. A rule that cannot be applied leaves the
    // anchor where it was and says why in Russian; the shift stays.
    AlignmentRule rule(int protocol) const;
    bool setRule(int protocol, const AlignmentRule& rule, QString& error);
    // The protocol's bookmarks, read beside it at open().
    const QVector<Bookmark>& bookmarks(int protocol) const;
    qint64 shift(int protocol) const;
    // Moves the protocol's curves at once; the rows, the table and the
    // difference channels follow on rebuildRows().
    void setShift(int protocol, qint64 msecs);
    void rebuildRows();

    std::deque<Curve>& curves() { return m_curves; }
    const std::deque<Curve>& curves() const { return m_curves; }

    // Difference channels; false when it exists already, or when protocol 1
    // or protocol k (1-based k >= 2 is `protocol` >= 1) has no such code.
    bool addDifference(const QString& code, int protocol);
    void removeDifference(const QString& code, int protocol);
    const std::deque<DifferenceCurve>& differences() const { return m_differences; }

    // Channels computed over the rows from "NAME=EXPR"; false with the
    // fault in Russian. A name given again replaces its formula.
    bool addFormula(const QString& text, QString& error);
    void removeFormula(const QString& name);
    const std::deque<FormulaCurve>& formulas() const { return m_formulas; }

    ComparisonTableModel* tableModel() const { return m_tableModel; }
    // The table the reports write: every row, the named codes' columns (all
    // when empty) and the difference channels.
    std::unique_ptr<ComparisonTable> reportTable(const QStringList& codes = {}) const;

    // Each protocol's records of the code between two relative times, both
    // included, in protocol order.
    QVector<ProtocolStatistics> statistics(const QString& code, qint64 from, qint64 to) const;

signals:
    void shiftChanged(int protocol);
    // Rows, table and difference channels were rebuilt.
    void rowsChanged();
    void differencesChanged();

private:
    struct Member;

    bool openComparison(std::unique_ptr<Comparison> comparison, const QStringList& files,
                        const AlignmentRule& rule);
    void buildCurves();
    // The protocol's curves to its zero.
    void placeCurves(int protocol);
    void buildDifference(DifferenceCurve& difference) const;
    void buildFormula(FormulaCurve& formula) const;

    std::unique_ptr<Comparison> m_comparison;
    std::vector<std::unique_ptr<Member>> m_members;
    QStringList m_files;
    QList<ReadProblem> m_readProblems;
    int m_readCount = 0;
    std::deque<Curve> m_curves;
    std::deque<DifferenceCurve> m_differences;
    std::deque<FormulaCurve> m_formulas;
    ComparisonTableModel* m_tableModel = nullptr; // a child
};
