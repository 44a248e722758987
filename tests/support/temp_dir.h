// A temporary folder for one test, removed with everything in it at the end.
#pragma once

#include <string>
#include <string_view>

namespace zarn::test {

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return path_; }
    // path() + "/" + name
    std::string file(std::string_view name) const;
    // Writes bytes exactly as given; returns the full path.
    std::string write(std::string_view name, std::string_view bytes) const;
    // Reads a file whole; "" when it cannot be read.
    static std::string read(const std::string& fullPath);

private:
    std::string path_;
};

} // namespace zarn::test
