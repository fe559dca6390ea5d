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

// Runs the built quorvane-soundtrack (found through QUORVANE_BUILD_DIR, as ctest sets it) with
// the given arguments, its output silenced; its exit code, or -1 when it did not run or exit.
int runSoundtrackTool(const std::vector<std::string>& arguments);

// Runs a program found on PATH with the given arguments, its output silenced; its exit code.
int runProgram(const std::vector<std::string>& command);
