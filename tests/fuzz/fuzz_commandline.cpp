// The command line and its date-time limits from fuzz bytes, in a zone with
// summer time. Arguments are the NUL-separated pieces of the input. A parse
// never takes a limit for something else: a valid limit written back in ISO
// form with its offset reads as the same instant, a whole day's end lies
// after its start, a size is within its bounds, and every argument is an
// option, a value or listed as unknown.

#include "app/commandline.h"
#include "fuzzsupport.h"

#include <QCoreApplication>

using fuzz::require;

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    // A zone with summer time.
    fuzz::startCore(argc, argv, "Europe/Berlin");
    return 0;
}

namespace {
void checkDateTime(const QString& text)
{
    bool skipped = false;
    const QDateTime start = parseDateTimeOption(text, false, &skipped);
    require(!(skipped && start.isValid()), "a skipped local time gives no instant");
    const QDateTime end = parseDateTimeOption(text, true);
    require(start.isValid() == end.isValid(), "a day's end exists when its start does");
    if (!start.isValid())
        return;
    require(end >= start, "a limit up to the end of a day is not before its start");
    require(end.toMSecsSinceEpoch() - start.toMSecsSinceEpoch() < 25 * 3600 * 1000LL,
            "a day lasts at most 25 hours");
    const QString written = start.toString(Qt::ISODateWithMs);
    const QDateTime again = parseDateTimeOption(written);
    require(again.isValid() && again.toMSecsSinceEpoch() == start.toMSecsSinceEpoch(),
            "a limit written with its offset reads back as the same instant");
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), int(size));
    checkDateTime(QString::fromUtf8(bytes));

    const QList<QByteArray> arguments = bytes.split('\0');
    const StartupOptions options = parseCommandLine(arguments);
    require(options.pngSize.width() >= 16 && options.pngSize.width() <= 16384 &&
                options.pngSize.height() >= 16 && options.pngSize.height() <= 16384,
            "the picture size stays within its bounds");
    if (options.error.isEmpty() && options.from.isValid() && options.to.isValid())
        require(options.from <= options.to, "an accepted range does not end before it begins");
    if (!options.error.isEmpty())
        return 0;
    require(options.unknown.size() + options.files.size() <= arguments.size(),
            "an argument is an option, a value or unknown");
    const QString complaint = unknownArgumentsText(options);
    require(complaint.isEmpty() == options.unknown.isEmpty(), "unknown arguments are named");
    return 0;
}
