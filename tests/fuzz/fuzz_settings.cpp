// Arbitrary bytes as settings.conf: the channel palette must read them
// without fault, give every code a colour, and keep every valid colour it
// knows through saving and reading back.

#include "fuzzsupport.h"
#include "parameters/chartcolor.h"
#include "protocol/channellookup.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

using fuzz::require;

namespace {
QTemporaryDir* g_dir = nullptr;

// Titles name no channel: colours only come from the file and the palette.
class NoChannels : public ChannelLookup
{
public:
    QString channelName(const QString&) const override { return {}; }
    int rateById(int) const override { return 0; }
    int rateByCode(const QString&) const override { return 0; }
    bool hasRefs(const QString&) const override { return false; }
    QString refText(const QString&, int) const override { return {}; }
    QString codeByTitle(const QString&) const override { return {}; }
};
} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    g_dir = &fuzz::startCore(argc, argv);
    // The palette keeps its file in the working directory.
    QDir::setCurrent(g_dir->path());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    QFile file(QStringLiteral("settings.conf"));
    require(file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
                file.write(reinterpret_cast<const char*>(data), qint64(size)) == qint64(size),
            "settings written");
    file.close();

    // The codes the file names, as the toolkit reads them, and a few of its own.
    QStringList codes = {QStringLiteral("U1"), QString(), QStringLiteral("Ток"),
                         QStringLiteral("a=b;c"), QStringLiteral("\\\"[x]\"")};
    {
        QSettings settings(QStringLiteral("settings.conf"), QSettings::IniFormat);
        const int count = std::min(settings.beginReadArray(QStringLiteral("Colors")), 50);
        for (int i = 0; i < count; ++i) {
            settings.setArrayIndex(i);
            codes.append(settings.value(QStringLiteral("channel")).toString());
        }
        settings.endArray();
    }

    NoChannels lookup;
    QVector<QColor> first;
    {
        ChartColor palette(lookup);
        palette.setSaveOnExit(false);
        for (const QString& code : codes)
            first.append(palette.color(code));
        palette.setColor(QStringLiteral("x (U1)"), Qt::red);
        palette.save();
    }
    ChartColor again(lookup);
    again.setSaveOnExit(false);
    for (int i = 0; i < codes.size(); ++i) {
        // An unreadable colour stays invalid until saved; it comes back as #000000.
        if (first[i].isValid())
            require(again.color(codes[i]).rgb() == first[i].rgb(),
                    "a colour survives saving and reading back");
    }
    return 0;
}
