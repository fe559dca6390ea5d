#include "tests/support/soundtrack_tool.h"

#include <gst/gst.h>
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

int runSoundtrackTool(const std::vector<std::string>& arguments) {
    const char* buildDir = std::getenv("QUORVANE_BUILD_DIR");
    if (!buildDir)
        throw std::runtime_error("QUORVANE_BUILD_DIR is not set; run the tests through ctest");
    std::string command = std::string("'").append(buildDir).append("/quorvane-soundtrack'");
    for (const std::string& argument : arguments)
        command.append(" '").append(argument).append("'");
    // Usage and refusal messages would only clutter the test log.
    const int status = std::system((command + " >/dev/null 2>&1").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool runPipeline(const std::string& description) {
    GstElement* pipeline = gst_init_check(nullptr, nullptr, nullptr)
                               ? gst_parse_launch(description.c_str(), nullptr)
                               : nullptr;
    if (!pipeline)
        return false;
    gst_element_set_state(pipeline, GST_STATE_PLAYING);
    GstBus* bus = gst_element_get_bus(pipeline);
    GstMessage* message = gst_bus_timed_pop_filtered(
        bus, 60 * GST_SECOND, static_cast<GstMessageType>(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
    const bool ended = message && GST_MESSAGE_TYPE(message) == GST_MESSAGE_EOS;
    if (message)
        gst_message_unref(message);
    gst_object_unref(bus);
    gst_element_set_state(pipeline, GST_STATE_NULL);
    gst_object_unref(pipeline);
    return ended;
}
