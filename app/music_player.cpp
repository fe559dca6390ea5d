#include "app/music_player.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <limits>

namespace {

constexpr double kEndless = std::numeric_limits<double>::infinity();
// A broken file skipping towards its end gains far more on real time; an audio clock's drift or
// a late start never gains at all.
constexpr double kMostAhead = 1.0;
// A lost device leaves the position standing; a playing device moves it all the time.
constexpr double kLongestStall = 2.0;
// A device can take seconds to start on a busy machine, and may report a sliver of buffered
// sound as played before it does; one that never starts must not freeze the demo on its first
// frame.
constexpr double kLongestStart = 10.0;
constexpr double kStarted = 0.25;

double steadySeconds() {
    const std::chrono::duration<double> since = std::chrono::steady_clock::now().time_since_epoch();
    return since.count();
}

void say(const char* line) {
    std::fputs(line, stdout);
    std::fflush(stdout);
}

} // namespace

MusicPlayer::MusicPlayer(OpenedMusic music) : MusicPlayer(std::move(music), steadySeconds) {}

MusicPlayer::MusicPlayer(OpenedMusic music, Now now)
    : backend_(std::move(music.backend)), now_(std::move(now)) {
    if (backend_) {
        say("Song succesfully rendered!\n");
        return;
    }
    say("mp3 rendering failed :(\n");
    if (music.noAudioDevice)
        say("No audio device found: the music plays silently in real time.\n");
}

MusicPlayer::~MusicPlayer() = default;

void MusicPlayer::seek(double seconds) {
    double to = seconds;
    if (to > duration())
        to = duration();
    // Written so that NaN lands at 0 as well.
    if (!(to >= 0.0))
        to = 0.0;
    if (!backend_) {
        wallFrom_ = to;
        wallSince_ = now_();
        return;
    }
    backend_->seek(to);
    last_ = to;
    if (playing_)
        watchFrom(now_());
}

void MusicPlayer::play() {
    if (playing_)
        return;
    playing_ = true;
    if (!backend_) {
        wallSince_ = now_();
        return;
    }
    backend_->run();
    watchFrom(now_());
}

double MusicPlayer::position() {
    if (!backend_)
        return wallClock();
    const double read = backend_->position();
    if (!playing_) {
        if (!std::isnan(read))
            last_ = read;
        return last_;
    }
    const double now = now_();
    // A position that cannot be read counts as one standing still.
    if (!std::isnan(read)) {
        if (read - now > leastLead_ + kMostAhead) {
            handOver("its position ran ahead of real time", now);
            return wallClock();
        }
        leastLead_ = std::min(leastLead_, read - now);
        if (read != last_ && (moved_ || std::abs(read - startedAt_) > kStarted)) {
            movedAt_ = now;
            moved_ = true;
        }
        last_ = read;
    }
    // At the end the clock stays there; until then it must keep moving once it has started.
    if (last_ < duration() && now - movedAt_ > (moved_ ? kLongestStall : kLongestStart)) {
        handOver(moved_ ? "its position stopped advancing" : "its position did not start moving",
                 now);
        return wallClock();
    }
    return last_;
}

double MusicPlayer::duration() const {
    return backend_ ? backend_->duration() : kEndless;
}

void MusicPlayer::watchFrom(double now) {
    movedAt_ = now;
    moved_ = false;
    startedAt_ = last_;
    leastLead_ = last_ - now;
}

void MusicPlayer::handOver(const char* reason, double now) {
    std::printf("music playback stopped (%s); the timeline goes on silently\n", reason);
    std::fflush(stdout);
    backend_.reset();
    wallFrom_ = last_;
    wallSince_ = now;
}

double MusicPlayer::wallClock() const {
    return playing_ ? wallFrom_ + (now_() - wallSince_) : wallFrom_;
}
