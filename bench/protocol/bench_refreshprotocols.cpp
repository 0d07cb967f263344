// The file list of the main window over a directory of 1 000 protocols,
// against the reader's bare protocolList() in the same run.

#include "app/mainwindow.h"
#include "bench/ratioreporter.h"
#include "bench/protocol/hourlyprotocols.h"
#include "protocol/streamloger.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <string>

namespace {
constexpr int kProtocols = 1000;
QTemporaryDir* g_dir = nullptr;
MainWindow* g_window = nullptr;

void prepare()
{
    g_dir = new QTemporaryDir;
    QFile definition(g_dir->filePath("log.def"));
    definition.open(QIODevice::WriteOnly);
    definition.write(R"({"ROOT": "p", "CONTENT": [{"VALUES": [{"CODE": "A", "ID": 1}]}]})");
    definition.close();
    QDir().mkpath(g_dir->filePath("p"));
    writeHourlyProtocols(g_dir->filePath("p"), kProtocols, [](int i) { return i % 50; });
    // A settings.conf in the working directory keeps the window's colours
    // there, out of the user's configuration folder.
    QDir::setCurrent(g_dir->path());
    QFile(QStringLiteral("settings.conf")).open(QIODevice::WriteOnly);
    g_window = new MainWindow;
    g_window->setupLoger(g_dir->path());
}

void BM_ProtocolList(benchmark::State& state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(StreamLoger::instance()->protocolList());
}

void BM_RefreshProtocols(benchmark::State& state)
{
    for (auto _ : state)
        g_window->refreshProtocols();
}
} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    prepare();
    benchmark::RegisterBenchmark("ProtocolList", BM_ProtocolList)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("RefreshProtocols", BM_RefreshProtocols)
        ->Unit(benchmark::kMillisecond);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const double list = reporter.median("ProtocolList");
    if (list > 0)
        std::printf("\nrefreshProtocols / protocolList, 1000 protocols: %.2fx\n",
                    reporter.median("RefreshProtocols") / list);
    delete g_window;
    delete g_dir;
    StreamLoger::release();
    return 0;
}
