#include "app/update/check_for_update.h"

#include "app/update/response_headers.h"

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
constexpr char PROGRAM_FILE[] = "Q9XZ.exe";
constexpr char BACKUP_FILE[] = "Q9XZ.~xe";

constexpr std::size_t MESSAGE_SIZE = 260;
// The version text keeps at most this many characters of the server's first block.
constexpr std::size_t VERSION_LENGTH = 15;
// The header buffer starts this small and grows to what the client says it needs.
constexpr std::uint32_t FIRST_HEADER_LENGTH = 10;
// Limits on what a misbehaving client can make us allocate in one go.
constexpr std::uint32_t MAX_HEADER_LENGTH = 1U << 20;
constexpr std::uint32_t MAX_BLOCK = 1U << 20;

constexpr int HTTP_OK = 200;

// The error texts below keep their odd "%lud" and "0x%lux": they print the code twice in decimal
// with a stray letter, and the program has always shown them so.

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

class UpdateRun {
  public:
    explicit UpdateRun(const UpdateContext& context) : context_(context), http_(context.http) {}

    HttpHandle open_internet() { return http_.open_internet(USER_AGENT); }

    HttpHandle connect_to_server(HttpHandle internet, const UpdateServer& server) {
        return http_.connect(internet, server.host, server.port);
    }

    HttpHandle open_GET_request(HttpHandle connection, std::string_view object_name) {
        return http_.open_GET_request(connection, object_name);
    }

    bool send_request(HttpHandle request) {
        if (http_.send(request)) {
            return true;
        }
        const unsigned long error = http_.last_error();
        show_error(format_message("HttpSendRequest failed, error = %lud (0x%lux)\n", error, error));
        return false;
    }

    // Everything between opening the version request and releasing the handles. `request` is
    // the request to release afterwards: the version request, or the program-file request.
    void exchange(HttpHandle connection, HttpHandle& request, std::string_view own_version);

  private:
    void show_error(const std::string& text) {
        context_.toolkit.message_box(text, "Error", MessageButtons::Ok, MessageIcon::Error, false);
    }

    std::string read_headers(HttpHandle request);
    bool status_is_ok(std::string_view headers);
    std::string read_version(HttpHandle request);
    bool download(HttpHandle request, BinaryFile& file, std::optional<std::uint64_t> length);
    void undo_rename();

    const UpdateContext& context_;
    HttpClient& http_;
};

// The raw headers, asked for with a small buffer that grows to the length the client needs.
// Empty when they cannot be read, which is reported and otherwise ignored.
std::string UpdateRun::read_headers(HttpHandle request) {
    std::uint32_t room = FIRST_HEADER_LENGTH;
    auto buffer = std::make_unique<char[]>(room + 1);
    std::uint32_t length = room;
    while (!http_.raw_headers(request, buffer.get(), length)) {
        const std::uint32_t error = http_.last_error();
        if (error == HTTP_ERROR_INSUFFICIENT_BUFFER && length > room &&
            length <= MAX_HEADER_LENGTH) {
            room = length;
            buffer = std::make_unique<char[]>(room + 1);
            continue;
        }
        const unsigned long code = error;
        show_error(format_message("HttpQueryInfo failed, error = %lu (0x%lux)\n", code, code));
        return {};
    }
    return std::string(c_string(buffer.get(), std::min(length, room)));
}

// A response that is not "200" carries an error page, not what was asked for. Headers that
// could not be read say nothing, and the exchange goes on.
bool UpdateRun::status_is_ok(std::string_view headers) {
    const std::optional<int> status = response_status(headers);
    if (!status || *status == HTTP_OK) {
        return true;
    }
    show_error(format_message("The update server answered with status %d.", *status));
    return false;
}

// The version text: the first line of the first block of the body, at most 15 characters.
// Empty when nothing could be read.
std::string UpdateRun::read_version(HttpHandle request) {
    std::uint32_t available = 0;
    if (!http_.bytes_available(request, available)) {
        return {};
    }
    available = std::min(available, MAX_BLOCK);
    auto buffer = std::make_unique<char[]>(available + 1);
    std::uint32_t done = 0;
    if (!http_.read(request, buffer.get(), available, done)) {
        const unsigned long error = http_.last_error();
        show_error(
            format_message("(1) InternetReadFile failed, error = %lu (0x%lux)\n", error, error));
        return {};
    }
    std::string_view text = c_string(buffer.get(), std::min(done, available));
    text = text.substr(0, VERSION_LENGTH);
    return std::string(text.substr(0, text.find_first_of("\r\n")));
}

