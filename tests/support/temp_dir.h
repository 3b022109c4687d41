#pragma once
// A private folder for one test, removed with everything in it when the test ends.

#include <filesystem>
#include <string>

class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& Path() const { return m_path; }
    std::string File(const std::string& name) const { return (m_path / name).string(); }
    // Writes bytes exactly as given and returns the file's path.
    std::string Write(const std::string& name, const std::string& bytes) const;

  private:
    std::filesystem::path m_path;
};

std::string ReadFileBytes(const std::string& path);
