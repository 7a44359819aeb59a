#include "title/OpenDocument.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include <PDFDoc.h>

#include "common/posix/FileDescriptor.h"

namespace tidemark {

std::unique_ptr<PDFDoc> openDocument(const std::string &path)
{
    // POSIX file names are bytes; the library passes them to the system as
    // they are.
    return std::make_unique<PDFDoc>(std::make_unique<GooString>(path));
}

bool readWholeFile(const std::string &path, std::size_t limit, FileBytes &bytes)
{
    if (path.find('\0') != std::string::npos) {
        return false;  // a shorter name would reach another file
    }
    // Non-blocking, so that a pipe that carries a PDF's name does not hang
    // the run here.
    const FileDescriptor file(open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    struct stat status {};
    if (file.get() < 0 || fstat(file.get(), &status) != 0 || !S_ISREG(status.st_mode) || status.st_size <= 0 ||
        static_cast<unsigned long long>(status.st_size) > limit) {
        return false;
    }
    const auto size = static_cast<std::size_t>(status.st_size);
    auto data = std::make_unique_for_overwrite<char[]>(size);
    std::size_t got = 0;
    while (got < size) {
        const ssize_t n = read(file.get(), data.get() + got, size - got);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            return false;
        }
        if (n == 0) {
            break;  // the file has shrunk since: the document is what was read
        }
        got += static_cast<std::size_t>(n);
    }
    if (got == 0) {
        return false;
    }
    bytes.data = std::move(data);
    bytes.size = got;
    return true;
}

}  // namespace tidemark
