#include "parameters/chartcolor.h"

#include "chartdata/textcontrast.h"
#include "parameters/settingsfile.h"
#include "protocol/streamloger.h"
#include "tests/table/fakelookup.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QtTest>

#include <array>
#include <cmath>

namespace {

const QStringList paletteNames = {"#00ffff", "#ff00ff", "#ffff00", "#808080", "#008b8b", "#8b008b",
                                  "#808000", "#a9a9a9", "#ff8000", "#00ff80", "#40a0ff", "#ff80c0",
                                  "#c0ff80", "#c080ff", "#ff8080", "#ffd0a0"};

// CIE L*a*b* of an sRGB colour (D65), written out here as the colour
// science books give it, to judge how far apart two colours look.
std::array<double, 3> lab(const QColor& colour)
{
    const auto linear = [](double c) {
        return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    const double r = linear(colour.redF());
    const double g = linear(colour.greenF());
    const double b = linear(colour.blueF());
    const double x = (0.4124 * r + 0.3576 * g + 0.1805 * b) / 0.95047;
    const double y = 0.2126 * r + 0.7152 * g + 0.0722 * b;
    const double z = (0.0193 * r + 0.1192 * g + 0.9505 * b) / 1.08883;
    const auto f = [](double t) { return t > 0.008856 ? std::cbrt(t) : 7.787 * t + 16.0 / 116; };
    return {116 * f(y) - 16, 500 * (f(x) - f(y)), 200 * (f(y) - f(z))};
}

double colourDifference(const QColor& a, const QColor& b)
{
    const auto p = lab(a);
    const auto q = lab(b);
    return std::sqrt((p[0] - q[0]) * (p[0] - q[0]) + (p[1] - q[1]) * (p[1] - q[1]) +
                     (p[2] - q[2]) * (p[2] - q[2]));
}

// The cursor belongs to the process; ask fresh codes until the last palette
// colour was handed out, so that the next new code gets the first one.
void moveCursorToStart(ChartColor& palette)
{
    static int fresh = 0;
    for (int i = 0; i < paletteNames.size(); ++i) {
        if (palette.color(QStringLiteral("drain%1").arg(fresh++)).name() == paletteNames.last())
            return;
    }
}

QMap<QString, QString> storedColors()
{
    QSettings settings(settingsFilePath(), QSettings::IniFormat);
    QMap<QString, QString> colors;
    const int count = settings.beginReadArray("Colors");
    for (int i = 0; i < count; ++i) {
        settings.setArrayIndex(i);
        colors.insert(settings.value("channel").toString(), settings.value("color").toString());
    }
    settings.endArray();
    return colors;
}

void storeColors(const QVector<QPair<QString, QString>>& colors)
{
    QSettings settings("settings.conf", QSettings::IniFormat);
    settings.beginWriteArray("Colors");
    for (int i = 0; i < colors.size(); ++i) {
        settings.setArrayIndex(i);
        settings.setValue("channel", colors[i].first);
        settings.setValue("color", colors[i].second);
    }
    settings.endArray();
}

} // namespace

class TestChartColor : public QObject
{
    Q_OBJECT

    FakeLookup catalogue;

private slots:
    void init()
    {
        QFile::remove("settings.conf");
        QFile::remove(settingsFilePath());
        catalogue = FakeLookup();
        catalogue.addChannel("U1", 1, QStringLiteral("Напряжение"));
    }

    void newCodesTakeThePaletteInOrderAndWrap()
    {
        ChartColor palette(catalogue);
        moveCursorToStart(palette);
        QStringList names;
        for (int i = 1; i <= 17; ++i)
            names.append(palette.color(QStringLiteral("U%1").arg(i)).name());
        QCOMPARE(names, paletteNames + QStringList{paletteNames.first()});
        // Asking again does not advance the cursor; a second palette shares it.
        QCOMPARE(palette.color("U3").name(), paletteNames[2]);
        {
            ChartColor other(catalogue);
            QCOMPARE(other.color("U3").name(), paletteNames[1]);
        }
        QCOMPARE(palette.color("newer").name(), paletteNames[2]);
    }

