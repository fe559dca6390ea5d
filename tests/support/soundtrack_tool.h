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
    TemporaryDirectory& operator=(const TemporaryDirectory&) = delete;

    const std::filesystem::path& path() const { return path_; }

  private:
    std::filesystem::path path_;
};

// The built quorvane-soundtrack, found through QUORVANE_BUILD_DIR as ctest sets it.
std::filesystem::path soundtrackTool();

// Runs the soundtrack tool with the given arguments, its output silenced; its exit code, or -1
// when it could not run or did not exit normally.
int runSoundtrackTool(const std::vector<std::string>& arguments);
