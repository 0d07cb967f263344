#include "bench/ratioreporter.h"
#include "bench/twochannels.h"
#include "formula/formulacheck.h"
#include "formula/formulaevaluator.h"
#include "table/protocolassembly.h"

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
    std::vector<double> out;
    for (auto _ : state) {
        evaluator.evaluate(inputs, kRows, out);
        benchmark::DoNotOptimize(out.data());
    }
}

// The same product written out by hand, with the same result form: no value
// where the result is no finite number.
void bareProduct(benchmark::State& state)
{
    const Columns& data = columns();
    std::vector<double> out;
    for (auto _ : state) {
        out.assign(kRows, std::numeric_limits<double>::quiet_NaN());
        for (std::size_t r = 0; r < kRows; ++r) {
            const double value = double(data.u[r]) / 10 * (double(data.i[r]) / 100);
            if (std::isfinite(value))
                out[r] = value;
        }
        benchmark::DoNotOptimize(out.data());
    }
}

// Many computed channels over a short load: the checking and the per-channel
// costs, not the rows, are what is measured.
constexpr int kChannelRows = 1500;

// Channel k reads the logged ones and, from the second on, the one before
// it: a chain the check must order and every evaluation must follow.
ComputedChannels chain(int count)
{
    ComputedChannels channels;
    for (int k = 0; k < count; ++k) {
        const QString formula =
            k == 0 ? QStringLiteral("U1*I1") : QStringLiteral("U1*I1+C%1/2").arg(k - 1);
        channels.push_back({QStringLiteral("C%1").arg(k), QString(), 3, formula});
    }
    return channels;
}

void checkAndCompute(benchmark::State& state)
{
    const int count = int(state.range(0));
    const ComputedChannels definitions = chain(count);
    const TwoChannels catalogue;
    const Columns& data = columns();
    for (auto _ : state) {
        const ComputedCheck check = checkComputedChannels(definitions, {"I1", "U1"});
        if (!check.ok()) {
            state.SkipWithError("a definition was refused");
            return;
        }
        ProtocolColumns protocol;
        for (int r = 0; r < kChannelRows; ++r)
            protocol.ticks.push_back(quint32(r));
        protocol.channels.push_back(
            {QStringLiteral("I1"), 2, {data.i.begin(), data.i.begin() + kChannelRows}, {}});
        protocol.channels.push_back(
            {QStringLiteral("U1"), 1, {data.u.begin(), data.u.begin() + kChannelRows}, {}});
        ProtocolAssembly assembly(catalogue);
        assembly.setComputedChannels(check.ordered);
        assembly.addProtocol(QDateTime(QDate(2024, 1, 1), QTime(0, 0)), 100, std::move(protocol));
        assembly.build();
        benchmark::DoNotOptimize(assembly.channels().data());
    }
}

// The same chain written out by hand into columns of doubles.
void bareChain(benchmark::State& state)
{
    const int count = int(state.range(0));
    const Columns& data = columns();
    std::vector<std::vector<double>> out(static_cast<size_t>(count));
    for (auto _ : state) {
        for (int k = 0; k < count; ++k) {
            std::vector<double>& column = out[size_t(k)];
            column.assign(kChannelRows, 0);
            for (int r = 0; r < kChannelRows; ++r) {
                const double power =
                    double(data.u[size_t(r)]) / 10 * (double(data.i[size_t(r)]) / 100);
                column[size_t(r)] =
                    std::round((k == 0 ? power : power + out[size_t(k) - 1][size_t(r)] / 2) *
                               1000) /
                    1000;
            }
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
    // The target: 1 000 channels over 1 500 rows checked and computed within 1 s.
    benchmark::RegisterBenchmark("check_and_compute", checkAndCompute)
        ->Arg(100)
        ->Arg(1000)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("bare_chain", bareChain)
        ->Arg(100)
        ->Arg(1000)
        ->Unit(benchmark::kMillisecond);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printRatios({{"evaluate/1000000", "bare_product/1000000"},
                          {"check_and_compute/100", "bare_chain/100"},
                          {"check_and_compute/1000", "bare_chain/1000"}});
    benchmark::Shutdown();
    return 0;
}
