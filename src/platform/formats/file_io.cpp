// Checked reads and writes of whole files. A read looks at the name's file type
// before it opens anything (opening a FIFO to read waits for a writer), opens
// without blocking and checks the type again on the open file, in case the name
// was replaced in between; it then reads exactly the size the file has. A
// written file goes through stdio, whose buffer hides a failed write until a
// flush or the close, so both are checked as every write is. Names are UTF-8;
// on Windows the wide-character calls take them, and files open in binary mode.
#include "platform/formats/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstring>

#include "platform/system/host_paths.h"

#if defined(_WIN32)
#include <io.h>
#else
#include <unistd.h>
#endif

namespace {

// The system's calls on file names and descriptors.
#if defined(_WIN32)
using FileStat = struct _stat64;
int stat_name(const char* path, FileStat* st) {
    return _wstat64(path_from_utf8(path).c_str(), st);
}
int open_to_read(const char* path) {
    return _wopen(path_from_utf8(path).c_str(), _O_RDONLY | _O_BINARY | _O_NOINHERIT);
}
int stat_open(int fd, FileStat* st) {
    return _fstat64(fd, st);
}
long long read_some(int fd, std::uint8_t* to, std::size_t n) {
    return _read(fd, to, static_cast<unsigned>(n > INT_MAX ? INT_MAX : n));
}
void close_file(int fd) {
    _close(fd);
}
#else
using FileStat = struct stat;
int stat_name(const char* path, FileStat* st) {
    return stat(path, st);
}
int open_to_read(const char* path) {
    return ::open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
}
int stat_open(int fd, FileStat* st) {
    return fstat(fd, st);
}
long long read_some(int fd, std::uint8_t* to, std::size_t n) {
    return ::read(fd, to, n);
}
void close_file(int fd) {
    ::close(fd);
}
#endif

std::atomic<int> failed_outputs{0};

std::string error_text(int error_number) {
    return error_number ? std::strerror(error_number) : "unknown error";
}

std::string open_refusal(int error_number) {
    if (error_number == ENOENT || error_number == ENOTDIR) return "no such file";
    return "cannot be opened (" + error_text(error_number) + ")";
}

// Why a file of this type is not read: all but regular files are refused.
std::string type_refusal(unsigned mode) {
    if (S_ISDIR(mode)) return "a directory, not a file";
    if (S_ISFIFO(mode)) return "a FIFO, not a regular file";
    if (S_ISCHR(mode) || S_ISBLK(mode)) return "a device, not a regular file";
#if defined(S_ISSOCK)
    if (S_ISSOCK(mode)) return "a socket, not a regular file";
#endif
    return "not a regular file";
}

std::string size_refusal(std::size_t limit) {
    constexpr std::size_t kMiB = std::size_t{1} << 20;
    if (limit >= kMiB && limit % kMiB == 0)
        return "larger than " + std::to_string(limit / kMiB) + " MiB";
    return "larger than " + std::to_string(limit) + " bytes";
}

// Reads size bytes of the open regular file; empty, or why not.
std::string read_all(int fd, std::size_t size, std::vector<std::uint8_t>* bytes) {
    bytes->resize(size);
    std::size_t got = 0;
    while (got < size) {
        long long n = read_some(fd, bytes->data() + got, size - got);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return "cannot be read (" + error_text(errno) + ")";
        if (n == 0) return "cannot be read (shorter than its size)";
        got += static_cast<std::size_t>(n);
    }
    return {};
}

}  // namespace

int read_file_bytes(const char* path, std::size_t limit, std::vector<std::uint8_t>* out,
                    std::string* reason) {
    auto refuse = [reason](std::string why) {
        if (reason) *reason = std::move(why);
        return 0;
    };
    if (!path || !path[0]) return refuse("no file name");
    if (!out) return refuse("nowhere to read to");
    FileStat st{};
    if (stat_name(path, &st) != 0) return refuse(open_refusal(errno));
    if (!S_ISREG(st.st_mode)) return refuse(type_refusal(st.st_mode));
    int fd = open_to_read(path);
    if (fd < 0) return refuse(open_refusal(errno));
    std::string why;
    std::vector<std::uint8_t> bytes;
    if (stat_open(fd, &st) != 0) {
        why = "cannot be read (" + error_text(errno) + ")";
    } else if (!S_ISREG(st.st_mode)) {
        why = type_refusal(st.st_mode);
    } else if (st.st_size < 0 || static_cast<std::uintmax_t>(st.st_size) > limit) {
        why = size_refusal(limit);
    } else {
        why = read_all(fd, static_cast<std::size_t>(st.st_size), &bytes);
    }
    close_file(fd);
    if (!why.empty()) return refuse(std::move(why));
    *out = std::move(bytes);
    return 1;
}

int output_failures() {
    return failed_outputs.load();
}

bool OutputFile::open(const char* path, FailureReport report) {
    close();
    path_ = path ? path : "";
    report_ = report;
    failed_ = false;
    failure_.clear();
    if (path_.empty()) {
        fail(ENOENT);
        return false;
    }
    file_ = open_file_utf8(path, "wb");
    if (!file_) fail(errno);
    return file_ != nullptr;
}

bool OutputFile::write(const void* bytes, std::size_t n) {
    if (!file_ || failed_) return false;
    if (n > 0 && std::fwrite(bytes, 1, n, file_) != n) {
        fail(errno);
        return false;
    }
    return true;
}

bool OutputFile::seek(long offset) {
    if (!file_ || failed_) return false;
    int moved = offset < 0 ? std::fseek(file_, 0, SEEK_END) : std::fseek(file_, offset, SEEK_SET);
    if (moved != 0) fail(errno);
    return moved == 0;
}

bool OutputFile::flush() {
    if (!file_ || failed_) return false;
    if (std::fflush(file_) != 0) {
        fail(errno);
        return false;
    }
    return true;
}

bool OutputFile::close() {
    if (!file_) return false;
    flush();
    if (std::fclose(file_) != 0) fail(errno);  // nothing more said when failed already
    file_ = nullptr;
    return !failed_;
}

void OutputFile::fail(int error_number) {
    if (failed_) return;
    failed_ = true;
    failed_outputs.fetch_add(1);
    failure_ = "cannot write " + path_ + ": " + error_text(error_number);
    if (report_ == FailureReport::stderr_line)
        std::fprintf(stderr, "vantorel17: %s\n", failure_.c_str());
}
