#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <map>
#include <memory>

class QFont;
class ReportFile;
class QImage;
class QTemporaryFile;
struct lxw_format;
struct lxw_workbook;
struct lxw_worksheet;

namespace xlsx {

// The look of a cell. A value: changing it later never changes cells that
// were written with it.
class Format
{
public:
    // Font family, point size, bold and italic of the font.
    void setFont(const QFont& font);
    // The same border on all four sides: 0 none, 1 thin, 2 medium (Excel's numbering).
    void setBorderStyle(int style);
    // An Excel number format code such as "0.00" or "dd/mm/yyyy hh:mm:ss.000".
    void setNumberFormat(const QString& code);

    bool isDefault() const;
    QString key() const;

    QString family;
    double pointSize = 0; // 0: the workbook's default size
    bool bold = false;
    bool italic = false;
    int borderStyle = 0;
    QString numberFormat;
};

// A new workbook with one worksheet of the library's default name; addSheet()
// appends more, and cells then go to the newest one.
// Rows and columns of write() count from 1, the anchor of insertImage() from 0.
// A sheet is streamed to disk as it is written, so cells go in row by row,
// top to bottom; a write to a row above an earlier written one fails.
class Document
{
public:
    Document();
    ~Document();
    Q_DISABLE_COPY_MOVE(Document)

    // Writes the text as a string cell, never as a formula.
    bool write(int row, int column, const QString& text, const Format& format = Format());
    // A numeric cell; give the format a number format to choose how it shows.
    bool writeNumber(int row, int column, double value, const Format& format = Format());
    bool addSheet(const QString& name);
    // Puts the image with its top left corner at the given cell, at its size
    // in screen pixels (its pixel size over its device pixel ratio).
    bool insertImage(int row, int column, const QImage& image);
    // Completes the workbook and writes it to fileName; an existing file is
    // replaced only when the new one was written completely.
    bool saveAs(const QString& fileName);
    bool saveTo(ReportFile& file);

    QString errorString() const { return m_error; }

private:
    bool fail(const QString& error);
    bool checkCell(int row, int column);
    bool cellWritten(int row, int column, int error);
    bool checkOpen();
    lxw_format* libraryFormat(const Format& format);

    std::unique_ptr<QTemporaryFile> m_scratch;
    lxw_workbook* m_workbook = nullptr;
    lxw_worksheet* m_sheet = nullptr;
    bool m_closed = false;
    std::map<QString, lxw_format*> m_formats;
    QList<QByteArray> m_images;
    QString m_error;
};

} // namespace xlsx
