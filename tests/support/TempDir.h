#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace testing_support {

// A fresh folder under $TMPDIR (or /tmp), removed with its contents on destruction.
class CTempDir
{
public:
    CTempDir();
    ~CTempDir();
    CTempDir(const CTempDir &) = delete;
    CTempDir &operator=(const CTempDir &) = delete;

    const std::string &Path() const { return m_path; }
    std::string File(const std::string &name) const { return m_path + "/" + name; }

private:
    std::string m_path;
};

std::vector<std::uint8_t> ReadFile(const std::string &path);
void WriteFile(const std::string &path, const std::vector<std::uint8_t> &bytes);
bool Exists(const std::string &path);
// Names in a folder, sorted; hidden ones included.
std::vector<std::string> ListFolder(const std::string &path);
// The number of open file descriptors of this process.
int OpenFileCount();

} // namespace testing_support
