// A file read with pread, never through a mapping: a file truncated or
// replaced under a mapping kills the process with SIGBUS, while a read here
// simply comes back short. One reader may be read from several threads.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

class FileReader {
  public:
    FileReader() = default;
    ~FileReader();
    FileReader(FileReader&& other) noexcept;
    FileReader& operator=(FileReader&& other) noexcept;
    FileReader(const FileReader&) = delete;
    FileReader& operator=(const FileReader&) = delete;

    // Opens a regular file for reading; an invalid reader with errno set
    // otherwise (ENOENT, EACCES, EISDIR, or ENODEV for pipes and devices,
    // which would block or never end).
    static FileReader open(const char* path);
    // A second reader of the same open file, for another thread.
    FileReader duplicate() const;

    bool valid() const { return fd_ >= 0; }
    // The size when the file was opened.
    std::int64_t size() const { return size_; }
    // Up to length bytes from offset: fewer at the end of the file or when
    // the file shrank, none on a read error.
    std::vector<unsigned char> read(std::int64_t offset, std::size_t length) const;
    // True while path still names this open file and it holds at least
    // minSize bytes: false once it was deleted, replaced or cut shorter.
    bool stillAt(const char* path, std::int64_t minSize) const;
    enum class Presence { Same, Changed, NoAnswer };
    // stillAt() on a thread of its own, waited for at most timeoutMs: on a
    // share that stopped answering even a stat may not return.
    Presence stillAtWithin(const char* path, std::int64_t minSize, int timeoutMs) const;

    // Runs before every read and every stillAt(), on the calling thread;
    // tests stall them with it as a network share that stopped answering
    // would. Empty: none.
    static void setReadHookForTesting(std::function<void()> hook);

  private:
    FileReader(int fd, std::int64_t size) : fd_(fd), size_(size) {}
    int fd_ = -1;
    std::int64_t size_ = 0;
};
