#pragma once

#include <filesystem>
#include <string>
#include <vector>

// A fresh directory under the system's temporary folder, removed with its contents.
class TemporaryDirectory {
  public:
    TemporaryDirectory();
    ~TemporaryDirectory();
    TemporaryDirectory(const TemporaryDirectory&) = delete;
    const std::filesystem::path& path() const { return path_; }

  private:
    std::filesystem::path path_;
};

// Runs a program on PATH, stderr silenced: its exit code, or -1 when it did not exit. Its stdout
// is appended to `output` when one is given, else silenced too.
int runProgram(const std::vector<std::string>& command, std::string* output = nullptr);

// runProgram on the program `name` in QUORVANE_BUILD_DIR, which ctest sets.
int runBuiltTool(const std::string& name, const std::vector<std::string>& arguments,
                 std::string* output = nullptr);

// runBuiltTool on quorvane-soundtrack.
int runSoundtrackTool(const std::vector<std::string>& arguments);
