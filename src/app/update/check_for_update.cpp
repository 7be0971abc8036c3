#include "app/update/check_for_update.h"

#include "app/update/response_headers.h"
#include "app/update/sha256.h"
#include "app/update/update_texts.h"

#include <algorithm>
#include <array>
#include <cstdarg>
#include <cstdio>
#include <memory>
#include <optional>
#include <ostream>

namespace q9xz {

namespace {

constexpr char USER_AGENT[] = "WinInetGet/0.1";
constexpr char VERSION_OBJECT[] = "Q9XZ/version.txt";
constexpr char PROGRAM_OBJECT[] = "Q9XZ/Q9XZ.exe";
constexpr char BACKUP_NAME[] = "Q9XZ.~xe";
// The download is written here, beside the program file, and only renamed into place once it
// is whole and checked: a killed window or a power cut never leaves half a program.
constexpr char DOWNLOAD_NAME[] = "Q9XZ.~dl";

constexpr std::size_t MESSAGE_SIZE = 260;
// The version text keeps at most this many characters of the answer's first line.
constexpr std::size_t VERSION_LENGTH = 15;
// The version answer is two short lines; more than this is not read.
constexpr std::size_t MAX_ANSWER_BYTES = 4096;
// A limit on what a misbehaving client can make us allocate in one go.
constexpr std::uint32_t MAX_BLOCK = 1U << 20;

constexpr int HTTP_OK = 200;

constexpr char DOWNLOAD_FAILED[] = "The download failed; the program was not changed.";

#if defined(__GNUC__)
__attribute__((format(printf, 1, 2)))
#endif
std::string
format_message(const char* format, ...) {
    std::array<char, MESSAGE_SIZE> buffer{};
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(buffer.data(), buffer.size(), format, arguments);
    va_end(arguments);
    return buffer.data();
}

// The text of a buffer as a C string: up to its first NUL.
std::string_view c_string(const char* data, std::size_t size) {
    const std::string_view text(data, size);
    return text.substr(0, text.find('\0'));
}

// What the version answer says: the version text and, when the server gives one, the digest
// that the program file must have.
struct VersionAnswer {
    std::string version;
    std::optional<Sha256Digest> digest;
};

int hex_value(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// "sha256 " and 64 hex digits in either case, then an optional CR; nothing when malformed.
std::optional<Sha256Digest> parse_digest_line(std::string_view line) {
    constexpr std::string_view prefix = "sha256 ";
    if (line.ends_with('\r'))
        line.remove_suffix(1);
    if (!line.starts_with(prefix) || line.size() != prefix.size() + 64)
        return std::nullopt;
    line.remove_prefix(prefix.size());
    Sha256Digest digest{};
    for (std::size_t i = 0; i < digest.size(); ++i) {
        const int high = hex_value(line[2 * i]);
        const int low = hex_value(line[2 * i + 1]);
        if (high < 0 || low < 0)
            return std::nullopt;
        digest[i] = static_cast<std::uint8_t>(high * 16 + low);
    }
    return digest;
}

// The first line is the version text (cut at a NUL and to 15 characters); a second line that
// starts with "sha256" must be a well-formed digest line. Nothing when the answer cannot be
// used: no version text, or a malformed digest line.
std::optional<VersionAnswer> parse_answer(std::string_view body) {
    const std::size_t line_end = body.find_first_of("\r\n");
    const std::string_view first = body.substr(0, line_end);
    VersionAnswer answer;
    answer.version = std::string(c_string(first.data(), std::min(first.size(), VERSION_LENGTH)));
    if (answer.version.empty())
        return std::nullopt;
    if (line_end == std::string_view::npos)
        return answer;
    std::string_view rest = body.substr(line_end);
    rest.remove_prefix(rest.starts_with("\r\n") ? 2 : 1);
    const std::string_view second = rest.substr(0, rest.find('\n'));
    if (second.starts_with("sha256")) {
        answer.digest = parse_digest_line(second);
        if (!answer.digest)
            return std::nullopt;
    }
    return answer;
}

class UpdateRun {
  public:
    UpdateRun(const UpdateContext& context, const UpdateServer& server)
        : context_(context), server_(server), http_(context.http) {}

    HttpHandle open_internet(const TransferLimits& limits) {
        return http_.open_internet(USER_AGENT, limits);
    }

    HttpHandle connect_to_server(HttpHandle internet, const UpdateServer& server) {
        return http_.connect(internet, server.host, server.port);
    }

    HttpHandle open_GET_request(HttpHandle connection, std::string_view object_name,
                                HttpDeadline deadline = std::nullopt) {
        return http_.open_GET_request(connection, object_name, deadline);
    }

    bool send_request(HttpHandle request) {
        if (http_.send(request))
            return true;
        show_failure(UpdateStep::SEND_REQUEST);
        return false;
    }

    // Everything between opening the version request and releasing the handles. `request` is
    // the request to release afterwards: the version request, or the program-file request.
    void exchange(HttpHandle connection, HttpHandle& request, std::string_view own_version);

  private:
    void show_error(const std::string& text) {
        context_.desktop.message_box(text, "Error", MessageButtons::OK, MessageIcon::ICON_ERROR,
                                     false);
    }
    // The client's last failure, in this platform's words.
    void show_failure(UpdateStep step) {
        show_error(update_failure_text(step, http_.last_failure(), server_.host));
    }

    std::optional<std::string> read_headers(HttpHandle request);
    bool status_is_ok(std::string_view headers);
    std::optional<VersionAnswer> read_answer(HttpHandle request);
    void offer_download_page(const std::string& version);
    void install(HttpHandle request, std::string_view headers,
                 const std::optional<Sha256Digest>& digest);
    bool download(HttpHandle request, BinaryFile& file, std::optional<std::uint64_t> length,
                  Sha256* sha);

    const UpdateContext& context_;
    const UpdateServer& server_;
    HttpClient& http_;
};

// The raw headers; nothing when they cannot be read, which is reported.
std::optional<std::string> UpdateRun::read_headers(HttpHandle request) {
    std::string headers;
    if (!http_.raw_headers(request, headers)) {
        show_failure(UpdateStep::READ_HEADERS);
        return std::nullopt;
    }
    return std::string(c_string(headers.data(), headers.size()));
}

// Only a "200" answer carries what was asked for: anything else (an error page, a redirect,
// which is never followed, headers without a status line) ends the command.
bool UpdateRun::status_is_ok(std::string_view headers) {
    const std::optional<int> status = response_status(headers);
    if (!status) {
        show_error(UPDATE_UNREADABLE_ANSWER);
        return false;
    }
    if (*status != HTTP_OK) {
        show_error(update_status_text(*status, server_.host));
        return false;
    }
    return true;
}

// The whole version answer, in as many blocks as it comes, up to MAX_ANSWER_BYTES. Nothing
// when it cannot be read or used; the reason has been shown.
std::optional<VersionAnswer> UpdateRun::read_answer(HttpHandle request) {
    std::string body;
    while (body.size() < MAX_ANSWER_BYTES) {
        std::uint32_t available = 0;
        if (!http_.bytes_available(request, available)) {
            show_failure(UpdateStep::ANSWER_AVAILABLE);
            return std::nullopt;
        }
        // At the end of the body nothing is available, and the read of nothing confirms it.
        available = static_cast<std::uint32_t>(
            std::min<std::size_t>({available, MAX_BLOCK, MAX_ANSWER_BYTES - body.size()}));
        auto buffer = std::make_unique<char[]>(available + 1);
        std::uint32_t done = 0;
        if (!http_.read(request, buffer.get(), available, done)) {
            show_failure(UpdateStep::READ_ANSWER);
            return std::nullopt;
        }
        if (done == 0)
            break;
        body.append(buffer.get(), std::min(done, available));
    }
    std::optional<VersionAnswer> answer = parse_answer(body);
    if (!answer)
        show_error(UPDATE_UNREADABLE_ANSWER);
    return answer;
}

void UpdateRun::offer_download_page(const std::string& version) {
    const std::string question = format_message(
        "Version %s is available.\nDo you want to open the download page?", version.c_str());
    if (context_.desktop.message_box(question, "Information", MessageButtons::YES_NO,
                                     MessageIcon::ICON_QUESTION, false) == MessageAnswer::YES)
        open_web_address(context_.desktop, context_.download_page);
}

// Copies the body into `file` block by block, feeding `sha` when there is one. False when the
// transfer failed (reported), the body is not exactly the announced length, or the file did
// not take every byte.
bool UpdateRun::download(HttpHandle request, BinaryFile& file, std::optional<std::uint64_t> length,
                         Sha256* sha) {
    std::uint64_t total = 0;
    bool complete = false;
    bool stored = true;
    for (;;) {
        std::uint32_t available = 0;
        std::uint32_t done = 0;
        std::unique_ptr<char[]> buffer;
        bool read = http_.bytes_available(request, available);
        if (read) {
            // At the end of the body nothing is available, and the read of nothing confirms it.
            available = std::min(available, MAX_BLOCK);
            buffer = std::make_unique<char[]>(available + 1);
            read = http_.read(request, buffer.get(), available, done);
        }
        if (!read) {
            show_failure(UpdateStep::READ_PROGRAM);
            break;
        }
        done = std::min(done, available);
        if (done == 0) {
            complete = true;
            break;
        }
        total += done;
        if ((length && total > *length) || !file.write(buffer.get(), done) ||
            (sha != nullptr && !sha->update(buffer.get(), done))) {
            stored = false;
            break;
        }
    }
    // On the disk before it takes the program's place, so that a power cut never leaves half a
    // program.
    const bool on_disk = complete && stored && file.flush_to_disk();
    const bool closed = file.close();
    return on_disk && closed && total > 0 && (!length || total == *length);
}

// Downloads the program file beside the old one and swaps it in once it is whole: the length
// the server announced, and the digest when the version answer gave one. Without either there
// is no telling a whole file from a cut one, so nothing is installed.
void UpdateRun::install(HttpHandle request, std::string_view headers,
                        const std::optional<Sha256Digest>& digest) {
    const std::optional<std::uint64_t> length = response_content_length(headers);
    if (!length && !digest) {
        show_error(DOWNLOAD_FAILED);
        return;
    }
    const std::string& program = context_.program_path;
    const std::string backup = beside(program, BACKUP_NAME);
    const std::string downloaded = beside(program, DOWNLOAD_NAME);
    UpdateFiles& files = context_.files;

    std::unique_ptr<BinaryFile> file = files.create_binary(downloaded);
    if (!file) {
        show_error(format_message("Unable to open output file %s", program.c_str()));
        return;
    }
    std::unique_ptr<Sha256> sha;
    if (digest)
        sha = make_sha256();
    bool whole = (!digest || sha) && download(request, *file, length, sha.get());
    file.reset();
    if (whole && sha) {
        Sha256Digest got{};
        whole = sha->finish(got) && got == *digest;
    }
    if (!whole) {
        files.remove(downloaded);
        show_error(DOWNLOAD_FAILED);
        return;
    }
    if (!files.rename_replacing(program, backup)) {
        files.remove(downloaded);
        show_error(format_message("Unable to rename %s", program.c_str()));
        return;
    }
    if (!files.rename_replacing(downloaded, program)) {
        // The old program goes back under its own name.
        files.rename_replacing(backup, program);
        files.remove(downloaded);
        show_error(format_message("Unable to open output file %s", program.c_str()));
        return;
    }
    context_.desktop.message_box("You must re-start the Q9XZ\nprogram to use the new version.",
                                 "Update Complete", MessageButtons::OK, MessageIcon::ICON_WARNING,
                                 false);
}

void UpdateRun::exchange(HttpHandle connection, HttpHandle& request, std::string_view own_version) {
    if (!send_request(request))
        return;
    const std::optional<std::string> version_headers = read_headers(request);
    if (!version_headers || !status_is_ok(*version_headers))
        return;
    const std::optional<VersionAnswer> answer = read_answer(request);
    if (!answer)
        return;
    // Byte order, not numeric order: "2.10" sorts before "2.6".
    if (std::string_view(answer->version) <= own_version) {
        context_.desktop.message_box("You already have the most recent version.", "Information",
                                     MessageButtons::OK, MessageIcon::ICON_INFORMATION, false);
        return;
    }
    if (context_.action == UpdateAction::OPEN_DOWNLOAD_PAGE) {
        offer_download_page(answer->version);
        return;
    }
    const std::string question = format_message(
        "Version %s is available.\nDo you want to download it?", answer->version.c_str());
    if (context_.desktop.message_box(question, "Information", MessageButtons::YES_NO,
                                     MessageIcon::ICON_QUESTION, false) != MessageAnswer::YES)
        return;

    http_.close(request);
    request = open_GET_request(connection, PROGRAM_OBJECT);
    if (!send_request(request))
        return;
    const std::optional<std::string> headers = read_headers(request);
    if (!headers)
        return;
    context_.header_log << *headers << '\n';
    context_.header_log.flush();
    if (!status_is_ok(*headers))
        return;
    install(request, *headers, answer->digest);
}

} // namespace

std::string beside(std::string_view path, std::string_view name) {
    const std::size_t separator = path.find_last_of("/\\");
    std::string result(separator == std::string_view::npos ? std::string_view{}
                                                           : path.substr(0, separator + 1));
    return result.append(name);
}

void check_for_update(const UpdateContext& context, const UpdateServer& server,
                      std::string_view own_version) {
    // The version check as a whole ends by this time, whatever the server does; the program
    // file's download (only after the user's Yes) keeps the transfer limits alone.
    const HttpDeadline deadline = std::chrono::steady_clock::now() + server.check_deadline;
    UpdateRun run(context, server);
    const HttpHandle internet = run.open_internet(server.limits);
    const HttpHandle connection = run.connect_to_server(internet, server);
    HttpHandle request = run.open_GET_request(connection, VERSION_OBJECT, deadline);
    run.exchange(connection, request, own_version);
    // The connection goes with the root handle.
    context.http.close(request);
    context.http.close(internet);
}

} // namespace q9xz
