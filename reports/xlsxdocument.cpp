#include "reports/xlsxdocument.h"

#include "reports/reportfile.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFont>
#include <QImage>
#include <QTemporaryFile>

#include <xlsxwriter.h>

namespace xlsx {

namespace {
// 96 dpi: Excel shows a picture of that resolution at its pixel size.
constexpr int kScreenDotsPerMeter = 3780;

QString libraryError(lxw_error error)
{
    return QString::fromUtf8(lxw_strerror(error));
}

bool isHex(QChar c)
{
    return (c >= QLatin1Char('0') && c <= QLatin1Char('9')) ||
           (c >= QLatin1Char('a') && c <= QLatin1Char('f')) ||
           (c >= QLatin1Char('A') && c <= QLatin1Char('F'));
}

// Whether an escape "_xHHHH_" starts at `at`.
bool startsEscape(const QString& text, int at)
{
    if (at + 6 >= text.size() || text[at] != QLatin1Char('_') || text[at + 1] != QLatin1Char('x') ||
        text[at + 6] != QLatin1Char('_'))
        return false;
    for (int i = at + 2; i < at + 6; ++i) {
        if (!isHex(text[i]))
            return false;
    }
    return true;
}

bool xmlCannotCarry(QChar c)
{
    return c.unicode() == 0 || c.unicode() == 0xFFFE || c.unicode() == 0xFFFF;
}

// A spreadsheet program reads "_xHHHH_" in a cell text as the character
// HHHH. The library writes other control characters that way, but not a NUL
// (the text would end there) nor U+FFFE and U+FFFF (no XML file may hold
// them); those are escaped here, and so is an underscore that would
// otherwise start an escape, so such a text reads back as written.
QString cellText(const QString& text)
{
    bool plain = true;
    for (int i = 0; i < text.size() && plain; ++i)
        plain = !xmlCannotCarry(text[i]) && !startsEscape(text, i);
    if (plain)
        return text;
    QString out;
    out.reserve(text.size() + 16);
    for (int i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (xmlCannotCarry(c))
            out += QStringLiteral("_x%1_").arg(QString::number(c.unicode(), 16).toUpper(), 4,
                                               QLatin1Char('0'));
        else if (startsEscape(text, i))
            out += QStringLiteral("_x005F_");
        else
            out += c;
    }
    return out;
}
} // namespace

void Format::setFont(const QFont& font)
{
    family = font.family();
    pointSize = font.pointSizeF() > 0 ? font.pointSizeF() : 0;
    bold = font.bold();
    italic = font.italic();
}

void Format::setBorderStyle(int style)
{
    borderStyle = style;
}

void Format::setNumberFormat(const QString& code)
{
    numberFormat = code;
}

bool Format::isDefault() const
{
    return family.isEmpty() && pointSize == 0 && !bold && !italic && borderStyle == 0 &&
           numberFormat.isEmpty();
}

QString Format::key() const
{
    return QStringLiteral("%1|%2|%3|%4|%5|%6")
        .arg(family)
        .arg(pointSize)
        .arg(int(bold))
        .arg(int(italic))
        .arg(borderStyle)
        .arg(numberFormat);
}

Document::Document()
{
    // The library needs the output name up front; the workbook is built in a
    // scratch file and copied to its place by saveAs().
    m_scratch =
        std::make_unique<QTemporaryFile>(QDir::tempPath() + QStringLiteral("/voltrek-XXXXXX.xlsx"));
    if (!m_scratch->open()) {
        fail(QStringLiteral("Cannot create a scratch file: %1").arg(m_scratch->errorString()));
        return;
    }
    m_scratch->close();

    const QByteArray path = QFile::encodeName(m_scratch->fileName());
    lxw_workbook_options options = {};
    options.constant_memory = LXW_TRUE;
    m_workbook = workbook_new_opt(path.constData(), &options);
    if (m_workbook)
        m_sheet = workbook_add_worksheet(m_workbook, nullptr);
    if (!m_sheet)
        fail(QStringLiteral("Cannot start the workbook"));
}

Document::~Document()
{
    if (m_workbook && !m_closed)
        workbook_close(m_workbook);
}

bool Document::fail(const QString& error)
{
    m_error = error;
    return false;
}

bool Document::checkOpen()
{
    if (!m_sheet)
        return false;
    if (m_closed)
        return fail(QStringLiteral("The workbook has already been saved"));
    return true;
}

lxw_format* Document::libraryFormat(const Format& format)
{
    if (format.isDefault())
        return nullptr;
    // The library resolves a format when the workbook is closed, so every
    // distinct look gets a format object of its own that is never changed.
    const QString key = format.key();
    const auto found = m_formats.find(key);
    if (found != m_formats.end())
        return found->second;

    lxw_format* created = workbook_add_format(m_workbook);
    if (!format.family.isEmpty())
        format_set_font_name(created, format.family.toUtf8().constData());
    if (format.pointSize > 0)
        format_set_font_size(created, format.pointSize);
    if (format.bold)
        format_set_bold(created);
    if (format.italic)
        format_set_italic(created);
    if (format.borderStyle != 0)
        format_set_border(created, uint8_t(format.borderStyle));
    if (!format.numberFormat.isEmpty())
        format_set_num_format(created, format.numberFormat.toUtf8().constData());
    m_formats.emplace(key, created);
    return created;
}

bool Document::checkCell(int row, int column)
{
    if (!checkOpen())
        return false;
    if (row < 1 || column < 1 || row > LXW_ROW_MAX || column > LXW_COL_MAX)
        return fail(QStringLiteral("Cell (%1, %2) lies outside a worksheet").arg(row).arg(column));
    return true;
}

bool Document::cellWritten(int row, int column, int error)
{
    if (error == LXW_ERROR_WORKSHEET_INDEX_OUT_OF_RANGE)
        return fail(
            QStringLiteral("Cell (%1, %2) lies above a row already written").arg(row).arg(column));
    if (error != LXW_NO_ERROR)
        return fail(QStringLiteral("Cell (%1, %2): %3")
                        .arg(row)
                        .arg(column)
                        .arg(libraryError(lxw_error(error))));
    return true;
}

bool Document::write(int row, int column, const QString& text, const Format& format)
{
    if (!checkCell(row, column))
        return false;
    const QByteArray utf8 = cellText(text).toUtf8();
    return cellWritten(row, column,
                       worksheet_write_string(m_sheet, lxw_row_t(row - 1), lxw_col_t(column - 1),
                                              utf8.constData(), libraryFormat(format)));
}

bool Document::writeNumber(int row, int column, double value, const Format& format)
{
    if (!checkCell(row, column))
        return false;
    return cellWritten(row, column,
                       worksheet_write_number(m_sheet, lxw_row_t(row - 1), lxw_col_t(column - 1),
                                              value, libraryFormat(format)));
}

bool Document::addSheet(const QString& name)
{
    if (!checkOpen())
        return false;
    lxw_worksheet* sheet = workbook_add_worksheet(m_workbook, name.toUtf8().constData());
    if (!sheet)
        return fail(QStringLiteral("Cannot add the worksheet %1").arg(name));
    m_sheet = sheet;
    return true;
}

bool Document::insertImage(int row, int column, const QImage& image)
{
    if (!checkOpen())
        return false;
    if (image.isNull())
        return fail(QStringLiteral("No image to insert"));
    if (row < 0 || column < 0 || row >= LXW_ROW_MAX || column >= LXW_COL_MAX)
        return fail(
            QStringLiteral("Image anchor (%1, %2) lies outside a worksheet").arg(row).arg(column));

    QImage screen = image;
    screen.setDotsPerMeterX(kScreenDotsPerMeter);
    screen.setDotsPerMeterY(kScreenDotsPerMeter);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (!screen.save(&buffer, "PNG"))
        return fail(QStringLiteral("Cannot encode the image"));
    m_images.append(png);

    // A picture drawn at a higher pixel ratio is shown at its size in
    // screen pixels; its extra pixels are there for printing.
    lxw_image_options options = {};
    options.x_scale = 1.0 / image.devicePixelRatio();
    options.y_scale = 1.0 / image.devicePixelRatio();
    const lxw_error error = worksheet_insert_image_buffer_opt(
        m_sheet, lxw_row_t(row), lxw_col_t(column),
        reinterpret_cast<const unsigned char*>(m_images.last().constData()),
        size_t(m_images.last().size()), &options);
    if (error != LXW_NO_ERROR)
        return fail(QStringLiteral("Cannot insert the image: %1").arg(libraryError(error)));
    return true;
}

bool Document::saveAs(const QString& fileName)
{
    ReportFile file(fileName);
    return saveTo(file);
}

bool Document::saveTo(ReportFile& file)
{
    if (!m_sheet)
        return false;
    if (!m_closed) {
        m_closed = true;
        const lxw_error error = workbook_close(m_workbook);
        m_workbook = nullptr;
        if (error != LXW_NO_ERROR) {
            m_sheet = nullptr;
            return fail(
                QStringLiteral("Cannot complete the workbook: %1").arg(libraryError(error)));
        }
    }

    QFile scratch(m_scratch->fileName());
    if (!scratch.open(QIODevice::ReadOnly))
        return fail(QStringLiteral("Cannot read the scratch file: %1").arg(scratch.errorString()));
    if (const ReportResult opened = file.open(); !opened)
        return fail(opened.error);
    constexpr qint64 kChunk = 1 << 20;
    while (!scratch.atEnd()) {
        const QByteArray chunk = scratch.read(kChunk);
        if (chunk.isEmpty()) {
            file.cancel();
            return fail(
                QStringLiteral("Cannot read the scratch file: %1").arg(scratch.errorString()));
        }
        // A failed write is kept by the file and reported by its commit.
        if (file.device().write(chunk) != chunk.size())
            break;
    }
    if (const ReportResult committed = file.commit(); !committed)
        return fail(committed.error);
    return true;
}

} // namespace xlsx
