#include "reports/csvreport.h"

#include "reports/reportfile.h"
#include "reports/reporttable.h"
#include "table/timetextformatter.h"

#include <QString>

namespace {
bool needsQuotes(const QString& text)
{
    for (const QChar c : text) {
        const ushort u = c.unicode();
        if (u == ',' || u == '"' || u == '\n' || u == '\r')
            return true;
    }
    return false;
}

// Most lines are ASCII (times and numbers): copied byte for byte, without a
// converted copy of each line; the others are converted.
void appendUtf8(QByteArray& block, const QString& line)
{
    const int start = block.size();
    block.resize(start + line.size());
    char* out = block.data() + start;
    const QChar* in = line.constData();
    for (int i = 0; i < line.size(); ++i) {
        const ushort u = in[i].unicode();
        if (u >= 0x80) {
            block.resize(start);
            block.append(line.toUtf8());
            return;
        }
        out[i] = char(u);
    }
}

void appendField(QString& line, const QString& text)
{
    if (needsQuotes(text))
        line.append(csvField(text));
    else
        line.append(text);
}
} // namespace

QString csvField(const QString& text)
{
    if (!needsQuotes(text))
        return text;
    QString quoted = text;
    quoted.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

ReportResult saveCsvReport(const ReportTable& table, const QString& fileName)
{
    ReportFile file(fileName);
    return saveCsvReport(table, file);
}

ReportResult saveCsvReport(const ReportTable& table, ReportFile& file)
{
    if (ReportResult opened = file.open(); !opened)
        return opened;
    QIODevice& out = file.device();

    const int columns = table.columnCount();
    // Lines are gathered in one buffer and written in blocks; the bookmark
    // column 0 is left out. Reserved, the line and the block keep their
    // buffers from one row to the next.
    QString line;
    line.reserve(256);
    constexpr int kBlockSize = 1 << 20;
    QByteArray block;
    block.reserve(2 * kBlockSize);
    bool written = true;
    auto endLine = [&] {
        line.append(QLatin1Char('\n'));
        appendUtf8(block, line);
        line.resize(0);
        if (block.size() >= kBlockSize) {
            written = out.write(block) == block.size();
            block.resize(0);
        }
    };

    for (int column = 1; column < columns; ++column) {
        if (column > 1)
            line.append(QLatin1Char(','));
        if (table.hasHeader(column))
            appendField(line, table.headerText(column));
    }
    endLine();
    // Each row's cells come in column order, straight into the block as
    // bytes; the columns without one stay empty.
    class LineSink : public CellSink
    {
    public:
        explicit LineSink(QByteArray& block) : m_block(block) {}
        void take(int column, const QString& text) override
        {
            separateUpTo(column);
            if (needsQuotes(text))
                appendUtf8(m_block, csvField(text));
            else
                appendUtf8(m_block, text);
        }
        void takeAscii(int column, const char* text, int length) override
        {
            separateUpTo(column);
            m_block.append(text, length);
        }
        // The separators of the columns before `column`, and of it.
        void separateUpTo(int column)
        {
            for (; m_next <= column; ++m_next) {
                if (m_next > 1)
                    m_block.append(',');
            }
        }
        void restart() { m_next = 1; }

    private:
        QByteArray& m_block;
        int m_next = 1;
    } sink(block);
    for (int row = 0; written && row < table.rowCount(); ++row) {
        sink.restart();
        table.rowCells(row, sink);
        sink.separateUpTo(columns - 1);
        endLine();
    }
    if (written && !block.isEmpty())
        written = out.write(block) == block.size();

    // The loop stops at a failed write; the file keeps its reason for commit().
    return file.commit();
}

ReportResult saveBookmarkCsv(const QVector<Bookmark>& bookmarks, const QString& fileName)
{
    ReportFile file(fileName);
    if (ReportResult opened = file.open(); !opened)
        return opened;
    QString text = QStringLiteral("Время,Заметка\n");
    for (const Bookmark& bookmark : bookmarks) {
        text +=
            QDateTime::fromMSecsSinceEpoch(bookmark.msecs).toString(TimeTextFormatter::format()) +
            QLatin1Char(',') + csvField(bookmark.note) + QLatin1Char('\n');
    }
    // A failed write is kept by the file and reported by its commit.
    file.device().write(text.toUtf8());
    return file.commit();
}
