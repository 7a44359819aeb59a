#pragma once

#include <string>

// A fresh folder under the system's temporary folder, removed with all it
// holds when the object goes away. path() ends without a separator.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir &) = delete;
    TempDir &operator=(const TempDir &) = delete;

    const std::string &path() const { return path_; }
    // path() joined with `name` by the platform's separator.
    std::string file(const std::string &name) const;

private:
    std::string path_;
};

// Whole-file helpers for tests.
std::string readFileBytes(const std::string &path);
void writeFileBytes(const std::string &path, const std::string &bytes);
