// q9xz-bench: how fast and how lean the conversion is, beside the plainest reading of the same
// log, measured in the same run.
//   q9xz-bench [--sizes=100000,1000000,4000000] [--seed=S] [--data-dir=DIR]
//              [--converter=PATH] [Google Benchmark flags]
// The logs are generated once into DIR and reused. The peak memory of a whole conversion is
// taken from a run of the command-line converter in a child process.
#include "child_usage.h"
#include "convert/conversion.h"
#include "fgets_reference.h"
#include "log_cache.h"

#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#ifndef Q9XZ_BENCH_DATA_DIR
#define Q9XZ_BENCH_DATA_DIR "bench-data"
#endif
#ifndef Q9XZ_CONVERT_PROGRAM
#define Q9XZ_CONVERT_PROGRAM ""
#endif

namespace {

using q9xz::bench::ChildUsage;

struct Settings {
    std::vector<std::uint64_t> sizes{100000, 1000000, 4000000};
    std::uint64_t seed = 1;
    std::string data_dir = Q9XZ_BENCH_DATA_DIR;
    std::string converter = Q9XZ_CONVERT_PROGRAM;
};

struct LogUnderTest {
    std::uint64_t records = 0;
    std::string path;
    std::int64_t bytes = 0;
};

bool parse_sizes(std::string_view text, std::vector<std::uint64_t>& sizes) {
    sizes.clear();
    while (!text.empty()) {
        std::size_t comma = text.find(',');
        std::string item(text.substr(0, comma));
        char* end = nullptr;
        std::uint64_t value = std::strtoull(item.c_str(), &end, 10);
        if (item.empty() || *end != '\0')
            return false;
        sizes.push_back(value);
        text = comma == std::string_view::npos ? std::string_view{} : text.substr(comma + 1);
    }
    return !sizes.empty();
}

// Takes our own flags out of argv and leaves the rest to Google Benchmark.
bool parse_settings(int& argc, char** argv, Settings& settings) {
    int kept = 1;
    for (int i = 1; i < argc; ++i) {
        std::string_view arg = argv[i];
        auto value_of = [&](std::string_view flag) -> std::optional<std::string_view> {
            if (arg.substr(0, flag.size()) == flag)
                return arg.substr(flag.size());
            return std::nullopt;
        };
        if (auto v = value_of("--sizes=")) {
            if (!parse_sizes(*v, settings.sizes))
                return false;
        } else if (auto v = value_of("--seed=")) {
            settings.seed = std::strtoull(std::string(*v).c_str(), nullptr, 10);
        } else if (auto v = value_of("--data-dir=")) {
            settings.data_dir = *v;
        } else if (auto v = value_of("--converter=")) {
            settings.converter = *v;
        } else {
            argv[kept++] = argv[i];
        }
    }
    argc = kept;
    return true;
}

void read_with_fgets(benchmark::State& state, const LogUnderTest& log) {
    for (auto _ : state) {
        std::int64_t tags = q9xz::bench::count_tags_with_fgets(log.path);
        if (tags < 0) {
            state.SkipWithError("cannot open the log");
            break;
        }
        benchmark::DoNotOptimize(tags);
    }
    state.SetBytesProcessed(log.bytes * static_cast<std::int64_t>(state.iterations()));
    state.SetItemsProcessed(static_cast<std::int64_t>(log.records * state.iterations()));
}

void convert_log(benchmark::State& state, const LogUnderTest& log) {
    std::size_t problems = 0;
    std::int32_t written = 0;
    for (auto _ : state) {
        std::unique_ptr<q9xz::LineReader> input = q9xz::LineReader::open(log.path);
        if (input == nullptr) {
            state.SkipWithError("cannot open the log");
            break;
        }
        q9xz::ConvertOptions options;
        q9xz::ConversionResult result = q9xz::run_conversion(*input, options);
        problems = static_cast<std::size_t>(
            std::distance(result.lists.lists[2].begin(), result.lists.lists[2].end()));
        written = result.written;
        benchmark::DoNotOptimize(result.csv.data());
    }
    state.SetBytesProcessed(log.bytes * static_cast<std::int64_t>(state.iterations()));
    state.SetItemsProcessed(static_cast<std::int64_t>(log.records * state.iterations()));
    state.counters["problems"] = static_cast<double>(problems);
    state.counters["cells"] = written;
}

// The console output as usual, and the best CPU time per iteration of every benchmark kept
// for the table.
class TableReporter : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.error_occurred || run.run_type != Run::RT_Iteration || run.iterations <= 0)
                continue;
            double seconds = run.cpu_accumulated_time / static_cast<double>(run.iterations);
            auto [it, inserted] = seconds_.emplace(run.run_name.function_name, seconds);
            if (!inserted && seconds < it->second)
                it->second = seconds;
        }
    }
    double seconds(const std::string& name) const {
        auto it = seconds_.find(name);
        return it == seconds_.end() ? 0 : it->second;
    }

  private:
    std::map<std::string, double> seconds_;
};

