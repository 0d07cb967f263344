#pragma once

#include <QColor>
#include <QString>
#include <QStringList>

#include <vector>

// What makes an event: a condition over channel codes written as a formula
// ("U1 < 207 || U1 > 253"), true where it is not zero; spans shorter than
// minMs are no events, and spans whose gap is at most joinMs are one.
struct EventDefinition
{
    // The most definitions a list may hold.
    static constexpr int maxCount = 200;

    QString name;
    QString condition;
    qint64 minMs = 0;
    qint64 joinMs = 0;
    QColor color;

    bool operator==(const EventDefinition& other) const
    {
        return name == other.name && condition == other.condition && minMs == other.minMs &&
               joinMs == other.joinMs && color == other.color;
    }
    bool operator!=(const EventDefinition& other) const { return !(*this == other); }
};

using EventDefinitions = std::vector<EventDefinition>;

// A duration as the user writes it: "250ms", "1.5s", "2 мин", "1h", "00:01:30.250"
// or a plain number of seconds; false for anything else or a negative one.
bool parseDuration(const QString& text, qint64& ms);
// "00:00:01.250": hours, minutes, seconds and milliseconds; days add hours.
QString durationText(qint64 ms);

// "NAME=EXPR[;min=DURATION][;join=DURATION]" as given on the command line;
// false with a Russian reason.
bool parseEventOption(const QString& text, EventDefinition& definition, QString& error);

// The definitions with each of `overrides` replacing the one of its name, or
// appended when there is none.
EventDefinitions withEventOverrides(EventDefinitions definitions,
                                    const EventDefinitions& overrides);

// A light colour for the n-th definition that has none.
QColor defaultEventColor(int index);

// Problems of a list over the channel codes at hand, one Russian line per
// definition that cannot be searched for (no name, a repeated name, a bad
// condition); `refused` gets their indexes.
QStringList checkEventDefinitions(const EventDefinitions& definitions, const QStringList& codes,
                                  std::vector<int>* refused = nullptr);
