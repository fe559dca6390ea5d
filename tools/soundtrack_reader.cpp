#include "tools/soundtrack_reader.h"

#include <gst/app/gstappsink.h>

#include <algorithm>
#include <stdexcept>

namespace {

// Long enough for a slow disk, short enough that a stuck decoder does not hang the start.
constexpr GstClockTime kStartTimeout = 10 * GST_SECOND;

} // namespace

SoundtrackReader::SoundtrackReader(const std::string& path)
    : pipeline_("filesrc name=file ! decodebin ! audioconvert ! audioresample ! "
                "appsink name=sink sync=false max-buffers=16",
                "the soundtrack decoder"),
      sink_(pipeline_.element("sink")) {
    g_object_set(pipeline_.element("file"), "location", path.c_str(), nullptr);
    GstCaps* caps = gst_caps_new_simple("audio/x-raw", "format", G_TYPE_STRING, "S16LE", "layout",
                                        G_TYPE_STRING, "interleaved", "rate", G_TYPE_INT,
                                        sampleRate, "channels", G_TYPE_INT, channels, nullptr);
    g_object_set(sink_, "caps", caps, nullptr);
    gst_caps_unref(caps);
    gst_element_set_state(pipeline_.get(), GST_STATE_PLAYING);
    if (gst_element_get_state(pipeline_.get(), nullptr, nullptr, kStartTimeout) !=
        GST_STATE_CHANGE_SUCCESS)
        throw std::runtime_error("cannot read " + path + ": " +
                                 pipeline_.takeError().value_or("it does not decode"));
}

bool SoundtrackReader::decodeMore() {
    if (ended_)
        return false;
    GstSample* sample = gst_app_sink_pull_sample(GST_APP_SINK(sink_));
    if (!sample) {
        ended_ = true;
        return false;
    }
    pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(pendingFrom_));
    pendingFrom_ = 0;
    GstBuffer* buffer = gst_sample_get_buffer(sample);
    GstMapInfo map;
    if (buffer && gst_buffer_map(buffer, &map, GST_MAP_READ)) {
        const auto* first = reinterpret_cast<const std::int16_t*>(map.data);
        pending_.insert(pending_.end(), first, first + map.size / sizeof(std::int16_t));
        gst_buffer_unmap(buffer, &map);
    }
    gst_sample_unref(sample);
    return true;
}

std::vector<std::int16_t> SoundtrackReader::read(std::uint64_t frames) {
    const std::size_t wanted = static_cast<std::size_t>(frames) * channels;
    while (pending_.size() - pendingFrom_ < wanted && decodeMore()) {
    }
    const std::size_t count = std::min(wanted, pending_.size() - pendingFrom_);
    const auto from = pending_.begin() + static_cast<std::ptrdiff_t>(pendingFrom_);
    std::vector<std::int16_t> samples(from, from + static_cast<std::ptrdiff_t>(count));
    pendingFrom_ += count;
    position_ += count / channels;
    return samples;
}

void SoundtrackReader::skipTo(std::uint64_t frame) {
    while (position_ < frame && !ended())
        read(std::min<std::uint64_t>(frame - position_, sampleRate));
}
