#pragma once

#include "formula/formulaevaluator.h"

#include <QString>
#include <QStringList>

#include <cstddef>
#include <functional>
#include <memory>
#include <vector>

// Evaluates an event condition over whole columns, a block of rows at a
// time, into one state per row: RowFalse, RowTrue, or RowNoValue where an
// input has no value (or the formula gives no finite number).
//
// Conditions that are comparisons of a channel with a number joined by
// "&&", "||" and brackets ("U1 < 207 || U1 > 253", "V1 > 4 && ST == 1") are
// compared column by column without the formula parser, which is several
// times faster; any other formula goes through FormulaEvaluator with the
// same result.
class ConditionScan
{
public:
    enum State : unsigned char { RowFalse = 0, RowTrue = 1, RowNoValue = 2 };
    using Block =
        std::function<void(std::size_t first, const unsigned char* states, std::size_t n)>;

    ConditionScan();
    ~ConditionScan();
    Q_DISABLE_COPY_MOVE(ConditionScan)

    // False for a formula the parser refuses.
    bool setCondition(const QString& condition);
    // The codes the condition reads, in the order scan() takes their columns.
    const QStringList& inputs() const { return m_inputs; }
    // Whether the column-by-column path is taken.
    bool isDirect() const { return m_direct != nullptr; }

    void scan(const std::vector<FormulaInput>& columns, std::size_t rows, const Block& block);

private:
    struct Direct;

    void scanDirect(const std::vector<FormulaInput>& columns, std::size_t rows, const Block& block);

    FormulaEvaluator m_evaluator;
    std::unique_ptr<Direct> m_direct;
    QStringList m_inputs;
    std::vector<unsigned char> m_states;
};
