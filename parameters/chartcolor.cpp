#include "parameters/chartcolor.h"

#include "parameters/settingsfile.h"
#include "protocol/channellookup.h"

#include <QSettings>

#include <algorithm>
#include <array>

namespace {

const QString arrayName = QStringLiteral("Colors");
const QString channelKey = QStringLiteral("channel");
const QString colorKey = QStringLiteral("color");

// The colours new codes take, in this order. Rule: any two of them differ
// by a CIE76 colour difference (CIE L*a*b*, D65) of at least 20 as drawn on
// the screen and again as printed, after the print theme's darkening (see
// printtheme::channelColor), so that neither twenty-four channels on the
// screen nor their printed curves share a colour. Each also reads on both
// ends of the default background (#000096 and black: contrast ratio at
// least 4.5) and lies at least 25 from the red value line and the white
// bookmark lines. The order puts the most different ones first, so few
// channels lie further apart still; cyan, magenta and yellow open it, as
// they always did.
constexpr std::array<QRgb, 24> palette = {
    0xff00ffff, 0xffff00ff, 0xffffff00, 0xffff5577, 0xff6688ff, 0xffee7700, 0xffddaa99, 0xff00bb55,
    0xffcc66ff, 0xff00bbff, 0xffff33cc, 0xffdd7755, 0xffdd88ee, 0xffbb8833, 0xff99bbcc, 0xffff55aa,
    0xffff5544, 0xff66cc00, 0xffaaee66, 0xffaabb88, 0xffffbbee, 0xff99aaff, 0xff55eeaa, 0xffdd7788};

QColor paletteColor(size_t index)
{
    return QColor::fromRgb(palette[index]);
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
