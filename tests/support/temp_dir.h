#pragma once
// A private temporary folder for one test, removed with everything in it at the end.

#include <string>

namespace fw::test {

// Thread safety: one owner thread.
class TempDir {
 public:
  // Creates a fresh folder under $TMPDIR (or /tmp) named after `prefix`.
  explicit TempDir(const std::string& prefix = "fwtest");
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& path() const { return m_path; }
  // path() + "/" + name.
  std::string file(const std::string& name) const;
  // Writes `content` to path()/name (creating sub-folders) and returns the full path.
  std::string write(const std::string& name, const std::string& content) const;

 private:
  std::string m_path;
};

// Reads a whole file; empty when it cannot be read.
std::string readFileText(const std::string& path);

}  // namespace fw::test
