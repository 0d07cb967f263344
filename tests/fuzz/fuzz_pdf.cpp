// Small tables made from the fuzz bytes (any Unicode, line breaks, very long
// texts and words, missing cells and headers) through the PDF writer, with or
// without a chart picture. The report is written whole or not at all: a
// success leaves a complete PDF document of at least one page, a failure
// says why and leaves no file.

#include "fuzztable.h"
#include "reports/pdfreport.h"

#include <QDateTime>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QTemporaryDir>

#include <memory>

using fuzz::require;

namespace {
std::unique_ptr<QTemporaryDir> g_dir;

QString pieceText(fuzz::Bytes& in)
{
    static const char* const pieces[] = {" ",
                                         "\n",
                                         "\t",
                                         "Ток",
                                         "😀",
                                         "a,b",
                                         "\xd7\xa9\xd7\x9c",
                                         "e\xcc\x81",
                                         "-1.5e-05",
                                         "31/01/2024 23:59:59.999",
                                         "\xe2\x80\x8b",
                                         "W",
                                         "нет данных",
                                         "\xef\xbb\xbf",
                                         "&<>",
                                         "0"};
    const uint8_t kind = in.byte();
    switch (kind % 6) {
    case 0: { // UTF-16 units, lone surrogates included
        QString text;
        for (int n = int(in.below(8)); n > 0; --n)
            text.append(QChar(in.u16()));
        return text;
    }
    case 1: // a long run of one piece: a word wider than a page, or many lines
        return QString::fromUtf8(pieces[in.below(16)]).repeated(1 + int(in.u16()) % 3000);
    default:
        return QString::fromUtf8(pieces[kind / 6 % 16]);
    }
}

std::optional<QString> cellText(fuzz::Bytes& in)
{
    const uint8_t shape = in.byte();
    if (shape % 5 == 0)
        return std::nullopt;
    QString text;
    for (int n = shape / 5 % 4; n > 0; --n)
        text += pieceText(in);
    return text;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // Never destroyed: Qt's teardown of the offscreen screen leaks, and what
    // stays reachable is no leak.
    static auto* application = new QGuiApplication(*argc, *argv);
    Q_UNUSED(application)
    fuzz::silenceQt();
    g_dir = std::make_unique<QTemporaryDir>();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::Bytes in(data, size);
    const uint8_t flags = in.byte();
    const QDateTime start(QDate(2024, 5, 10), QTime(8, 0));
    QImage chart;
    if (flags & 1) {
        chart = QImage(1 + int(in.below(64)), 1 + int(in.below(64)), QImage::Format_RGB32);
        chart.fill(Qt::darkBlue);
    }
    // The writer leaves out column 0 (the bookmark marks): two columns at least.
    const ListTable table = fuzz::tableFrom(in, 2, 5, 10, cellText);

    const QString path = g_dir->filePath(QStringLiteral("report.pdf"));
    QFile::remove(path);
    const ReportResult result = savePdfReport(table, start, chart, path);
    QFile file(path);
    if (!result) {
        require(!result.error.isEmpty(), "a failed report says why");
        require(!file.exists(), "a failed report leaves no file");
        return 0;
    }
    require(file.open(QIODevice::ReadOnly), "the report is there");
    const QByteArray bytes = file.readAll();
    require(bytes.startsWith("%PDF-"), "the report is a PDF document");
    require(bytes.right(64).contains("%%EOF"), "the document is complete");
    require(bytes.contains("/Type /Page\n") || bytes.contains("/Type /Page\r") ||
                bytes.contains("/Type /Page ") || bytes.contains("/Type /Page/"),
            "the document has a page");
    return 0;
}
