#include "formula/formulaevaluator.h"

#include <muParser.h>

#include <algorithm>
#include <cmath>

#if defined(__ELF__)
// Set when the OpenMP runtime is loaded, which it is with a muParser built
// for OpenMP; a weak reference needs no link to it otherwise.
extern "C" void omp_set_num_threads(int) __attribute__((weak));
#endif

namespace {
// A muParser built with OpenMP splits every bulk evaluation over all cores.
// The program computes on its one thread: threads that spin while they wait
// for each other cost several times the work on a busy machine.
void computeOnThisThread()
{
#if defined(__ELF__)
    if (omp_set_num_threads)
        omp_set_num_threads(1);
#endif
}

// Names a formula reads, found by letting the parser create each one.
double* collectName(const char* /*name*/, void* store)
{
    auto& values = *static_cast<std::vector<std::unique_ptr<double>>*>(store);
    values.push_back(std::make_unique<double>(0.0));
    return values.back().get();
}

// Rows per call of the bulk mode: each call has a fixed cost, each row costs
// 8 bytes per input and result.
constexpr std::size_t kBlockRows = std::size_t(1) << 17;
} // namespace

struct FormulaEvaluator::Parser
{
    mu::Parser parser;
    std::vector<std::vector<double>> inputs; // one block per input
    std::vector<double> results;
    std::vector<unsigned char> missing; // per row of the block
};

FormulaEvaluator::FormulaEvaluator() = default;
FormulaEvaluator::~FormulaEvaluator() = default;

bool FormulaEvaluator::setFormula(const QString& formula)
{
    m_parser.reset();
    m_inputs.clear();
    const std::string expression = formula.toUtf8().toStdString();
    QStringList names;
    auto parser = std::make_unique<Parser>();
    try {
        std::vector<std::unique_ptr<double>> store;
        mu::Parser scan;
        scan.SetVarFactory(collectName, &store);
        scan.SetExpr(expression);
        for (const auto& used : scan.GetUsedVar())
            names.append(QString::fromStdString(used.first));
        scan.Eval();
        if (scan.GetNumResults() != 1)
            return false;

        parser->inputs.resize(size_t(names.size()));
        for (int i = 0; i < names.size(); ++i) {
            parser->inputs[size_t(i)].assign(kBlockRows, 0.0);
            parser->parser.DefineVar(names.at(i).toStdString(), parser->inputs[size_t(i)].data());
        }
        parser->parser.SetExpr(expression);
        parser->parser.Eval();
    } catch (const mu::ParserError&) {
        return false;
    }
    parser->results.resize(kBlockRows);
    parser->missing.resize(kBlockRows);
    m_inputs = names;
    m_parser = std::move(parser);
    return true;
}

void FormulaEvaluator::evaluate(const std::vector<FormulaInput>& columns, std::size_t rows,
                                int decimals, std::vector<qint32>& out)
{
    out.assign(rows, ComputedChannel::noValue);
    if (!m_parser || columns.size() != size_t(m_inputs.size()))
        return;
    Parser& p = *m_parser;
    computeOnThisThread();
    const double scale = std::pow(10.0, decimals);
    // Beyond this the rounded result is no raw value (the lowest one marks a gap).
    constexpr double limit = 2147483647.0;

    for (std::size_t start = 0; start < rows; start += kBlockRows) {
        const std::size_t n = std::min(kBlockRows, rows - start);
        std::fill(p.missing.begin(), p.missing.begin() + std::ptrdiff_t(n), 0);
        for (std::size_t c = 0; c < columns.size(); ++c) {
            const FormulaInput& in = columns[c];
            double* to = p.inputs[c].data();
            const std::size_t present = in.count > start ? std::min(n, in.count - start) : 0;
            const qint32* raw = present > 0 ? in.values + start : nullptr;
            if (present > 0 && in.ids) {
                const quint8* ids = in.ids + start;
                for (std::size_t j = 0; j < present; ++j)
                    to[j] = double(raw[j]) / in.divisorById[ids[j]];
            } else {
                for (std::size_t j = 0; j < present; ++j)
                    to[j] = double(raw[j]) / in.divisor;
            }
            if (in.gaps) {
                for (std::size_t j = 0; j < present; ++j)
                    p.missing[j] |= raw[j] == ComputedChannel::noValue;
            }
            for (std::size_t j = present; j < n; ++j) {
                to[j] = 0;
                p.missing[j] = 1;
            }
        }
        try {
            p.parser.Eval(p.results.data(), int(n));
        } catch (const mu::ParserError&) {
            continue; // the block stays without results
        }
        qint32* result = out.data() + start;
        for (std::size_t j = 0; j < n; ++j) {
            const double value = std::round(p.results[j] * scale);
            // NaN fails both comparisons, infinities the second.
            if (!p.missing[j] && value >= -limit && value <= limit)
                result[j] = qint32(value);
        }
    }
}
