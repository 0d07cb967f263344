#include "compare/comparisonformula.h"

#include "compare/comparison.h"
#include "formula/formulacheck.h"
#include "formula/formulaevaluator.h"
#include "table/protocolassembly.h"

#include <cmath>
#include <limits>

namespace comparisonformula {

namespace {
constexpr double kNone = std::numeric_limits<double>::quiet_NaN();

// CODE_k or dCODE_k taken apart; false for any other name.
bool splitName(const Comparison& comparison, const QString& name, QString& code, int& protocol,
               bool& difference)
{
    const int underscore = name.lastIndexOf(QLatin1Char('_'));
    bool ok = false;
    protocol = name.mid(underscore + 1).toInt(&ok) - 1;
    if (underscore <= 0 || !ok || protocol < 0 || protocol >= comparison.protocolCount())
        return false;
    code = name.left(underscore);
    const QStringList codes = comparison.codes();
    difference = false;
    if (codes.contains(code))
        return comparison.channelOf(protocol, code) >= 0;
    if (!code.startsWith(QLatin1Char('d')) || protocol == 0)
        return false;
    code = code.mid(1);
    difference = true;
    return comparison.channelOf(protocol, code) >= 0 && comparison.channelOf(0, code) >= 0;
}

// Protocol p's value of a channel at every row: the record at or before the
// row's time, while less than one of its ticks has passed.
void heldValues(const Comparison& comparison, int protocol, int channel, std::vector<double>& out)
{
    const ProtocolAssembly& assembly = comparison.assembly(protocol);
    const std::vector<int>& order = assembly.timeOrder();
    const qint64 tick = assembly.tickMs();
    out.assign(size_t(comparison.rowCount()), kNone);
    size_t next = 0;
    for (int row = 0; row < comparison.rowCount(); ++row) {
        const qint64 time = comparison.rowTime(row);
        while (next < order.size() && comparison.relativeTime(protocol, order[next]) <= time)
            ++next;
        if (next == 0)
            continue;
        const int record = order[next - 1];
        double value = 0;
        if (time - comparison.relativeTime(protocol, record) < tick &&
            assembly.number(0, channel, record, value))
            out[size_t(row)] = value;
    }
}

void differenceValues(const Comparison& comparison, const QString& code, int protocol,
                      std::vector<double>& out)
{
    out.assign(size_t(comparison.rowCount()), kNone);
    for (int row = 0; row < comparison.rowCount(); ++row) {
        double value = 0;
        if (comparison.differenceValue(code, protocol, row, value))
            out[size_t(row)] = value;
    }
}
} // namespace

QStringList names(const Comparison& comparison)
{
    QStringList names;
    for (const QString& code : comparison.codes()) {
        for (int p = 0; p < comparison.protocolCount(); ++p) {
            if (comparison.channelOf(p, code) >= 0)
                names.append(QStringLiteral("%1_%2").arg(code).arg(p + 1));
        }
        for (int p = 1; p < comparison.protocolCount(); ++p) {
            if (comparison.channelOf(p, code) >= 0 && comparison.channelOf(0, code) >= 0)
                names.append(QStringLiteral("d%1_%2").arg(code).arg(p + 1));
        }
    }
    return names;
}

bool parse(const QString& text, const Comparison& comparison, QString& name, QString& expression,
           QString& error)
{
    const int equals = text.indexOf(QLatin1Char('='));
    name = text.left(equals).trimmed();
    expression = text.mid(equals + 1).trimmed();
    if (equals <= 0 || expression.isEmpty()) {
        error = QStringLiteral("формула пишется как ИМЯ=выражение, например D=U1_2-U1_1");
        return false;
    }
    if (const QString fault = codeFault(name); !fault.isEmpty()) {
        error = fault;
        return false;
    }
    if (names(comparison).contains(name) || comparison.codes().contains(name)) {
        error = QStringLiteral("имя «%1» уже означает канал сравнения").arg(name);
        return false;
    }
    const FormulaCheck check = checkFormula(expression, names(comparison));
    if (!check.ok) {
        error = check.text();
        return false;
    }
    return true;
}

bool compute(const Comparison& comparison, const QString& expression, std::vector<double>& values,
             QString& error)
{
    const FormulaCheck check = checkFormula(expression, names(comparison));
    FormulaEvaluator evaluator;
    if (!check.ok || !evaluator.setFormula(expression)) {
        error = check.ok ? QStringLiteral("формулу нельзя вычислить") : check.text();
        return false;
    }
    std::vector<std::vector<double>> columns(size_t(evaluator.inputs().size()));
    std::vector<FormulaInput> inputs(columns.size());
    for (size_t i = 0; i < columns.size(); ++i) {
        QString code;
        int protocol = 0;
        bool difference = false;
        splitName(comparison, evaluator.inputs().at(int(i)), code, protocol, difference);
        if (difference)
            differenceValues(comparison, code, protocol, columns[i]);
        else
            heldValues(comparison, protocol, comparison.channelOf(protocol, code), columns[i]);
        inputs[i].real = columns[i].data();
        inputs[i].count = columns[i].size();
    }
    evaluator.evaluate(inputs, size_t(comparison.rowCount()), values);
    return true;
}

} // namespace comparisonformula
