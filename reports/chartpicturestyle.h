#pragma once

#include <QColor>
#include <QDateTime>
#include <QSize>
#include <QStringList>

// How a chart picture is laid out and coloured.
struct ChartPictureOptions
{
    enum class Layout { Common, Channels };
    enum class Theme { Screen, Print };

    QSize size{1600, 900}; // pixels
    int dpi = 0;           // pixels per inch; 0: none given
    Layout layout = Layout::Common;
    Theme theme = Theme::Screen;

    static constexpr int kScreenDpi = 96;
    static constexpr int kLeastDpi = 24;
    static constexpr int kMostDpi = 2400;

    // The factor by which texts and lines grow against the screen: dpi / 96
    // when a resolution is given (the picture printed at it shows the
    // screen's point sizes), else as much as the picture exceeds 1920 x 1080
    // in both directions, and never less than 1. A 3840 x 2160 picture thus
    // looks like a 1920 x 1080 one at twice the resolution.
    double scale() const;
    // The size the picture is laid out at: size / scale().
    QSize layoutSize() const;
};

// "common" / "channels" and "screen" / "print", case-insensitively; false
// for anything else.
bool parsePictureLayout(const QString& text, ChartPictureOptions::Layout& layout);
bool parsePictureTheme(const QString& text, ChartPictureOptions::Theme& theme);

// Colours of the print theme: white paper, dark text and grid.
namespace printtheme {
QColor background();
QColor text();
QColor grid();
// Curves and scale labels are drawn in the channel's colour, so it must be
// readable on white: a colour whose contrast ratio to white is below 4.5:1
// (the common threshold for text) is darkened, keeping its hue and
// saturation, just as far as it reaches 4.5:1; others stay as they are.
QColor channelColor(const QColor& screen);
constexpr double kLeastContrast = 4.5;
} // namespace printtheme

// The title line of a picture: the protocols' descriptions (empty ones and
// repeats left out), then the time span shown, "05.03.2024 10:00:00 –
// 12:30:00" within one day, with both dates otherwise.
QString pictureTitle(const QStringList& descriptions, const QDateTime& from, const QDateTime& to);
