#include "core/engine/file_reader.h"

#include "core/log.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <future>
#include <memory>
#include <mutex>
#include <string>
#include <sys/stat.h>
#include <system_error>
#include <thread>
#include <unistd.h>
#include <utility>

namespace {

std::mutex hookMutex;
std::shared_ptr<const std::function<void()>> readHook;

void runReadHook() {
    std::shared_ptr<const std::function<void()>> hook;
    {
        std::lock_guard lock(hookMutex);
        hook = readHook;
    }
    if (hook)
        (*hook)();
}

} // namespace

void FileReader::setReadHookForTesting(std::function<void()> hook) {
    std::lock_guard lock(hookMutex);
    readHook = hook ? std::make_shared<const std::function<void()>>(std::move(hook)) : nullptr;
}

FileReader::~FileReader() {
    if (fd_ >= 0)
        ::close(fd_);
}

FileReader::FileReader(FileReader&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), size_(other.size_) {}

FileReader& FileReader::operator=(FileReader&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = std::exchange(other.fd_, -1);
        size_ = other.size_;
    }
    return *this;
}

FileReader FileReader::open(const char* path) {
    // O_NONBLOCK: opening a named pipe nobody writes to returns at once.
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return {};
    struct stat status {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        const int error = S_ISDIR(status.st_mode) ? EISDIR : ENODEV;
        ::close(fd);
        errno = error;
        return {};
    }
    return FileReader(fd, status.st_size);
}

FileReader FileReader::duplicate() const {
    if (fd_ < 0)
        return {};
    const int fd = ::fcntl(fd_, F_DUPFD_CLOEXEC, 0);
    if (fd < 0) {
        qCWarning(lcEngine) << "cannot duplicate a file descriptor:" << std::strerror(errno);
        return {};
    }
    return FileReader(fd, size_);
}

std::vector<unsigned char> FileReader::read(std::int64_t offset, std::size_t length) const {
    std::vector<unsigned char> bytes;
    if (fd_ < 0 || offset < 0 || offset >= size_)
        return bytes;
    runReadHook();
    bytes.resize(std::min<std::int64_t>(static_cast<std::int64_t>(length), size_ - offset));
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t got = ::pread(fd_, bytes.data() + done, bytes.size() - done,
                                    static_cast<off_t>(offset + done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            qCWarning(lcEngine) << "read error at" << offset + done << ":" << std::strerror(errno);
        if (got <= 0)
            break;
        done += static_cast<std::size_t>(got);
    }
    bytes.resize(done);
    return bytes;
}

bool FileReader::stillAt(const char* path, std::int64_t minSize) const {
    runReadHook();
    struct stat open {};
    struct stat named {};
    if (fd_ < 0 || ::fstat(fd_, &open) != 0 || ::stat(path, &named) != 0)
        return false;
    return open.st_dev == named.st_dev && open.st_ino == named.st_ino && open.st_size >= minSize;
}

FileReader::Presence FileReader::stillAtWithin(const char* path, std::int64_t minSize,
                                               int timeoutMs) const {
    std::promise<bool> answer;
    std::future<bool> same = answer.get_future();
    // The thread owns what it uses: a stalled stat may outlive this reader.
    auto check = [answer = std::move(answer), file = duplicate(), name = std::string(path),
                  minSize]() mutable { answer.set_value(file.stillAt(name.c_str(), minSize)); };
    try {
        std::thread(std::move(check)).detach();
    } catch (const std::system_error& error) {
        qCWarning(lcEngine) << "cannot start a thread to check the file:" << error.what();
        return stillAt(path, minSize) ? Presence::Same : Presence::Changed;
    }
    if (same.wait_for(std::chrono::milliseconds(timeoutMs)) == std::future_status::timeout)
        return Presence::NoAnswer;
    return same.get() ? Presence::Same : Presence::Changed;
}