// Copies the body into `file` block by block. False when the transfer failed or stopped short
// of the announced length, or the file did not take every byte.
bool UpdateRun::download(HttpHandle request, BinaryFile& file,
                         std::optional<std::uint64_t> length) {
    std::uint64_t total = 0;
    bool complete = false;
    for (;;) {
        std::uint32_t available = 0;
        if (!http_.bytes_available(request, available)) {
            break;
        }
        available = std::min(available, MAX_BLOCK);
        auto buffer = std::make_unique<char[]>(available + 1);
        std::uint32_t done = 0;
        if (!http_.read(request, buffer.get(), available, done)) {
            const unsigned long error = http_.last_error();
            show_error(format_message("(3) InternetReadFile failed, error = %lud (0x%lux)\n", error,
                                      error));
            break;
        }
        done = std::min(done, available);
        if (done == 0) {
            complete = true;
            break;
        }
        if (!file.write(buffer.get(), done)) {
            break;
        }
        total += done;
    }
    const bool closed = file.close();
    return complete && closed && total > 0 && (!length || total >= *length);
}

// Puts the old program file back after a failed download.
void UpdateRun::undo_rename() {
    context_.files.remove(PROGRAM_FILE);
    if (!context_.files.rename_replacing(BACKUP_FILE, PROGRAM_FILE)) {
        show_error(format_message("Unable to rename %s", BACKUP_FILE));
    }
}

void UpdateRun::exchange(HttpHandle connection, HttpHandle& request, std::string_view own_version) {
    if (!send_request(request)) {
        return;
    }
    if (!status_is_ok(read_headers(request))) {
        return;
    }
    const std::string version = read_version(request);
    // Byte order, not numeric order: "2.10" sorts before "2.6".
    if (std::string_view(version) <= own_version) {
        context_.toolkit.message_box("You already have the most recent version.", "Information",
                                     MessageButtons::Ok, MessageIcon::Information, false);
        return;
    }
    const std::string question =
        format_message("Version %s is available.\nDo you want to download it?", version.c_str());
    if (context_.toolkit.message_box(question, "Information", MessageButtons::YesNo,
                                     MessageIcon::Question, false) != MessageAnswer::Yes) {
        return;
    }

    http_.close(request);
    request = open_GET_request(connection, PROGRAM_OBJECT);
    if (!send_request(request)) {
        return;
    }
    const std::string headers = read_headers(request);
    context_.header_log << headers << '\n';
    context_.header_log.flush();
    if (!status_is_ok(headers)) {
        return;
    }

    if (!context_.files.rename_replacing(PROGRAM_FILE, BACKUP_FILE)) {
        show_error(format_message("Unable to rename %s", PROGRAM_FILE));
        return;
    }
    // If this fails the old program stays under the backup name; the message says which file.
    const std::unique_ptr<BinaryFile> file = context_.files.create_binary(PROGRAM_FILE);
    if (!file) {
        show_error(format_message("Unable to open output file %s", PROGRAM_FILE));
        return;
    }
    if (!download(request, *file, response_content_length(headers))) {
        undo_rename();
        show_error("The download failed; the program was not changed.");
        return;
    }
    context_.toolkit.message_box("You must re-start the Q9XZ\nprogram to use the new version.",
                                 "Update Complete", MessageButtons::Ok, MessageIcon::Warning,
                                 false);
}

} // namespace

void check_for_update(const UpdateContext& context, const UpdateServer& server,
                      std::string_view own_version) {
    UpdateRun run(context);
    const HttpHandle internet = run.open_internet();
    const HttpHandle connection = run.connect_to_server(internet, server);
    HttpHandle request = run.open_GET_request(connection, VERSION_OBJECT);
    run.exchange(connection, request, own_version);
    // The connection goes with the root handle.
    context.http.close(request);
    context.http.close(internet);
}

} // namespace q9xz
