#include "formula/formulaevaluator.h"

#include <muParser.h>

#include <algorithm>
#include <cmath>
#include <limits>

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
    // One block per input, sized on first use to the rows at hand: a short
    // protocol over many channels needs no block of the longest size each.
    std::vector<std::unique_ptr<double[]>> inputs;
    std::unique_ptr<double[]> results;
    std::unique_ptr<unsigned char[]> missing; // per row of the block
    std::size_t blockRows = 0;
    double unused = 0; // what the names read before the first block
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
        for (int i = 0; i < names.size(); ++i)
            parser->parser.DefineVar(names.at(i).toStdString(), &parser->unused);
        parser->parser.SetExpr(expression);
    } catch (const mu::ParserError&) {
        return false;
    }
    m_inputs = names;
    m_parser = std::move(parser);
    return true;
}

void FormulaEvaluator::evaluate(const std::vector<FormulaInput>& columns, std::size_t rows,
                                std::vector<double>& out)
{
    const double none = std::numeric_limits<double>::quiet_NaN();
    out.assign(rows, none);
    evaluate(columns, rows, [&out](std::size_t first, const double* results, std::size_t n) {
        std::copy(results, results + n, out.begin() + std::ptrdiff_t(first));
    });
}

void FormulaEvaluator::evaluate(const std::vector<FormulaInput>& columns, std::size_t rows,
                                const Block& blockDone)
{
    const double none = std::numeric_limits<double>::quiet_NaN();
    if (!m_parser || columns.size() != size_t(m_inputs.size()) || rows == 0)
        return;
    Parser& p = *m_parser;
    computeOnThisThread();
    const std::size_t block = std::min(kBlockRows, rows);
    try {
        if (p.blockRows < block) {
            // Left as they come: every row a call reads is written first.
            for (std::size_t c = 0; c < columns.size(); ++c) {
                p.inputs[c].reset(new double[block]);
                p.parser.DefineVar(m_inputs.at(int(c)).toStdString(), p.inputs[c].get());
            }
            p.results.reset(new double[block]);
            p.missing.reset(new unsigned char[block]);
            p.blockRows = block;
        }
    } catch (const mu::ParserError&) {
        return;
    }

    for (std::size_t start = 0; start < rows; start += block) {
        const std::size_t n = std::min(block, rows - start);
        unsigned char* missing = p.missing.get();
        std::fill(missing, missing + n, 0);
        for (std::size_t c = 0; c < columns.size(); ++c) {
            const FormulaInput& in = columns[c];
            double* to = p.inputs[c].get();
            const std::size_t present = in.count > start ? std::min(n, in.count - start) : 0;
            if (in.real) {
                const double* real = in.real + start;
                for (std::size_t j = 0; j < present; ++j) {
                    to[j] = real[j];
                    missing[j] |= std::isnan(real[j]);
                }
            } else if (present > 0 && in.ids) {
                const qint32* raw = in.values + start;
                const quint8* ids = in.ids + start;
                for (std::size_t j = 0; j < present; ++j)
                    to[j] = double(raw[j]) / in.divisorById[ids[j]];
            } else if (present > 0) {
                const qint32* raw = in.values + start;
                for (std::size_t j = 0; j < present; ++j)
                    to[j] = double(raw[j]) / in.divisor;
            }
            for (std::size_t j = present; j < n; ++j) {
                to[j] = 0;
                missing[j] = 1;
            }
        }
        double* computed = p.results.get();
        try {
            p.parser.Eval(computed, int(n));
        } catch (const mu::ParserError&) {
            std::fill(computed, computed + n, none); // the block stays without results
        }
        for (std::size_t j = 0; j < n; ++j) {
            if (missing[j] || !std::isfinite(computed[j]))
                computed[j] = none;
        }
        blockDone(start, computed, n);
    }
}
