#include "tests/support/soundtrack_tool.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
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

int runProgram(const std::vector<std::string>& command, std::string* output) {
    std::string line;
    for (const std::string& word : command)
        line.append(" '").append(word).append("'");
    // Usage and refusal messages would only clutter the test log.
    line.append(output ? " 2>/dev/null" : " >/dev/null 2>&1");
    FILE* pipe = popen(line.c_str(), "r");
    if (!pipe)
        return -1;
    char buffer[4096];
    for (size_t read = 0; (read = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        if (output)
            output->append(buffer, read);
    const int status = pclose(pipe);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

int runBuiltTool(const std::string& name, const std::vector<std::string>& arguments,
                 std::string* output) {
    const char* buildDir = std::getenv("QUORVANE_BUILD_DIR");
    if (!buildDir)
        throw std::runtime_error("QUORVANE_BUILD_DIR is not set; run the tests through ctest");
    std::vector<std::string> command = {std::string(buildDir) + "/" + name};
    command.insert(command.end(), arguments.begin(), arguments.end());
    return runProgram(command, output);
}

int runSoundtrackTool(const std::vector<std::string>& arguments) {
    return runBuiltTool("quorvane-soundtrack", arguments);
}
