// q9xz-bench: how fast and how lean the conversion is, beside the plainest readings of the same
// log, measured in the same run.
//   q9xz-bench [--sizes=100000,1000000,4000000] [--seed=S] [--data-dir=DIR]
//              [--converter=PATH] [--reference=PATH] [--rounds=N] [Google Benchmark flags]
// The logs are generated once into DIR and reused. The peak memory of a whole conversion is
// taken from a run of the command-line converter in a child process; the whole-process times
// from N rounds of the converter and the two reference programs run in turn.
#include "child_usage.h"
#include "convert/conversion.h"
#include "fgets_reference.h"
#include "log_cache.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace {

using q9xz::bench::ChildUsage;

struct Settings {
    std::vector<std::uint64_t> sizes{100000, 1000000, 4000000};
    std::uint64_t seed = 1;
    std::string data_dir = Q9XZ_BENCH_DATA_DIR;
    std::string converter = Q9XZ_CONVERT_PROGRAM;
    std::string reference = Q9XZ_REFERENCE_PROGRAM;
    int rounds = 5;
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
        } else if (auto v = value_of("--reference=")) {
            settings.reference = *v;
        } else if (auto v = value_of("--rounds=")) {
            settings.rounds = std::atoi(std::string(*v).c_str());
            if (settings.rounds < 0)
                return false;
        } else {
            argv[kept++] = argv[i];
        }
    }
    argc = kept;
    return true;
}

