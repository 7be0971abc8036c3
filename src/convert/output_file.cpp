#include "convert/output_file.h"

#include "common/native_path.h"
#include "common/text.h"

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace q9xz {

namespace fs = std::filesystem;

namespace {

// How far into an existing file a log's <EOH> or <EOR> is looked for. The spreadsheet and the
// map this program writes never hold one.
constexpr std::size_t LOG_MARK_WINDOW = 64 * 1024;
// Symbolic links are followed at most this deep, as the systems themselves do.
constexpr int MAX_LINK_HOPS = 40;

bool holds_log_mark(const std::string& path) {
    std::error_code error;
    if (fs::status(path_of(path), error).type() != fs::file_type::regular)
        return false;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr)
        return false;
    std::string start(LOG_MARK_WINDOW, '\0');
    start.resize(std::fread(start.data(), 1, start.size(), file));
    std::fclose(file);
    upper_case_ascii(start);
    return start.find("<EOH>") != std::string::npos || start.find("<EOR>") != std::string::npos;
}

// The file a chain of symbolic links leads to, which need not exist yet.
fs::path follow_links(fs::path path) {
    std::error_code error;
    for (int hop = 0; hop < MAX_LINK_HOPS && fs::is_symlink(fs::symlink_status(path, error));
         ++hop) {
        const fs::path to = fs::read_symlink(path, error);
        if (error)
            break;
        path = to.is_absolute() ? to : path.parent_path() / to;
    }
    return path;
}

// The absolute, normalised name a path leads to: "n.csv", "./n.csv" and "x/../n.csv" alike.
fs::path comparable(const fs::path& path) {
    std::error_code error;
    const fs::path absolute = fs::absolute(follow_links(path), error);
    if (error)
        return path.lexically_normal();
    const fs::path full = fs::weakly_canonical(absolute, error);
    return error ? absolute.lexically_normal() : full;
}

} // namespace

std::string file_problem(const std::string& path, int error) {
    return path + ": " + std::strerror(error);
}

bool has_log_name(std::string_view name) {
    const auto ends_with = [name](std::string_view end) {
        return name.size() >= end.size() &&
               equals_ignore_case(name.substr(name.size() - end.size()), end);
    };
    return ends_with(".adi") || ends_with(".adif") || ends_with(".adx");
}

std::string log_refusal(const std::string& path, std::string_view what) {
    const std::string never =
        std::string("; ") + std::string(what) + " is never written over a log";
    if (has_log_name(path))
        return path + " has a log's name (.adi, .adif, .adx)" + never;
    if (!output_descriptor(path) && holds_log_mark(path))
        return path + " is an ADIF log" + never;
    return {};
}

std::optional<int> output_descriptor(std::string_view spelled) {
    // "/dev//stdout" and "/dev/./fd/1" are the same names: repeated separators and "." folders
    // do not change where a path leads.
    std::string name(spelled);
    for (std::size_t at; (at = name.find("//")) != std::string::npos;)
        name.erase(at, 1);
    for (std::size_t at; (at = name.find("/./")) != std::string::npos;)
        name.erase(at, 2);
    if (name == "-" || name == "/dev/stdout")
        return 1;
    if (name == "/dev/stderr")
        return 2;
    for (std::string_view folder : {"/dev/fd/", "/proc/self/fd/"}) {
        if (!name.starts_with(folder))
            continue;
        const std::string_view digits = std::string_view(name).substr(folder.size());
        int number = -1;
        const auto [end, error] =
            std::from_chars(digits.data(), digits.data() + digits.size(), number);
        if (error == std::errc() && end == digits.data() + digits.size() && !digits.empty() &&
            digits[0] != '-' && digits[0] != '+')
            return number;
    }
    return std::nullopt;
}

std::unique_ptr<OutputFile> OutputFile::open(const std::string& path, std::string& problem) {
    std::unique_ptr<OutputFile> output(new OutputFile());
    output->path_ = path;
    int error = 0;
    if (const std::optional<int> descriptor = output_descriptor(path)) {
        output->descriptor_ = *descriptor;
        output->slot_ = FileSlot::open_descriptor(*descriptor, error);
    } else if (path.empty()) {
        error = ENOENT;
    } else {
        output->slot_ = FileSlot::open(path, error);
    }
    if (!output->slot_) {
        problem = error == EISDIR ? path + ": is a folder" : file_problem(path, error);
        return nullptr;
    }
    return output;
}

bool OutputFile::write(std::string_view bytes) {
    text_.append(bytes);
    return true;
}

bool OutputFile::commit(std::string& problem) {
    if (!slot_) {
        problem = file_problem(path_, EBADF);
        return false;
    }
    const FileSlot::Outcome outcome = slot_->write_whole(text_);
    slot_.reset();
    if (outcome.error == 0)
        return true;
    problem = file_problem(path_, outcome.error);
    if (outcome.incomplete)
        problem += "; the file may be incomplete";
    return false;
}

bool same_file(const std::string& a, const std::string& b) {
    std::error_code error;
    const fs::path first_path = path_of(a);
    const fs::path second_path = path_of(b);
    if (fs::exists(first_path, error) && fs::exists(second_path, error))
        return fs::equivalent(first_path, second_path, error);
    const std::string first = text_of(comparable(first_path), a);
    const std::string second = text_of(comparable(second_path), b);
    // Windows' file names ignore letter case.
    if (fs::path::preferred_separator == '\\')
        return equals_ignore_case(first, second);
    return first == second;
}

bool output_is_file(const std::string& output, const std::string& path) {
    const std::optional<int> descriptor = output_descriptor(output);
    return descriptor ? descriptor_is_file(*descriptor, path) : same_file(output, path);
}

bool output_is_stream_file(const std::string& output, std::FILE* stream) {
    const std::optional<int> descriptor = output_descriptor(output);
    return descriptor ? stream_is_descriptor_file(stream, *descriptor)
                      : stream_is_file(stream, output);
}

bool same_outputs(const std::string& a, const std::string& b) {
    const std::optional<int> first = output_descriptor(a);
    const std::optional<int> second = output_descriptor(b);
    if (first && second)
        return *first == *second;
    return second ? output_is_file(b, a) : output_is_file(a, b);
}

} // namespace q9xz
