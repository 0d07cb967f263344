#include "reports/chartpicturestyle.h"

#include "chartdata/textcontrast.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr int kReferenceWidth = 1920;
constexpr int kReferenceHeight = 1080;
} // namespace

double ChartPictureOptions::scale() const
{
    if (dpi > 0)
        return std::max(1.0, double(dpi) / kScreenDpi);
    if (size.isEmpty())
        return 1.0;
    return std::max(1.0, std::min(double(size.width()) / kReferenceWidth,
                                  double(size.height()) / kReferenceHeight));
}

QSize ChartPictureOptions::layoutSize() const
{
    const double s = scale();
    return QSize(std::max(1, int(std::lround(size.width() / s))),
                 std::max(1, int(std::lround(size.height() / s))));
}

bool parsePictureLayout(const QString& text, ChartPictureOptions::Layout& layout)
{
    const QString lowered = text.toLower();
    if (lowered == QLatin1String("common"))
        layout = ChartPictureOptions::Layout::Common;
    else if (lowered == QLatin1String("channels"))
        layout = ChartPictureOptions::Layout::Channels;
    else
        return false;
    return true;
}

bool parsePictureTheme(const QString& text, ChartPictureOptions::Theme& theme)
{
    const QString lowered = text.toLower();
    if (lowered == QLatin1String("screen"))
        theme = ChartPictureOptions::Theme::Screen;
    else if (lowered == QLatin1String("print"))
        theme = ChartPictureOptions::Theme::Print;
    else
        return false;
    return true;
}

namespace printtheme {

QColor background()
{
    return QColor(Qt::white);
}

QColor text()
{
    return QColor(Qt::black);
}

QColor grid()
{
    return QColor(0x70, 0x70, 0x70);
}

QColor channelColor(const QColor& screen)
{
    const QColor rgb = screen.toRgb();
    if (chart::contrastRatio(rgb, background()) >= kLeastContrast)
        return rgb;
    // Scaling all three components alike keeps hue and saturation; the
    // contrast falls as the factor grows, so halve the interval of factors.
    double dark = 0;  // factor known to reach the contrast (black)
    double light = 1; // factor known to miss it
    QColor best = QColor(0, 0, 0);
    for (int i = 0; i < 20; ++i) {
        const double middle = (dark + light) / 2;
        const QColor scaled = QColor::fromRgbF(rgb.redF() * middle, rgb.greenF() * middle,
                                               rgb.blueF() * middle, rgb.alphaF());
        // Components are whole numbers: check what will actually be drawn.
        if (chart::contrastRatio(scaled, background()) >= kLeastContrast) {
            dark = middle;
            best = scaled;
        } else {
            light = middle;
        }
    }
    return best;
}

} // namespace printtheme

QString pictureTitle(const QStringList& descriptions, const QDateTime& from, const QDateTime& to)
{
    QStringList kept;
    for (const QString& description : descriptions) {
        const QString trimmed = description.simplified();
        if (!trimmed.isEmpty() && !kept.contains(trimmed))
            kept.append(trimmed);
    }
    const QString full = QStringLiteral("dd.MM.yyyy HH:mm:ss");
    QString span;
    if (from.isValid() && to.isValid())
        span = from.toString(full) + QStringLiteral(" – ") +
               to.toString(from.date() == to.date() ? QStringLiteral("HH:mm:ss") : full);
    else if (from.isValid())
        span = from.toString(full);
    kept.append(span);
    kept.removeAll(QString());
    return kept.join(QStringLiteral(" · "));
}
