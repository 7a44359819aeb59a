#include "TempDir.h"

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <system_error>

namespace fs = std::filesystem;

namespace {

#ifdef _WIN32
constexpr char kSep = '\\';
#else
constexpr char kSep = '/';
#endif

void makeRemovable(const fs::path &root)
{
    // Tests take permissions away from folders; give them back so that the
    // tree can be removed.
    std::error_code ec;
    fs::permissions(root, fs::perms::owner_all, fs::perm_options::add, ec);
    if (fs::is_directory(fs::symlink_status(root, ec))) {
        for (fs::directory_iterator it(root, ec), end; !ec && it != end; it.increment(ec)) {
            if (!it->is_symlink(ec)) {
                makeRemovable(it->path());
            }
        }
    }
}

}  // namespace

TempDir::TempDir()
{
    static std::atomic<unsigned> counter{0};
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    std::ostringstream name;
    name << "tidemark-test-" << stamp << "-" << counter++;
    const fs::path p = fs::temp_directory_path() / name.str();
    fs::create_directories(p);
    path_ = p.string();
}

TempDir::~TempDir()
{
    std::error_code ec;
    makeRemovable(path_);
    fs::remove_all(path_, ec);
}

std::string TempDir::file(const std::string &name) const
{
    return path_ + kSep + name;
}

std::string readFileBytes(const std::string &path)
{
    std::ifstream f(path, std::ios::binary);
    if (!f) {
        throw std::runtime_error("cannot read " + path);
    }
    std::ostringstream s;
    s << f.rdbuf();
    return s.str();
}

void writeFileBytes(const std::string &path, const std::string &bytes)
{
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!f) {
        throw std::runtime_error("cannot write " + path);
    }
}
