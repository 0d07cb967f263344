#pragma once

#include "readback.h"

#include <QMap>
#include <QPoint>
#include <QRegularExpression>
#include <QVector>
#include <QXmlStreamReader>

#include <functional>

// Reads back what a spreadsheet program sees in a workbook: the package's
// parts, one sheet's cells with their types, number formats, fonts and
// borders, and the anchors of the first sheet's pictures.
struct XlsxCell
{
    QString text;         // the string, or the stored number as written
    QString type;         // the cell's t attribute: empty for a number
    QString numberFormat; // format code; empty for the built-in general format
    bool formula = false;
    bool bold = false;
    QString fontName;
    QStringList borders; // left, right, top, bottom styles
};

struct XlsxContent
{
    bool ok = false;
    QStringList parts;
    QMap<QString, XlsxCell> cells; // by reference, "A1"
    QVector<QPoint> pictures;      // anchors (column, row) counted from 0
    int lastRow = 0;               // 1-based
};

// A cell text as a spreadsheet program shows it: "_xHHHH_" is the character HHHH.
inline QString unescapedText(const QString& text)
{
    static const QRegularExpression escape(QStringLiteral("_x([0-9A-Fa-f]{4})_"));
    QString out;
    int at = 0;
    auto it = escape.globalMatch(text);
    while (it.hasNext()) {
        const QRegularExpressionMatch match = it.next();
        out += text.midRef(at, match.capturedStart() - at);
        out += QChar(match.capturedRef(1).toUShort(nullptr, 16));
        at = match.capturedEnd();
    }
    return out + text.midRef(at);
}

inline QByteArray xlsxPart(const QString& path, const QString& part)
{
    return runTool(QStringLiteral("unzip"), {QStringLiteral("-p"), path, part});
}

// The workbook whose package holds `parts`, each read by `part`; sheet counts from 1.
inline XlsxContent readXlsxParts(const QStringList& parts,
                                 const std::function<QByteArray(const QString&)>& part,
                                 int sheet = 1)
{
    XlsxContent content;
    content.parts = parts;
    if (content.parts.isEmpty())
        return content;

    QStringList shared;
    {
        QXmlStreamReader xml(part(QStringLiteral("xl/sharedStrings.xml")));
        while (!xml.atEnd()) {
            xml.readNext();
            if (xml.isStartElement() && xml.name() == QLatin1String("si"))
                shared.append(QString());
            else if (xml.isStartElement() && xml.name() == QLatin1String("t") && !shared.isEmpty())
                shared.last() += unescapedText(xml.readElementText());
        }
    }

    struct Xf
    {
        int font = 0;
        int border = 0;
        int numberFormat = 0;
    };
    // Built-in formats that a writer may refer to by number alone.
    QMap<int, QString> numberFormats = {{1, QStringLiteral("0")}, {2, QStringLiteral("0.00")}};
    QVector<Xf> xfs;
    QVector<QPair<bool, QString>> fonts;
    QVector<QStringList> borders;
    {
        QXmlStreamReader xml(part(QStringLiteral("xl/styles.xml")));
        QString section;
        while (!xml.atEnd()) {
            xml.readNext();
            if (!xml.isStartElement())
                continue;
            const auto name = xml.name();
            const auto attributes = xml.attributes();
            if (name == QLatin1String("numFmt"))
                numberFormats[attributes.value(QLatin1String("numFmtId")).toInt()] =
                    attributes.value(QLatin1String("formatCode")).toString();
            if (name == QLatin1String("fonts") || name == QLatin1String("borders") ||
                name == QLatin1String("cellXfs") || name == QLatin1String("cellStyleXfs"))
                section = name.toString();
            else if (section == QLatin1String("fonts") && name == QLatin1String("font"))
                fonts.append({false, QString()});
            else if (section == QLatin1String("fonts") && name == QLatin1String("b"))
                fonts.last().first = attributes.value(QLatin1String("val")) != QLatin1String("0");
            else if (section == QLatin1String("fonts") && name == QLatin1String("name"))
                fonts.last().second = attributes.value(QLatin1String("val")).toString();
            else if (section == QLatin1String("borders") && name == QLatin1String("border"))
                borders.append(QStringList{QString(), QString(), QString(), QString()});
            else if (section == QLatin1String("borders")) {
                const int side =
                    QStringList{"left", "right", "top", "bottom"}.indexOf(name.toString());
                if (side >= 0)
                    borders.last()[side] = attributes.value(QLatin1String("style")).toString();
            } else if (section == QLatin1String("cellXfs") && name == QLatin1String("xf"))
                xfs.append({attributes.value(QLatin1String("fontId")).toInt(),
                            attributes.value(QLatin1String("borderId")).toInt(),
                            attributes.value(QLatin1String("numFmtId")).toInt()});
        }
    }

    {
        QXmlStreamReader xml(part(QStringLiteral("xl/worksheets/sheet%1.xml").arg(sheet)));
        QString reference;
        while (!xml.atEnd()) {
            xml.readNext();
            if (!xml.isStartElement())
                continue;
            const auto name = xml.name();
            if (name == QLatin1String("row")) {
                content.lastRow = xml.attributes().value(QLatin1String("r")).toInt();
            } else if (name == QLatin1String("c")) {
                reference = xml.attributes().value(QLatin1String("r")).toString();
                XlsxCell& cell = content.cells[reference];
                cell.type = xml.attributes().value(QLatin1String("t")).toString();
                const Xf xf = xfs.value(xml.attributes().value(QLatin1String("s")).toInt());
                cell.bold = fonts.value(xf.font).first;
                cell.fontName = fonts.value(xf.font).second;
                cell.borders = borders.value(xf.border);
                cell.numberFormat = numberFormats.value(xf.numberFormat);
            } else if (name == QLatin1String("f")) {
                content.cells[reference].formula = true;
            } else if (name == QLatin1String("t")) {
                content.cells[reference].text += unescapedText(xml.readElementText());
            } else if (name == QLatin1String("v")) {
                XlsxCell& cell = content.cells[reference];
                const QString value = xml.readElementText();
                cell.text = cell.type == QLatin1String("s") ? shared.value(value.toInt()) : value;
            }
        }
    }

    {
        QXmlStreamReader xml(part(QStringLiteral("xl/drawings/drawing1.xml")));
        bool inFrom = false;
        QPoint anchor;
        while (!xml.atEnd()) {
            xml.readNext();
            if (xml.isEndElement() && xml.name() == QLatin1String("from")) {
                inFrom = false;
                content.pictures.append(anchor);
            }
            if (!xml.isStartElement())
                continue;
            if (xml.name() == QLatin1String("from"))
                inFrom = true;
            else if (inFrom && xml.name() == QLatin1String("col"))
                anchor.setX(xml.readElementText().toInt());
            else if (inFrom && xml.name() == QLatin1String("row"))
                anchor.setY(xml.readElementText().toInt());
        }
    }
    content.ok = true;
    return content;
}

inline XlsxContent readXlsx(const QString& path, int sheet = 1)
{
    const QByteArray list = runTool(QStringLiteral("unzip"), {QStringLiteral("-Z1"), path});
    return readXlsxParts(
        QString::fromUtf8(list).split(QLatin1Char('\n'), Qt::SkipEmptyParts),
        [&path](const QString& name) { return xlsxPart(path, name); }, sheet);
}
