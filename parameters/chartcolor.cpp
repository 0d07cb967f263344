#include "parameters/chartcolor.h"

#include "app/settingsfile.h"
#include "protocol/channellookup.h"

#include <QSettings>

#include <algorithm>
#include <array>

namespace {

const QString arrayName = QStringLiteral("Colors");
const QString channelKey = QStringLiteral("channel");
const QString colorKey = QStringLiteral("color");

struct PaletteEntry
{
    const char* name;
    QRgb fallback;
};

// The eight named colours come first, for the codes seen first. "darkYellow"
// is no colour name the parser knows, and an invalid colour would paint its
// channel black and be saved as #000000.
// The eight after them, so that sixteen channels need not share colours:
// each has a contrast ratio of at least 4.5 to both ends of the default
// background (#000096 and black), and lies at least 30 apart (CIE76 colour
// difference) from every other colour here, from the red value line and
// from the white bookmark lines.
constexpr std::array<PaletteEntry, 16> palette = {{{"cyan", 0xff00ffff},
                                                   {"magenta", 0xffff00ff},
                                                   {"yellow", 0xffffff00},
                                                   {"gray", 0xff808080},
                                                   {"darkCyan", 0xff008b8b},
                                                   {"darkMagenta", 0xff8b008b},
                                                   {"darkYellow", 0xff808000},
                                                   {"darkGray", 0xffa9a9a9},
                                                   {"#ff8000", 0xffff8000},
                                                   {"#00ff80", 0xff00ff80},
                                                   {"#40a0ff", 0xff40a0ff},
                                                   {"#ff80c0", 0xffff80c0},
                                                   {"#c0ff80", 0xffc0ff80},
                                                   {"#c080ff", 0xffc080ff},
                                                   {"#ff8080", 0xffff8080},
                                                   {"#ffd0a0", 0xffffd0a0}}};

QColor paletteColor(size_t index)
{
    const QColor parsed(QLatin1String(palette[index].name));
    return parsed.isValid() ? parsed : QColor::fromRgb(palette[index].fallback);
}

// Far more channels than any log definition names.
constexpr int kMaxStoredColors = 500;

// Belongs to the process, not to one palette: 0 at start, never reset.
int paletteCursor = 0;

} // namespace

ChartColor::ChartColor(QObject* parent) : ChartColor(ChannelLookup::streamLoger(), parent) {}

ChartColor::ChartColor(const ChannelLookup& catalogue, QObject* parent)
    : QObject(parent), m_catalogue(catalogue)
{
    load();
}

ChartColor::~ChartColor()
{
    if (m_saveOnExit)
        save();
}

QColor ChartColor::color(const QString& code)
{
    auto it = m_colors.find(code);
    if (it == m_colors.end()) {
        int w = paletteCursor;
        if (w >= int(palette.size()))
            w = 0;
        paletteCursor = w + 1;
        it = m_colors.insert(code, paletteColor(size_t(w)));
    }
    return it.value();
}

void ChartColor::setColor(const QString& name, const QColor& color)
{
    const QString code = m_catalogue.codeByTitle(name);
    if (!code.isEmpty())
        m_colors.insert(code, color);
}

void ChartColor::load()
{
    QSettings settings(settingsFilePath(), QSettings::IniFormat);
    // The stored size is only a claim: a damaged file must not keep start-up
    // busy for minutes.
    const int count = std::min(settings.beginReadArray(arrayName), kMaxStoredColors);
    for (int i = 0; i < count; ++i) {
        settings.setArrayIndex(i);
        m_colors.insert(settings.value(channelKey).toString(),
                        QColor(settings.value(colorKey).toString()));
    }
    settings.endArray();
}

void ChartColor::save() const
{
    QSettings settings(settingsFilePath(), QSettings::IniFormat);
    // Elements of an earlier, longer array would otherwise linger after the new size.
    settings.remove(arrayName);
    settings.beginWriteArray(arrayName);
    int i = 0;
    for (auto it = m_colors.cbegin(); it != m_colors.cend(); ++it) {
        settings.setArrayIndex(i++);
        settings.setValue(channelKey, it.key());
        settings.setValue(colorKey, it.value().name());
    }
    settings.endArray();
}
