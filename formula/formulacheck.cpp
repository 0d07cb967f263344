#include "formula/formulacheck.h"

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
    switch (error.GetCode()) {
    case mu::ecUNASSIGNABLE_TOKEN:
        if (token.size() > maxCodeLength)
            return QStringLiteral("имя длиннее %1 знаков").arg(maxCodeLength);
        return unknownName ? QStringLiteral("неизвестный код %1").arg(quoted(token))
                           : QStringLiteral("непонятный знак %1").arg(quoted(token));
    case mu::ecUNEXPECTED_OPERATOR:
        return QStringLiteral("лишний оператор %1").arg(quoted(token));
    case mu::ecUNEXPECTED_EOF:
        return QStringLiteral("формула оборвана");
    case mu::ecUNEXPECTED_ARG_SEP:
        return QStringLiteral("лишняя запятая");
    case mu::ecUNEXPECTED_ARG:
    case mu::ecUNEXPECTED_VAL:
    case mu::ecUNEXPECTED_VAR:
        return QStringLiteral("лишнее значение %1").arg(quoted(token));
    case mu::ecUNEXPECTED_PARENS:
        return QStringLiteral("лишняя скобка %1").arg(quoted(token));
    case mu::ecMISSING_PARENS:
        return QStringLiteral("не хватает закрывающей скобки");
    case mu::ecUNEXPECTED_FUN:
        return QStringLiteral("лишняя функция %1").arg(quoted(token));
    case mu::ecTOO_MANY_PARAMS:
        return QStringLiteral("слишком много аргументов у %1").arg(quoted(token));
    case mu::ecTOO_FEW_PARAMS:
        return QStringLiteral("слишком мало аргументов у %1").arg(quoted(token));
    case mu::ecEMPTY_EXPRESSION:
        return QStringLiteral("формула пуста");
    case mu::ecUNEXPECTED_CONDITIONAL:
        return QStringLiteral("лишний знак «?»");
    case mu::ecMISSING_ELSE_CLAUSE:
        return QStringLiteral("после «?» не хватает части «:»");
    case mu::ecMISPLACED_COLON:
        return QStringLiteral("лишнее двоеточие");
    case mu::ecUNEXPECTED_STR:
    case mu::ecSTRING_EXPECTED:
    case mu::ecVAL_EXPECTED:
    case mu::ecUNTERMINATED_STRING:
    case mu::ecSTR_RESULT:
        return QStringLiteral("строки в формуле не допускаются");
    case mu::ecEXPRESSION_TOO_LONG:
        return QStringLiteral("формула слишком длинная");
    case mu::ecIDENTIFIER_TOO_LONG:
        return QStringLiteral("имя длиннее %1 знаков").arg(maxCodeLength);
    case mu::ecINVALID_CHARACTERS_FOUND:
        return QStringLiteral("недопустимый знак");
    default:
        return QStringLiteral("ошибка в формуле");
    }
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
    return codeFault(code).isEmpty();
}