void read_with_fgets(benchmark::State& state, const LogUnderTest& log,
                     std::int64_t (*count_tags)(const std::string&)) {
    for (auto _ : state) {
        std::int64_t tags = count_tags(log.path);
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
            std::distance(result.lists.problems.begin(), result.lists.problems.end()));
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

// The figures of whole processes: the converter and the two references run in turn, round by
// round, so that each round meets the same load; ratios are taken round by round.
struct RoundFigures {
    bool ok = false;
    double converter_cpu = 0, bytes_cpu = 0, strchr_cpu = 0;
    double converter_wall = 0, bytes_wall = 0, strchr_wall = 0;
    double bytes_ratio_cpu = 0, strchr_ratio_cpu = 0, bytes_ratio_wall = 0;
};

double median(std::vector<double> values) {
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 == 1 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

RoundFigures run_rounds(const Settings& settings, const LogUnderTest& log) {
    using q9xz::bench::time_child;
    const std::string csv = settings.data_dir + "/bench-rounds.csv";
    std::vector<double> figures[9];
    // One round first, not counted, so that every program starts from a warm cache.
    for (int round = -1; round < settings.rounds; ++round) {
        const ChildUsage converter = time_child(settings.converter, {log.path, csv});
        const ChildUsage bytes = time_child(settings.reference, {"bytes", log.path});
        const ChildUsage strchr = time_child(settings.reference, {"strchr", log.path});
        if (!converter.ok || !bytes.ok || !strchr.ok)
            return {};
        if (round < 0 || converter.cpu_seconds <= 0 || converter.wall_seconds <= 0)
            continue;
        const double row[9] = {converter.cpu_seconds,
                               bytes.cpu_seconds,
                               strchr.cpu_seconds,
                               converter.wall_seconds,
                               bytes.wall_seconds,
                               strchr.wall_seconds,
                               bytes.cpu_seconds / converter.cpu_seconds,
                               strchr.cpu_seconds / converter.cpu_seconds,
                               bytes.wall_seconds / converter.wall_seconds};
        for (int i = 0; i < 9; ++i)
            figures[i].push_back(row[i]);
    }
    if (figures[0].empty())
        return {};
    return {true,
            median(figures[0]),
            median(figures[1]),
            median(figures[2]),
            median(figures[3]),
            median(figures[4]),
            median(figures[5]),
            median(figures[6]),
            median(figures[7]),
            median(figures[8])};
}

void print_table(const std::vector<LogUnderTest>& logs, const TableReporter& reporter,
                 const std::vector<ChildUsage>& children, const ChildUsage& empty_run,
                 const std::vector<RoundFigures>& rounds, int round_count) {
    std::printf("\n%10s %9s %10s %11s %10s %6s %11s %6s %10s %13s\n", "records", "MB", "MB/s conv",
                "rec/s conv", "MB/s bytes", "ratio", "MB/s strchr", "ratio", "CLI cpu s",
                "peak RSS MiB");
    for (std::size_t i = 0; i < logs.size(); ++i) {
        const LogUnderTest& log = logs[i];
        double mb = static_cast<double>(log.bytes) / 1e6;
        auto rate = [&](std::string_view what) {
            const double seconds = reporter.seconds(name_of(what, log));
            return seconds > 0 ? mb / seconds : 0;
        };
        const double conv_rate = rate("convert");
        const double bytes_rate = rate("bytes");
        const double strchr_rate = rate("strchr");
        std::printf("%10llu %9.1f %10.0f %11.0f %10.0f %6.2f %11.0f %6.2f",
                    (unsigned long long)log.records, mb, conv_rate,
                    conv_rate * static_cast<double>(log.records) / mb, bytes_rate,
                    bytes_rate > 0 ? conv_rate / bytes_rate : 0, strchr_rate,
                    strchr_rate > 0 ? conv_rate / strchr_rate : 0);
        if (children[i].ok)
            std::printf(" %10.2f %13.1f\n", children[i].cpu_seconds,
                        static_cast<double>(children[i].peak_rss_kib) / 1024);
        else
            std::printf(" %10s %13s\n", "-", "-");
    }
    if (empty_run.ok)
        std::printf("Peak RSS of the converter on a log without records: %.1f MiB\n",
                    static_cast<double>(empty_run.peak_rss_kib) / 1024);
    std::printf("MB = 10^6 bytes; rates from CPU time (best run); ratio = conversion rate / "
                "reference rate;\nCLI cpu s and the peak RSS are those of the whole command-line "
                "conversion, run under\n/usr/bin/time. bytes: fgets and a byte loop to each "
                "line's end; strchr: fgets and strchr.\n");

    bool any = false;
    for (const RoundFigures& figures : rounds)
        any = any || figures.ok;
    if (!any)
        return;
    std::printf("\nWhole processes in turn, median of %d rounds (ratio = reference time / "
                "conversion time):\n",
                round_count);
    std::printf("%10s %10s %10s %6s %11s %6s %11s %11s %6s\n", "records", "conv cpu s",
                "bytes cpu s", "ratio", "strchr cpu s", "ratio", "conv wall s", "bytes wall s",
                "ratio");
    for (std::size_t i = 0; i < logs.size(); ++i) {
        const RoundFigures& f = rounds[i];
        if (!f.ok)
            continue;
        std::printf("%10llu %10.3f %10.3f %6.2f %11.3f %6.2f %11.3f %11.3f %6.2f\n",
                    (unsigned long long)logs[i].records, f.converter_cpu, f.bytes_cpu,
                    f.bytes_ratio_cpu, f.strchr_cpu, f.strchr_ratio_cpu, f.converter_wall,
                    f.bytes_wall, f.bytes_ratio_wall);
    }
    // How long a user waits: the time from start to exit. The CPU figures add up the reading
    // thread's time too, which runs beside the conversion where a second core is free.
    std::printf("Byte-loop ratio (wall time from start to exit, the time a user waits):");
    for (std::size_t i = 0; i < logs.size(); ++i)
        if (rounds[i].ok)
            std::printf(" %llu records %.2f;", (unsigned long long)logs[i].records,
                        rounds[i].bytes_ratio_wall);
    std::printf("\n");
}

} // namespace

int main(int argc, char** argv) {
    Settings settings;
    if (!parse_settings(argc, argv, settings)) {
        std::fprintf(stderr, "q9xz-bench: --sizes wants numbers separated by commas, --rounds a "
                             "number\n");
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

    // The readings of one log side by side, so that they meet the same machine load.
    for (const LogUnderTest& log : logs) {
        benchmark::RegisterBenchmark(name_of("bytes", log).c_str(), read_with_fgets, log,
                                     q9xz::bench::count_tags_byte_by_byte)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(name_of("strchr", log).c_str(), read_with_fgets, log,
                                     q9xz::bench::count_tags_with_fgets)
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
    std::vector<RoundFigures> rounds;
    if (!settings.converter.empty() && !settings.reference.empty() && settings.rounds > 0)
        for (const LogUnderTest& log : logs)
            rounds.push_back(run_rounds(settings, log));
    rounds.resize(logs.size());
    print_table(logs, reporter, children, empty_run, rounds, settings.rounds);
    return 0;
}
