#include "compare/alignment.h"

#include "formula/formulacheck.h"
#include "formula/formulaevaluator.h"
#include "table/protocolassembly.h"

#include <QSet>

#include <algorithm>
#include <cmath>

namespace {

// The protocol's column of each input code; false when the protocol lacks
// one, which is then named in `missing`.
bool formulaInputs(const ProtocolAssembly& assembly, int protocol, const QStringList& codes,
                   std::vector<FormulaInput>& inputs, QString& missing)
{
    inputs.assign(size_t(codes.size()), FormulaInput());
    for (int k = 0; k < codes.size(); ++k) {
        if (!assembly.formulaInput(protocol, codes.at(k), inputs[size_t(k)])) {
            missing = codes.at(k);
            return false;
        }
    }
    return true;
}

// The columns from row `first` on.
std::vector<FormulaInput> from(const std::vector<FormulaInput>& inputs, std::size_t first)
{
    std::vector<FormulaInput> block = inputs;
    for (FormulaInput& input : block) {
        const std::size_t skip = std::min(first, input.count);
        if (input.values)
            input.values += skip;
        if (input.ids)
            input.ids += skip;
        if (input.real)
            input.real += skip;
        input.count -= skip;
    }
    return block;
}

bool conditionInstant(const ProtocolAssembly& assembly, int protocol, const QString& condition,
                      qint64& msecs, QString& error)
{
    QSet<QString> codes;
    for (const AssembledChannel& channel : assembly.channels()) {
        if (channel.protocol == protocol)
            codes.insert(channel.code);
    }
    const FormulaCheck check = checkFormula(condition, codes);
    if (!check.ok) {
        error = QStringLiteral("условие «%1»: %2").arg(condition, check.text());
        return false;
    }
    FormulaEvaluator evaluator;
    std::vector<FormulaInput> inputs;
    QString missing;
    if (!evaluator.setFormula(condition) ||
        !formulaInputs(assembly, protocol, evaluator.inputs(), inputs, missing)) {
        error = QStringLiteral("условие «%1»: нет канала «%2»").arg(condition, missing);
        return false;
    }
    // A block at a time: the first hit is usually near the start, and the
    // doubles of a block stay small.
    constexpr std::size_t blockRows = 16384;
    const std::size_t rows = std::size_t(assembly.recordCount(protocol));
    std::vector<double> results;
    for (std::size_t first = 0; first < rows; first += blockRows) {
        const std::size_t count = std::min(blockRows, rows - first);
        evaluator.evaluate(from(inputs, first), count, results);
        for (std::size_t j = 0; j < count; ++j) {
            if (!std::isnan(results[j]) && results[j] != 0) {
                msecs = assembly.msecsSinceEpoch(protocol, int(first + j));
                return true;
            }
        }
    }
    error = QStringLiteral("условие «%1» не выполняется ни в одной записи").arg(condition);
    return false;
}

} // namespace

int findBookmark(const QVector<Bookmark>& bookmarks, const QString& text)
{
    const QString wanted = text.trimmed();
    for (int k = 0; k < bookmarks.size(); ++k) {
        if (bookmarks.at(k).note.trimmed().compare(wanted, Qt::CaseInsensitive) == 0)
            return k;
    }
    for (int k = 0; k < bookmarks.size(); ++k) {
        if (bookmarks.at(k).note.contains(wanted, Qt::CaseInsensitive))
            return k;
    }
    return -1;
}

bool alignmentInstant(const ProtocolAssembly& assembly, int protocol, const AlignmentRule& rule,
                      const QVector<Bookmark>& bookmarks, qint64& msecs, QString& error)
{
    switch (rule.kind) {
    case AlignmentRule::Kind::Start:
        if (assembly.recordCount(protocol) == 0) {
            error = QStringLiteral("в протоколе нет записей");
            return false;
        }
        msecs = assembly.msecsSinceEpoch(protocol, 0);
        return true;
    case AlignmentRule::Kind::Bookmark: {
        const int found = findBookmark(bookmarks, rule.text);
        if (found < 0) {
            error = QStringLiteral("нет закладки «%1»").arg(rule.text);
            return false;
        }
        msecs = bookmarks.at(found).msecs;
        return true;
    }
    case AlignmentRule::Kind::Condition:
        return conditionInstant(assembly, protocol, rule.text, msecs, error);
    }
    return false;
}
