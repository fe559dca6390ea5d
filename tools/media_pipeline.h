#pragma once

#include <gst/gst.h>

#include <optional>
#include <string>

// A GStreamer pipeline built from a gst-launch description. Owns the pipeline and its bus; on
// destruction the pipeline is stopped and released. Needs gst_init.
class MediaPipeline {
  public:
    // Throws std::runtime_error "cannot build <what>: ..." when the description does not build.
    MediaPipeline(const char* description, const std::string& what);
    ~MediaPipeline();
    MediaPipeline(const MediaPipeline&) = delete;
    MediaPipeline& operator=(const MediaPipeline&) = delete;

    GstElement* get() const { return pipeline_; }
    // An element named in the description; the pipeline keeps it alive.
    GstElement* element(const char* name) const;
    // The first error the pipeline has posted and nobody has taken yet.
    std::optional<std::string> takeError();
    // Waits until the stream has ended everywhere; the error instead, when one comes first.
    std::optional<std::string> waitForEnd();

  private:
    GstElement* pipeline_ = nullptr;
    GstBus* bus_ = nullptr;
};
