#include "bench/ratioreporter.h"
#include "formula/formulaevaluator.h"

#include <cmath>
#include <random>

namespace {

constexpr std::size_t kRows = 1000000;

// Voltage in 0.1 V and current in 0.01 A, as the logger writes them.
struct Columns
{
    std::vector<qint32> u;
    std::vector<qint32> i;

    Columns() : u(kRows), i(kRows)
    {
        std::mt19937 random(24);
        std::uniform_int_distribution<qint32> volts(2000, 2500);
        std::uniform_int_distribution<qint32> amperes(-3000, 3000);
        for (std::size_t r = 0; r < kRows; ++r) {
            u[r] = volts(random);
            i[r] = amperes(random);
        }
    }
};

const Columns& columns()
{
    static const Columns data;
    return data;
}

void evaluate(benchmark::State& state)
{
    const Columns& data = columns();
    FormulaEvaluator evaluator;
    if (!evaluator.setFormula(QStringLiteral("U1*I1"))) {
        state.SkipWithError("formula refused");
        return;
    }
    // Inputs in the order the evaluator names them.
    std::vector<FormulaInput> inputs;
    for (const QString& code : evaluator.inputs()) {
        FormulaInput input;
        const bool volts = code == QLatin1String("U1");
        input.values = volts ? data.u.data() : data.i.data();
        input.divisor = volts ? 10 : 100;
        input.count = kRows;
        inputs.push_back(input);
    }
    std::vector<qint32> out;
    for (auto _ : state) {
        evaluator.evaluate(inputs, kRows, 3, out);
        benchmark::DoNotOptimize(out.data());
    }
}

// The same product written out by hand, with the same result form: rounded
// raw values and no value where the result is no finite number in range.
void bareProduct(benchmark::State& state)
{
    const Columns& data = columns();
    std::vector<qint32> out;
    for (auto _ : state) {
        out.assign(kRows, std::numeric_limits<qint32>::min());
        for (std::size_t r = 0; r < kRows; ++r) {
            const double value =
                std::round(double(data.u[r]) / 10 * (double(data.i[r]) / 100) * 1000);
            if (value >= -2147483647.0 && value <= 2147483647.0)
                out[r] = qint32(value);
        }
        benchmark::DoNotOptimize(out.data());
    }
}

} // namespace

int main(int argc, char** argv)
{
    benchmark::RegisterBenchmark("evaluate/1000000", evaluate)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("bare_product/1000000", bareProduct)
        ->Unit(benchmark::kMillisecond);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printRatios({{"evaluate/1000000", "bare_product/1000000"}});
    benchmark::Shutdown();
    return 0;
}
