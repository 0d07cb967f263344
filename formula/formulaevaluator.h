#pragma once

#include "formula/computedchannel.h"

#include <QStringList>

#include <cstddef>
#include <functional>
#include <memory>
#include <vector>

// One input column of a formula as the loaded protocol keeps it: raw values
// divided by 10^RATE, per row, or the results of another computed channel
// (`real`, NaN where it has none). Rows from `count` on have no value.
struct FormulaInput
{
    const qint32* values = nullptr;
    const quint8* ids = nullptr;         // per row when the IDs differ, else null
    const double* divisorById = nullptr; // 256 divisors, read when ids is set
    double divisor = 1;
    const double* real = nullptr; // read instead of the raw values when set
    std::size_t count = 0;
};

// Computes one channel's column from its inputs in muParser's bulk mode, a
// block of rows at a time so that the doubles it needs stay small.
//
// A row has no result (NaN) when any input has no value there (whatever the
// formula would make of it: "U1>250 ? 1 : 0" is no 0 where U1 is missing),
// and when the result is not a finite number.
class FormulaEvaluator
{
public:
    FormulaEvaluator();
    ~FormulaEvaluator();
    Q_DISABLE_COPY_MOVE(FormulaEvaluator)

    // False for a formula muParser refuses or that gives more than one value;
    // every name in it is taken for an input.
    bool setFormula(const QString& formula);
    // The codes the formula reads, in the order evaluate() takes their columns.
    const QStringList& inputs() const { return m_inputs; }

    // Results of rows [0, rows), unrounded.
    void evaluate(const std::vector<FormulaInput>& columns, std::size_t rows,
                  std::vector<double>& out);
    // The same a block at a time: `block` gets the first row of each block,
    // its results (NaN for none) and their number; a caller that scans the
    // results needs no column of the whole length.
    using Block = std::function<void(std::size_t first, const double* results, std::size_t n)>;
    void evaluate(const std::vector<FormulaInput>& columns, std::size_t rows, const Block& block);

private:
    struct Parser;

    std::unique_ptr<Parser> m_parser;
    QStringList m_inputs;
};
