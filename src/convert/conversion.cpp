#include "convert/conversion.h"

#include "convert/convert_adif.h"
#include "results/csv_writer.h"
#include "results/summary.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace q9xz {

ConversionResult run_conversion(LineReader& input, ConvertOptions& options) {
    const LogInput log{&input, {}};
    return run_conversion(std::span<const LogInput>(&log, 1), options);
}

ConversionResult run_conversion(std::span<const LogInput> logs, ConvertOptions& options) {
    ConversionResult result;
    result.tally = convert_ADIF(logs, options, result.lists);
    const StateTally& tally = result.tally;
    write_CSV_header(result.csv);
    options.lotw_confirmed_count = 0;
    result.written = write_CSV_rows(result.csv, tally.get(), options, 1);
    result.written += write_CSV_rows(result.csv, tally.get(), options, 0);
    summarize_modes(result.lists, tally.get(), 1);
    add_line(0, result.lists, "");
    summarize_bands(result.lists, tally.get(), 1);
    return result;
}

std::vector<std::string> shown_lines(const MessageLists& lists) {
    std::vector<std::string> lines;
    for (int index : {2, 1, 0}) {
        const auto& list = lists.lists[static_cast<std::size_t>(index)];
        // Lists hold their newest line first; show them in the order they were added.
        const std::size_t first = lines.size();
        for (const std::string& line : list)
            lines.push_back(line);
        if (lines.size() == first)
            continue;
        std::reverse(lines.begin() + static_cast<std::ptrdiff_t>(first), lines.end());
        lines.emplace_back();
    }
    return lines;
}

std::string completion_text(std::int32_t written, std::int32_t lotw_count,
                            const std::string& csv_path) {
    // The window formats this into 260 bytes.
    constexpr std::size_t LIMIT = 259;
    std::string text = "Wrote ";
    text += std::to_string(written);
    text += " Q9XZ QSOs to ";
    text += csv_path;
    if (lotw_count != 0) {
        text += '\n';
        text += std::to_string(lotw_count);
        text += " QSOs were confirmed via LoTW";
    }
    if (text.size() > LIMIT)
        text.resize(LIMIT);
    return text;
}

ConversionFiles open_conversion_files(const std::vector<std::string>& adif_paths,
                                      const std::string& csv_path) {
    ConversionFiles files;
    for (const std::string& path : adif_paths) {
        files.inputs.push_back(LineReader::open(path));
        if (!files.inputs.back()) {
            files.inputs.clear();
            files.result = ConversionFiles::INPUT_FAILED;
            return files;
        }
    }
    for (const std::string& path : adif_paths) {
        std::error_code error;
        if (std::filesystem::equivalent(path, csv_path, error)) {
            // Opening the spreadsheet would empty a log before it is read.
            files.inputs.clear();
            files.result = ConversionFiles::OUTPUT_FAILED;
            return files;
        }
    }
    files.output.reset(std::fopen(csv_path.c_str(), "wb"));
    if (!files.output) {
        files.inputs.clear();
        files.result = ConversionFiles::OUTPUT_FAILED;
    }
    return files;
}

std::vector<LogInput> log_inputs(const ConversionFiles& files,
                                 const std::vector<std::string>& names) {
    std::vector<LogInput> logs;
    for (std::size_t i = 0; i < files.inputs.size(); ++i)
        logs.push_back({files.inputs[i].get(), i < names.size() ? names[i] : std::string()});
    return logs;
}

bool write_and_close(UniqueFile file, const std::string& bytes) {
    if (!file)
        return false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file.get()) == bytes.size();
    ok = std::fflush(file.get()) == 0 && ok;
    ok = std::fclose(file.release()) == 0 && ok;
    return ok;
}

std::string proposed_csv_path(const std::string& adif_path, std::string_view separators) {
    const std::size_t folder_end = adif_path.find_last_of(separators);
    const std::size_t base = folder_end == std::string::npos ? 0 : folder_end + 1;
    const std::size_t dot = adif_path.rfind('.');
    if (dot == std::string::npos || dot < base)
        return adif_path + ".CSV";
    return adif_path.substr(0, dot) + ".CSV";
}

} // namespace q9xz
