#include "tools/media_pipeline.h"

#include <stdexcept>

namespace {

// The error message itself; GStreamer's debug text is for developers of the elements.
std::string errorOf(GstMessage* message) {
    GError* error = nullptr;
    gst_message_parse_error(message, &error, nullptr);
    std::string text = error ? error->message : "unknown error";
    g_clear_error(&error);
    gst_message_unref(message);
    return text;
}

} // namespace

MediaPipeline::MediaPipeline(const char* description, const std::string& what) {
    GError* error = nullptr;
    pipeline_ = gst_parse_launch(description, &error);
    if (!pipeline_ || error) {
        const std::string why = error ? error->message : "unknown error";
        g_clear_error(&error);
        if (pipeline_)
            gst_object_unref(pipeline_);
        throw std::runtime_error("cannot build " + what + ": " + why);
    }
    bus_ = gst_element_get_bus(pipeline_);
}

MediaPipeline::~MediaPipeline() {
    gst_element_set_state(pipeline_, GST_STATE_NULL);
    gst_object_unref(bus_);
    gst_object_unref(pipeline_);
}

GstElement* MediaPipeline::element(const char* name) const {
    GstElement* found = gst_bin_get_by_name(GST_BIN(pipeline_), name);
    gst_object_unref(found);
    return found;
}

std::optional<std::string> MediaPipeline::takeError() {
    if (GstMessage* message = gst_bus_pop_filtered(bus_, GST_MESSAGE_ERROR))
        return errorOf(message);
    return std::nullopt;
}

std::optional<std::string> MediaPipeline::waitForEnd() {
    GstMessage* message = gst_bus_timed_pop_filtered(
        bus_, GST_CLOCK_TIME_NONE,
        static_cast<GstMessageType>(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
    if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_ERROR)
        return errorOf(message);
    gst_message_unref(message);
    return std::nullopt;
}
