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

// runProgram on the quorvane-soundtrack in QUORVANE_BUILD_DIR, which ctest sets.
int runSoundtrackTool(const std::vector<std::string>& arguments);

// Runs a program on PATH, output silenced: its exit code, or -1 when it did not exit.
int runProgram(const std::vector<std::string>& command);