std::string name_of(std::string_view what, const LogUnderTest& log) {
    return std::string(what) + "/" + std::to_string(log.records);
}

void print_table(const std::vector<LogUnderTest>& logs, const TableReporter& reporter,
                 const std::vector<ChildUsage>& children, const ChildUsage& empty_run) {
    std::printf("\n%10s %9s %10s %11s %10s %6s %10s %13s\n", "records", "MB", "MB/s conv",
                "rec/s conv", "MB/s fgets", "ratio", "CLI cpu s", "peak RSS MiB");
    for (std::size_t i = 0; i < logs.size(); ++i) {
        const LogUnderTest& log = logs[i];
        double mb = static_cast<double>(log.bytes) / 1e6;
        double conv = reporter.seconds(name_of("convert", log));
        double reference = reporter.seconds(name_of("fgets", log));
        double conv_rate = conv > 0 ? mb / conv : 0;
        double reference_rate = reference > 0 ? mb / reference : 0;
        std::printf("%10llu %9.1f %10.0f %11.0f %10.0f %6.2f", (unsigned long long)log.records, mb,
                    conv_rate, conv > 0 ? static_cast<double>(log.records) / conv : 0,
                    reference_rate, reference_rate > 0 ? conv_rate / reference_rate : 0);
        if (children[i].ok)
            std::printf(" %10.2f %13.1f\n", children[i].cpu_seconds,
                        static_cast<double>(children[i].peak_rss_kib) / 1024);
        else
            std::printf(" %10s %13s\n", "-", "-");
    }
    if (empty_run.ok)
        std::printf("Peak RSS of the converter on a log without records: %.1f MiB\n",
                    static_cast<double>(empty_run.peak_rss_kib) / 1024);
    std::printf("MB = 10^6 bytes; rates from CPU time (best run); CLI cpu s and the peak RSS are "
                "those\nof the whole command-line conversion, run under /usr/bin/time.\n");
}

} // namespace

int main(int argc, char** argv) {
    Settings settings;
    if (!parse_settings(argc, argv, settings)) {
        std::fprintf(stderr, "q9xz-bench: --sizes wants numbers separated by commas\n");
        return 2;
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 2;

    std::vector<LogUnderTest> logs;
    for (std::uint64_t records : settings.sizes) {
        std::fprintf(stderr, "log of %llu records...\n", (unsigned long long)records);
        auto path = q9xz::bench::cached_log(settings.data_dir, {settings.seed, records});
        if (!path) {
            std::fprintf(stderr, "q9xz-bench: cannot write a log into %s\n",
                         settings.data_dir.c_str());
            return 1;
        }
        logs.push_back({records, *path, q9xz::bench::warm_file(*path)});
    }

    // Both readings of one log side by side, so that they meet the same machine load.
    for (const LogUnderTest& log : logs) {
        benchmark::RegisterBenchmark(name_of("fgets", log).c_str(), read_with_fgets, log)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(name_of("convert", log).c_str(), convert_log, log)
            ->Unit(benchmark::kMillisecond);
    }
    TableReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    std::vector<ChildUsage> children;
    ChildUsage empty_run;
    if (!settings.converter.empty()) {
        std::string csv = settings.data_dir + "/bench-out.csv";
        std::string scratch = settings.data_dir + "/bench-time.txt";
        for (const LogUnderTest& log : logs)
            children.push_back(
                q9xz::bench::run_child(settings.converter, {log.path, csv}, scratch));
        if (auto empty = q9xz::bench::cached_log(settings.data_dir, {settings.seed, 0}))
            empty_run = q9xz::bench::run_child(settings.converter, {*empty, csv}, scratch);
    }
    children.resize(logs.size());
    print_table(logs, reporter, children, empty_run);
    return 0;
}
