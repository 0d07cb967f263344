#include "formula/formulacheck.h"

#include "formula/parsertext.h"

#include <muParser.h>

#include <QHash>
#include <QSet>

#include <functional>
#include <vector>

namespace {

// muParser counts bytes of the UTF-8 text; the user counts characters.
int characterIndex(const QByteArray& utf8, int byteIndex)
{
    if (byteIndex < 0)
        return -1;
    return QString::fromUtf8(utf8.left(byteIndex)).size();
}

QString quoted(const QString& token)
{
    return QStringLiteral("«%1»").arg(token);
}

QString russianMessage(const mu::ParserError& error, const QString& token, bool unknownName)
{
    if (error.GetCode() == mu::ecUNASSIGNABLE_TOKEN && unknownName)
        return QStringLiteral("неизвестный код %1").arg(quoted(token));
    return parserErrorText(error.GetCode(), token);
}

} // namespace

QString FormulaCheck::text() const
{
    if (position < 0)
        return message;
    return QStringLiteral("ошибка в позиции %1: %2").arg(position + 1).arg(message);
}

QString FormulaCheck::englishText() const
{
    if (position < 0)
        return english;
    return QStringLiteral("error at position %1: %2").arg(position + 1).arg(english);
}

bool isFormulaName(const QString& code)
{
    if (code.isEmpty() || code.at(0).isDigit())
        return false;
    for (const QChar c : code) {
        const ushort u = c.unicode();
        const bool latin = (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z');
        if (!latin && !(u >= '0' && u <= '9') && u != '_')
            return false;
    }
    return true;
}

FormulaCheck checkFormula(const QString& formula, const QStringList& codes)
{
    FormulaCheck check;
    const QByteArray utf8 = formula.toUtf8();
    const QSet<QString> known(codes.begin(), codes.end());
    try {
        mu::Parser parser;
        std::vector<double> values(size_t(codes.size()), 1.0);
        for (int i = 0; i < codes.size(); ++i) {
            if (isFormulaName(codes.at(i)))
                parser.DefineVar(codes.at(i).toStdString(), &values[size_t(i)]);
        }
        parser.SetExpr(utf8.toStdString());
        // Evaluated first: only the strict parse reports unknown names as such.
        parser.Eval();
        for (const auto& used : parser.GetUsedVar())
            check.inputs.append(QString::fromStdString(used.first));
        if (parser.GetNumResults() != 1) {
            check.ok = false;
            check.message = QStringLiteral("формула должна давать одно значение");
            check.english = QStringLiteral("the formula must give one value");
        }
    } catch (const mu::ParserError& error) {
        check.ok = false;
        check.inputs.clear();
        const QString token = QString::fromStdString(error.GetToken());
        const bool unknownName = error.GetCode() == mu::ecUNASSIGNABLE_TOKEN &&
                                 isFormulaName(token) && !known.contains(token);
        int at = error.GetPos();
        const QByteArray word = QByteArray::fromStdString(error.GetToken());
        // An unknown function is reported at its parenthesis: point at its name.
        if (!word.isEmpty() && at >= word.size() && !utf8.mid(at).startsWith(word) &&
            utf8.mid(at - word.size(), word.size()) == word)
            at -= word.size();
        if (error.GetCode() == mu::ecMISSING_ELSE_CLAUSE && at < 0)
            at = utf8.size();
        check.position = error.GetCode() == mu::ecEMPTY_EXPRESSION ? -1 : characterIndex(utf8, at);
        check.message = russianMessage(error, token, unknownName);
        check.english = unknownName ? QStringLiteral("unknown channel code \"%1\"").arg(token)
                                    : QString::fromStdString(error.GetMsg());
    }
    return check;
}

ComputedCheck checkComputedChannels(const ComputedChannels& channels,
                                    const QStringList& loggedCodes)
{
    ComputedCheck result;
    const int n = int(channels.size());
    std::vector<QString> problem(static_cast<size_t>(n));
    std::vector<QString> english(static_cast<size_t>(n));
    std::vector<int> position(size_t(n), -1);
    std::vector<QStringList> inputs(static_cast<size_t>(n));

    const QSet<QString> logged(loggedCodes.begin(), loggedCodes.end());
    QHash<QString, int> indexOf;
    QStringList known = loggedCodes;
    for (int i = 0; i < n; ++i) {
        const ComputedChannel& c = channels[size_t(i)];
        if (c.code.isEmpty()) {
            problem[size_t(i)] = QStringLiteral("код не задан");
            english[size_t(i)] = QStringLiteral("no code");
        } else if (!isFormulaName(c.code)) {
            problem[size_t(i)] = QStringLiteral("код должен состоять из латинских букв, цифр и "
                                                "«_» и начинаться не с цифры");
            english[size_t(i)] =
                QStringLiteral("a code takes Latin letters, digits and _, not a digit first");
        } else if (logged.contains(c.code)) {
            problem[size_t(i)] = QStringLiteral("такой код уже есть в log.def");
            english[size_t(i)] = QStringLiteral("the code is a channel of log.def");
        } else if (indexOf.contains(c.code)) {
            problem[size_t(i)] = QStringLiteral("код повторяется");
            english[size_t(i)] = QStringLiteral("the code is given twice");
        } else if (c.decimals < 0 || c.decimals > ComputedChannel::maxDecimals) {
            problem[size_t(i)] = QStringLiteral("число знаков должно быть от 0 до %1")
                                     .arg(ComputedChannel::maxDecimals);
            english[size_t(i)] =
                QStringLiteral("decimals must lie from 0 to %1").arg(ComputedChannel::maxDecimals);
        } else {
            indexOf.insert(c.code, i);
            known.append(c.code);
        }
    }
    for (int i = 0; i < n; ++i) {
        if (!problem[size_t(i)].isEmpty())
            continue;
        const FormulaCheck check = checkFormula(channels[size_t(i)].formula, known);
        if (!check.ok) {
            problem[size_t(i)] = check.text();
            english[size_t(i)] = check.englishText();
            position[size_t(i)] = check.position;
        }
        inputs[size_t(i)] = check.inputs;
    }

    // Depth-first over the computed inputs: a channel met again while its own
    // inputs are being visited closes a cycle.
    enum class Mark { None, Visiting, Done };
    std::vector<Mark> mark(size_t(n), Mark::None);
    std::vector<int> path;
    std::vector<int> order;
    std::function<bool(int)> visit = [&](int i) -> bool {
        if (mark[size_t(i)] == Mark::Done)
            return problem[size_t(i)].isEmpty();
        if (mark[size_t(i)] == Mark::Visiting) {
            QStringList cycle;
            const auto from = std::find(path.begin(), path.end(), i);
            for (auto it = from; it != path.end(); ++it)
                cycle.append(channels[size_t(*it)].code);
            cycle.append(channels[size_t(i)].code);
            for (auto it = from; it != path.end(); ++it) {
                if (problem[size_t(*it)].isEmpty()) {
                    problem[size_t(*it)] =
                        QStringLiteral("каналы ссылаются друг на друга по кругу: %1")
                            .arg(cycle.join(QStringLiteral(" → ")));
                    english[size_t(*it)] = QStringLiteral("the channels refer to each other in a "
                                                          "cycle: %1")
                                               .arg(cycle.join(QStringLiteral(" -> ")));
                }
            }
            return false;
        }
        mark[size_t(i)] = Mark::Visiting;
        path.push_back(i);
        bool sound = problem[size_t(i)].isEmpty();
        for (const QString& input : inputs[size_t(i)]) {
            const auto it = indexOf.constFind(input);
            if (it == indexOf.constEnd())
                continue;
            if (!visit(it.value()) && sound && problem[size_t(i)].isEmpty()) {
                problem[size_t(i)] =
                    QStringLiteral("читает канал %1, в котором ошибка").arg(quoted(input));
                english[size_t(i)] = QStringLiteral("channel \"%1\" has a fault").arg(input);
            }
        }
        path.pop_back();
        mark[size_t(i)] = Mark::Done;
        if (problem[size_t(i)].isEmpty())
            order.push_back(i);
        return problem[size_t(i)].isEmpty();
    };
    for (int i = 0; i < n; ++i)
        visit(i);

    for (const int i : order)
        result.ordered.push_back(channels[size_t(i)]);
    for (int i = 0; i < n; ++i) {
        if (problem[size_t(i)].isEmpty())
            continue;
        const QString& code = channels[size_t(i)].code;
        const QString name = code.isEmpty() ? QStringLiteral("%1").arg(i + 1) : code;
        result.problems.append(QStringLiteral("%1: %2").arg(name, problem[size_t(i)]));
        result.english.append(QStringLiteral("%1: %2").arg(name, english[size_t(i)]));
        result.refused.push_back(i);
        if (result.firstBad < 0) {
            result.firstBad = i;
            result.firstBadPosition = position[size_t(i)];
        }
    }
    return result;
}