QString codeFault(const QString& code, QString* english)
{
    const auto fault = [english](const QString& russian, const QString& inEnglish) {
        if (english)
            *english = inEnglish;
        return russian;
    };
    if (code.isEmpty())
        return fault(QStringLiteral("код не задан"), QStringLiteral("no code"));
    // The parser's own constants: a channel of that name could never be read,
    // and defining it would fail every formula.
    if (code == QLatin1String("_pi") || code == QLatin1String("_e"))
        return fault(
            QStringLiteral("код %1 — постоянная формул, возьмите другой").arg(quoted(code)),
            QStringLiteral("the code \"%1\" is a formula constant").arg(code));
    if (code.size() > maxCodeLength)
        return fault(QStringLiteral("код длиннее %1 знаков").arg(maxCodeLength),
                     QStringLiteral("the code is longer than %1 characters").arg(maxCodeLength));
    const QString form = QStringLiteral("код должен состоять из латинских букв, цифр и «_» и "
                                        "начинаться не с цифры");
    const QString inEnglish =
        QStringLiteral("a code takes Latin letters, digits and _, not a digit first");
    if (code.at(0).isDigit())
        return fault(form, inEnglish);
    for (const QChar c : code) {
        const ushort u = c.unicode();
        const bool latin = (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z');
        if (!latin && !(u >= '0' && u <= '9') && u != '_')
            return fault(form, inEnglish);
    }
    return QString();
}

namespace {

// Where an assignment "=" stands (not part of "==", "<=", ">=" or "!="), -1
// for none: the parser would take "U1=3" for the constant 3.
int assignmentAt(const QString& formula)
{
    for (int i = 0; i < formula.size(); ++i) {
        if (formula.at(i) != QLatin1Char('='))
            continue;
        const QChar before = i > 0 ? formula.at(i - 1) : QChar();
        if (i + 1 < formula.size() && formula.at(i + 1) == QLatin1Char('=')) {
            ++i; // "=="
            continue;
        }
        if (before == QLatin1Char('<') || before == QLatin1Char('>') || before == QLatin1Char('!'))
            continue;
        return i;
    }
    return -1;
}

// The words of a formula that may name a channel, each once: runs of Latin
// letters, digits and "_" not starting with a digit ("1e5" is a number).
QStringList namesIn(const QString& formula)
{
    QStringList names;
    QSet<QString> seen;
    const auto isWordChar = [](QChar c) {
        const ushort u = c.unicode();
        return (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') ||
               u == '_';
    };
    for (int i = 0; i < formula.size();) {
        if (!isWordChar(formula.at(i))) {
            ++i;
            continue;
        }
        int end = i;
        while (end < formula.size() && isWordChar(formula.at(end)))
            ++end;
        const QString word = formula.mid(i, end - i);
        if (!word.at(0).isDigit() && !seen.contains(word)) {
            seen.insert(word);
            names.append(word);
        }
        i = end;
    }
    return names;
}

void refuse(FormulaCheck& check, const mu::ParserError& error, const QByteArray& utf8,
            const QSet<QString>& known)
{
    check.ok = false;
    check.inputs.clear();
    const QString token = QString::fromStdString(error.GetToken());
    const bool unknownName = error.GetCode() == mu::ecUNASSIGNABLE_TOKEN && isFormulaName(token) &&
                             !known.contains(token);
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

} // namespace

FormulaCheck checkFormula(const QString& formula, const QStringList& codes)
{
    return checkFormula(formula, QSet<QString>(codes.begin(), codes.end()));
}

FormulaCheck checkFormula(const QString& formula, const QSet<QString>& known)
{
    FormulaCheck check;
    const auto fail = [&check](int position, const QString& russian, const QString& english) {
        check.ok = false;
        check.position = position;
        check.message = russian;
        check.english = english;
        return check;
    };
    // The parser stops reading at a NUL: what follows would pass unseen.
    if (const int nul = formula.indexOf(QChar(0)); nul >= 0)
        return fail(nul, QStringLiteral("недопустимый знак с кодом 0"),
                    QStringLiteral("a NUL character"));
    if (const int assignment = assignmentAt(formula); assignment >= 0)
        return fail(assignment, QStringLiteral("присваивание «=» недопустимо, сравнение — «==»"),
                    QStringLiteral("assignment \"=\" is not allowed, compare with \"==\""));

    const QByteArray utf8 = formula.toUtf8();
    try {
        // Only the known codes the formula names are defined, so that the
        // work grows with the formula and not with the number of codes.
        const QStringList names = namesIn(formula);
        std::vector<double> values(size_t(names.size()), 1.0);
        mu::Parser parser;
        for (int i = 0; i < names.size(); ++i) {
            if (known.contains(names.at(i)))
                parser.DefineVar(names.at(i).toStdString(), &values[size_t(i)]);
        }
        parser.SetExpr(utf8.toStdString());
        // Evaluated first: only the strict parse reports unknown names as such.
        parser.Eval();
        for (const auto& used : parser.GetUsedVar())
            check.inputs.append(QString::fromStdString(used.first));
        if (parser.GetNumResults() != 1)
            return fail(-1, QStringLiteral("формула должна давать одно значение"),
                        QStringLiteral("the formula must give one value"));
    } catch (const mu::ParserError& error) {
        refuse(check, error, utf8, known);
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

    if (n > ComputedChannel::maxCount) {
        // Refused as a whole: a list this long is no hand-written one.
        const int first = ComputedChannel::maxCount;
        const QString& code = channels[size_t(first)].code;
        result.problems.append(QStringLiteral("%1: вычисляемых каналов %2, больше %3")
                                   .arg(code)
                                   .arg(n)
                                   .arg(ComputedChannel::maxCount));
        result.english.append(QStringLiteral("%1: %2 computed channels, more than %3")
                                  .arg(code)
                                  .arg(n)
                                  .arg(ComputedChannel::maxCount));
        result.refused.push_back(first);
        result.firstBad = first;
        return result;
    }
    const QSet<QString> logged(loggedCodes.begin(), loggedCodes.end());
    QHash<QString, int> indexOf;
    indexOf.reserve(n);
    // Logged codes a formula cannot name (a parser constant, say) are left
    // out: they must not spoil the other formulas.
    QSet<QString> known;
    known.reserve(loggedCodes.size() + n);
    for (const QString& code : loggedCodes) {
        if (isFormulaName(code))
            known.insert(code);
    }
    for (int i = 0; i < n; ++i) {
        const ComputedChannel& c = channels[size_t(i)];
        QString inEnglish;
        const QString fault = codeFault(c.code, &inEnglish);
        if (!fault.isEmpty()) {
            problem[size_t(i)] = fault;
            english[size_t(i)] = inEnglish;
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
            known.insert(c.code);
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

const ComputedCheck& CheckedComputedChannels::check(const ComputedChannels& channels,
                                                    const QStringList& loggedCodes)
{
    if (!m_valid || channels != m_channels || loggedCodes != m_logged) {
        m_check = checkComputedChannels(channels, loggedCodes);
        m_channels = channels;
        m_logged = loggedCodes;
        m_valid = true;
    }
    return m_check;
}
