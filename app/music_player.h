#pragma once

#include "app/music_backend.h"

#include <functional>
#include <memory>

// Plays the soundtrack and reports its position, the clock of the whole demo. The music is the
// clock whenever it plays. A silent wall clock stands in from the start when the file cannot be
// played or there is no audio device, and from the last position when playback stops following
// real time (a broken file racing ahead, a lost device standing still, a device that never
// starts), so the timeline goes on. A device that is slow to start only delays the clock.
class MusicPlayer {
  public:
    // Seconds on a clock that never goes back.
    using Now = std::function<double()>;

    // Prints one line about the file, and one more when there is no audio device.
    explicit MusicPlayer(OpenedMusic music);
    MusicPlayer(OpenedMusic music, Now now);
    ~MusicPlayer();
    MusicPlayer(const MusicPlayer&) = delete;
    MusicPlayer& operator=(const MusicPlayer&) = delete;

    // Clamped to [0, duration], NaN to 0; while not playing it only sets the position.
    void seek(double seconds);
    void play();
    // Seconds since the start of the media; stays at the end once playback has reached it.
    double position();
    // Length of the media in seconds; infinite while unknown, and for the wall clock.
    double duration() const;

  private:
    void watchFrom(double now);
    void handOver(const char* reason, double now);
    double wallClock() const;

    std::unique_ptr<MusicBackend> backend_; // null while the wall clock stands in
    Now now_;
    bool playing_ = false;
    // The wall clock reads wallFrom_ at the real time wallSince_, and runs while playing.
    double wallFrom_ = 0.0;
    double wallSince_ = 0.0;
    // The music: the last position read, the real time it last moved (or was started or sought),
    // the position it was started or sought at, whether it has got going since, and the least lead
    // of the position over real time since then.
    double last_ = 0.0;
    double movedAt_ = 0.0;
    double startedAt_ = 0.0;
    bool moved_ = false;
    double leastLead_ = 0.0;
};
