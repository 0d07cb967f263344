#include "events/eventdefinition.h"

#include "formula/formulacheck.h"

#include <QRegularExpression>
#include <QSet>

#include <cmath>

bool parseDuration(const QString& text, qint64& ms)
{
    const QString given = text.trimmed();
    static const QRegularExpression clock(
        QStringLiteral("^(\\d+):(\\d{1,2}):(\\d{1,2})(?:[.,](\\d{1,3}))?$"));
    if (const auto match = clock.match(given); match.hasMatch()) {
        const qint64 fraction =
            match.captured(4).isEmpty()
                ? 0
                : match.captured(4).leftJustified(3, QLatin1Char('0')).toLongLong();
        ms = ((match.captured(1).toLongLong() * 60 + match.captured(2).toLongLong()) * 60 +
              match.captured(3).toLongLong()) *
                 1000 +
             fraction;
        return true;
    }
    static const QRegularExpression number(
        QStringLiteral("^(\\d+(?:[.,]\\d+)?)\\s*(ms|мс|s|с|сек|m|min|мин|h|ч)?$"),
        QRegularExpression::CaseInsensitiveOption);
    const auto match = number.match(given);
    if (!match.hasMatch())
        return false;
    const double value = match.captured(1).replace(QLatin1Char(','), QLatin1Char('.')).toDouble();
    const QString unit = match.captured(2).toLower();
    double factor = 1000;
    if (unit == QLatin1String("ms") || unit == QStringLiteral("мс"))
        factor = 1;
    else if (unit == QLatin1String("m") || unit == QLatin1String("min") ||
             unit == QStringLiteral("мин"))
        factor = 60000;
    else if (unit == QLatin1String("h") || unit == QStringLiteral("ч"))
        factor = 3600000;
    const double result = std::round(value * factor);
    // A year is far beyond any protocol; larger is a typing error.
    if (!std::isfinite(result) || result > 366.0 * 24 * 3600000)
        return false;
    ms = qint64(result);
    return true;
}

QString durationText(qint64 ms)
{
    const QChar zero(QLatin1Char('0'));
    const QString sign = ms < 0 ? QStringLiteral("-") : QString();
    ms = std::abs(ms);
    return QStringLiteral("%1%2:%3:%4.%5")
        .arg(sign)
        .arg(ms / 3600000, 2, 10, zero)
        .arg(ms / 60000 % 60, 2, 10, zero)
        .arg(ms / 1000 % 60, 2, 10, zero)
        .arg(ms % 1000, 3, 10, zero);
}

bool parseEventOption(const QString& text, EventDefinition& definition, QString& error)
{
    definition = EventDefinition();
    const int equals = text.indexOf(QLatin1Char('='));
    if (equals <= 0 || text.left(equals).trimmed().isEmpty()) {
        error = QStringLiteral("неверное событие «%1»: нужна запись "
                               "ИМЯ=УСЛОВИЕ[;min=ДЛИТЕЛЬНОСТЬ][;join=ДЛИТЕЛЬНОСТЬ]")
                    .arg(text);
        return false;
    }
    definition.name = text.left(equals).trimmed();
    QStringList parts = text.mid(equals + 1).split(QLatin1Char(';'));
    definition.condition = parts.takeFirst().trimmed();
    for (const QString& part : qAsConst(parts)) {
        const int is = part.indexOf(QLatin1Char('='));
        const QString key = part.left(is).trimmed().toLower();
        qint64 ms = 0;
        if (is < 0 || (key != QLatin1String("min") && key != QLatin1String("join")) ||
            !parseDuration(part.mid(is + 1), ms)) {
            error = QStringLiteral("событие «%1»: непонятно «%2» (нужно min=ДЛИТЕЛЬНОСТЬ или "
                                   "join=ДЛИТЕЛЬНОСТЬ, например min=1s, join=500ms)")
                        .arg(definition.name, part.trimmed());
            return false;
        }
        (key == QLatin1String("min") ? definition.minMs : definition.joinMs) = ms;
    }
    if (definition.condition.isEmpty()) {
        error = QStringLiteral("событие «%1»: нет условия").arg(definition.name);
        return false;
    }
    return true;
}

EventDefinitions withEventOverrides(EventDefinitions definitions, const EventDefinitions& overrides)
{
    for (const EventDefinition& given : overrides) {
        bool replaced = false;
        for (EventDefinition& kept : definitions) {
            if (kept.name == given.name) {
                const QColor color = kept.color;
                kept = given;
                kept.color = color.isValid() ? color : given.color;
                replaced = true;
            }
        }
        if (!replaced)
            definitions.push_back(given);
    }
    return definitions;
}

QColor defaultEventColor(int index)
{
    static const char* const colors[] = {"#ff8080", "#80b0ff", "#ffc040", "#80d080",
                                         "#d090f0", "#60d0d0", "#f0a0c0", "#c0c060"};
    return QColor(QLatin1String(colors[index % 8]));
}

QStringList checkEventDefinitions(const EventDefinitions& definitions, const QStringList& codes,
                                  std::vector<int>* refused)
{
    QStringList problems;
    QSet<QString> names;
    const QSet<QString> known(codes.begin(), codes.end());
    for (size_t i = 0; i < definitions.size(); ++i) {
        const EventDefinition& definition = definitions[i];
        QString problem;
        if (definition.name.trimmed().isEmpty()) {
            problem = QStringLiteral("событие %1: нет имени").arg(i + 1);
        } else if (names.contains(definition.name)) {
            problem = QStringLiteral("событие «%1»: имя повторяется").arg(definition.name);
        } else if (definition.minMs < 0 || definition.joinMs < 0) {
            problem = QStringLiteral("событие «%1»: длительность не может быть меньше нуля")
                          .arg(definition.name);
        } else {
            const FormulaCheck check = checkFormula(definition.condition, known);
            if (!check.ok)
                problem = QStringLiteral("событие «%1»: %2").arg(definition.name, check.text());
        }
        names.insert(definition.name);
        if (!problem.isEmpty()) {
            problems.append(problem);
            if (refused)
                refused->push_back(int(i));
        }
    }
    return problems;
}
