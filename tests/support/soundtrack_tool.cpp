#include "tests/support/soundtrack_tool.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <stdexcept>

TemporaryDirectory::TemporaryDirectory() {
    std::string pattern = (std::filesystem::temp_directory_path() / "quorvane-XXXXXX").string();
    if (!mkdtemp(pattern.data()))
        throw std::runtime_error("cannot create a temporary directory");
    path_ = pattern;
}

TemporaryDirectory::~TemporaryDirectory() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

int runProgram(const std::vector<std::string>& command) {
    std::string line;
    for (const std::string& word : command)
        line.append(" '").append(word).append("'");
    // Usage and refusal messages would only clutter the test log.
    const int status = std::system((line + " >/dev/null 2>&1").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

int runSoundtrackTool(const std::vector<std::string>& arguments) {
    const char* buildDir = std::getenv("QUORVANE_BUILD_DIR");
    if (!buildDir)
        throw std::runtime_error("QUORVANE_BUILD_DIR is not set; run the tests through ctest");
    std::vector<std::string> command = {std::string(buildDir) + "/quorvane-soundtrack"};
    command.insert(command.end(), arguments.begin(), arguments.end());
    return runProgram(command);
}