    void sixteenChannelsKeepApartOnTheBackground()
    {
        ChartColor palette(catalogue);
        moveCursorToStart(palette);
        QVector<QColor> colours;
        for (int i = 0; i < 16; ++i)
            colours.append(palette.color(QStringLiteral("C%1").arg(i)));
        // Sixteen channels, sixteen colours.
        for (int i = 0; i < 16; ++i)
            for (int j = i + 1; j < 16; ++j)
                QVERIFY2(colours[i] != colours[j], qPrintable(colours[i].name()));
        // The eight added ones read on the default background and stand apart
        // from every other colour, the value line and the bookmarks.
        const QVector<QColor> drawnToo{QColor(Qt::red), QColor(Qt::white)};
        for (int i = 8; i < 16; ++i) {
            for (const QColor& background : {QColor(0, 0, 150), QColor(Qt::black)})
                QVERIFY2(chart::contrastRatio(colours[i], background) >= 4.5,
                         qPrintable(colours[i].name()));
            for (int j = 0; j < 16; ++j)
                QVERIFY2(j == i || colourDifference(colours[i], colours[j]) >= 30,
                         qPrintable(colours[i].name() + " / " + colours[j].name()));
            for (const QColor& other : drawnToo)
                QVERIFY2(colourDifference(colours[i], other) >= 30, qPrintable(colours[i].name()));
        }
        // The difference itself, by hand: black to white is 100, red to
        // white about 114.
        QVERIFY(qAbs(colourDifference(Qt::black, Qt::white) - 100) < 0.01);
        QVERIFY(qAbs(colourDifference(Qt::red, Qt::white) - 114.6) < 0.1);
    }

    void storedColourIsKeptAndDoesNotMoveTheCursor()
    {
        storeColors({{"U1", "#ff0000"}, {"U2", "not a colour"}});
        ChartColor palette(catalogue);
        moveCursorToStart(palette);
        QCOMPARE(palette.color("U1"), QColor(Qt::red));
        QCOMPARE(palette.color("U3").name(), paletteNames.first());
        // An unreadable stored colour stays what it is.
        QVERIFY(!palette.color("U2").isValid());
    }

    void hugeStoredSizeIsReadOnlyAsFarAsItsBound()
    {
        storeColors({{"U1", "#ff0000"}});
        {
            // Unbounded, this size would keep the constructor busy for minutes.
            QSettings settings("settings.conf", QSettings::IniFormat);
            settings.setValue("Colors/size", 2147483647);
            settings.setValue("Colors/100000/channel", "far");
            settings.setValue("Colors/100000/color", "#00ff00");
        }
        ChartColor palette(catalogue);
        QCOMPARE(palette.color("U1"), QColor(Qt::red));
        moveCursorToStart(palette);
        QCOMPARE(palette.color("far").name(), paletteNames.first());
    }

    void savedArrayHoldsOneColourPerCode()
    {
        storeColors({{"U1", "#000000"}, {"U1", "#000001"}, {"U1", "#000002"}});
        {
            ChartColor palette(catalogue);
            palette.color("U2");
            // Stored under the code of the title; an unknown title changes nothing.
            palette.setColor(QStringLiteral("Напряжение (U1)"), QColor(0x12, 0x34, 0x56, 0x78));
            palette.setColor(QStringLiteral("Нет такого (X)"), QColor("#654321"));
            QCOMPARE(palette.color("U1"), QColor(0x12, 0x34, 0x56, 0x78));
        }
        // Alpha is not stored; no stale elements of the longer array are left.
        const auto stored = storedColors();
        QCOMPARE(stored.keys(), QStringList({"U1", "U2"}));
        QCOMPARE(stored.value("U1"), QStringLiteral("#123456"));
        QSettings settings("settings.conf", QSettings::IniFormat);
        QCOMPARE(settings.value("Colors/size").toInt(), 2);
        QVERIFY(!settings.contains("Colors/3/channel"));
    }

    void defaultLookupAsksTheLogDefinition()
    {
        QFile definition("log.def");
        QVERIFY(definition.open(QIODevice::WriteOnly));
        definition.write(R"({"CONTENT": [{"VALUES": [{"CODE": "U1", "ID": 1, "NAME": "Ток"}]}]})");
        definition.close();
        QVERIFY(StreamLoger::instance()->init(QDir::currentPath()));
        {
            ChartColor palette;
            palette.setColor(QStringLiteral("Ток (U1)"), QColor("#0000ff"));
            palette.setColor(QStringLiteral("Ток (U2)"), QColor("#00ff00"));
        }
        QCOMPARE(storedColors(), (QMap<QString, QString>{{"U1", "#0000ff"}}));
        StreamLoger::release();
    }
};

QTEST_GUILESS_MAIN(TestChartColor)
#include "test_chartcolor.moc"
