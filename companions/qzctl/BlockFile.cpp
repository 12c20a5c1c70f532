#include "BlockFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace qzctl {
namespace {

std::string Name(const std::string &path, bool input)
{
    if (path == "-")
        return input ? "standard input" : "standard output";
    return path;
}

bool WriteAll(int fd, const uint8_t *data, std::size_t size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

} // namespace

bool ReadBlockFile(const std::string &path, std::vector<uint8_t> &block, std::string &error)
{
    const int fd = path == "-" ? STDIN_FILENO : ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        error = "cannot open " + Name(path, true) + ": " + std::strerror(errno);
        return false;
    }
    struct stat info;
    if (::fstat(fd, &info) == 0 && S_ISDIR(info.st_mode)) {
        if (fd != STDIN_FILENO)
            ::close(fd);
        error = Name(path, true) + " is a folder, not a block file";
        return false;
    }
    // One byte more than a block tells a longer file from an exact one.
    std::vector<uint8_t> data(kBlockSize + 1);
    std::size_t total = 0;
    int readError = 0;
    while (total < data.size()) {
        const ssize_t n = ::read(fd, data.data() + total, data.size() - total);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            readError = errno;
            break;
        }
        if (n == 0)
            break;
        total += static_cast<std::size_t>(n);
    }
    if (fd != STDIN_FILENO)
        ::close(fd);
    if (readError != 0) {
        error = "cannot read " + Name(path, true) + ": " + std::strerror(readError);
        return false;
    }
    if (total != kBlockSize) {
        error = Name(path, true)
            + (total > kBlockSize ? " holds more than 4096 bytes" : " holds " + std::to_string(total) + " bytes")
            + "; a block file must hold exactly 4096 bytes";
        return false;
    }
    data.resize(kBlockSize);
    block = std::move(data);
    return true;
}

bool WriteBlockFile(const std::string &path, const uint8_t *data, std::size_t size, std::string &error)
{
    if (path == "-") {
        if (!WriteAll(STDOUT_FILENO, data, size)) {
            error = std::string("cannot write to standard output: ") + std::strerror(errno);
            return false;
        }
        return true;
    }
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) {
        error = "cannot create " + path + ": " + std::strerror(errno);
        return false;
    }
    const bool written = WriteAll(fd, data, size);
    const int writeError = errno;
    if (::close(fd) != 0 || !written) {
        error = "cannot write " + path + ": " + std::strerror(written ? errno : writeError);
        return false;
    }
    return true;
}

bool CanWriteFile(const std::string &path, std::string &error)
{
    if (path == "-")
        return true;
    struct stat info;
    if (::stat(path.c_str(), &info) == 0) {
        if (S_ISDIR(info.st_mode)) {
            error = path + " is a folder";
            return false;
        }
        if (::access(path.c_str(), W_OK) != 0) {
            error = "cannot write " + path + ": " + std::strerror(errno);
            return false;
        }
        return true;
    }
    const std::size_t slash = path.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    if (::access(folder.c_str(), W_OK | X_OK) != 0) {
        error = "cannot create " + path + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

} // namespace qzctl
