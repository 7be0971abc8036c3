#include "convert/output_file.h"

#include "common/file_replacement.h"
#include "common/native_path.h"
#include "common/text.h"

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <random>
#include <system_error>

namespace q9xz {

namespace fs = std::filesystem;

namespace {

// Symbolic links are followed at most this deep, as the systems themselves do; a loop of links
// ends here instead of going on for ever.
constexpr int MAX_LINK_HOPS = 40;
// Tries at a free temporary name before giving up; a name is taken only by a leftover of an
// earlier run that was killed, or by another run at the same moment.
constexpr int TEMPORARY_NAME_TRIES = 100;

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

// A short name, so that the temporary file's path is no longer than the target's where the
// target's base name has 8 characters or more (Windows takes no path over 259 characters).
std::string temporary_name() {
    static std::mt19937_64 generator = [] {
        std::random_device device;
        const auto now = std::chrono::steady_clock::now().time_since_epoch().count();
        std::seed_seq seed{device(), device(), static_cast<unsigned>(now),
                           static_cast<unsigned>(static_cast<std::uint64_t>(now) >> 32)};
        return std::mt19937_64(seed);
    }();
    constexpr std::string_view DIGITS = "0123456789abcdefghijklmnopqrstuvwxyz";
    std::string name = "~q9";
    std::uint64_t bits = generator();
    for (int i = 0; i < 5; ++i, bits /= DIGITS.size())
        name += DIGITS[bits % DIGITS.size()];
    return name;
}

// `name` is the narrow name the folder was read from, which tells the form of its text.
std::FILE* create_temporary(const fs::path& folder, const std::string& name,
                            std::string& temporary) {
    for (int attempt = 0; attempt < TEMPORARY_NAME_TRIES; ++attempt) {
        temporary = text_of(folder / temporary_name(), name);
        if (std::FILE* file = create_new_file(temporary))
            return file;
        if (errno != EEXIST)
            break;
    }
    temporary.clear();
    return nullptr;
}

fs::path comparable(const fs::path& path) {
    std::error_code error;
    fs::path full = fs::weakly_canonical(follow_links(path), error);
    return error ? fs::absolute(path, error).lexically_normal() : full;
}

} // namespace

std::string file_problem(const std::string& path, int error) {
    return path + ": " + std::strerror(error);
}

std::unique_ptr<OutputFile> OutputFile::open(const std::string& path, std::string& problem) {
    if (path.empty()) {
        problem = file_problem(path, ENOENT);
        return nullptr;
    }
    std::unique_ptr<OutputFile> output(new OutputFile());
    output->path_ = path;
    output->target_ = path_of(path);
    std::error_code error;
    const fs::file_type type = fs::status(output->target_, error).type();
    if (type == fs::file_type::directory) {
        problem = path + ": is a folder";
        return nullptr;
    }
    if (type != fs::file_type::regular && type != fs::file_type::not_found &&
        type != fs::file_type::none) {
        // A device or a pipe cannot be replaced (as root a rename would replace /dev/full
        // itself): write to it directly.
        output->file_.reset(std::fopen(path.c_str(), "wb"));
        if (!output->file_) {
            problem = file_problem(path, errno);
            return nullptr;
        }
        return output;
    }

    output->target_ = follow_links(output->target_);
    const std::string target = text_of(output->target_, path);
    if (type == fs::file_type::regular) {
        // A rename would replace a file the user may not write: refuse it, as opening it would.
        UniqueFile probe{std::fopen(target.c_str(), "r+b")};
        if (!probe) {
            problem = file_problem(path, errno);
            return nullptr;
        }
    }
    output->file_.reset(create_temporary(output->target_.parent_path(), path, output->temporary_));
    if (!output->file_) {
        problem = file_problem(path, errno);
        return nullptr;
    }
    if (type == fs::file_type::regular) {
        const fs::perms mode = fs::status(output->target_, error).permissions();
        if (!error)
            fs::permissions(path_of(output->temporary_), mode, error);
    }
    return output;
}

OutputFile::~OutputFile() {
    file_.reset();
    if (!temporary_.empty())
        std::remove(temporary_.c_str());
}

bool OutputFile::fail() {
    if (error_ == 0)
        error_ = errno != 0 ? errno : EIO;
    return false;
}

bool OutputFile::write(std::string_view bytes) {
    if (error_ != 0 || !file_)
        return false;
    if (std::fwrite(bytes.data(), 1, bytes.size(), file_.get()) != bytes.size())
        return fail();
    return true;
}

bool OutputFile::commit(std::string& problem) {
    if (!file_) {
        problem = file_problem(path_, EBADF);
        return false;
    }
    const bool direct = temporary_.empty();
    if (direct ? std::fflush(file_.get()) != 0 : !flush_to_disk(file_.get()))
        fail();
    if (std::fclose(file_.release()) != 0)
        fail();
    if (error_ == 0 && !direct && !replace_file(temporary_, text_of(target_, path_)))
        fail();
    if (error_ != 0) {
        problem = file_problem(path_, error_);
        return false;
    }
    temporary_.clear();
    return true;
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

} // namespace q9xz
