#pragma once

#include <memory>
#include <string>

// What a platform's audio library does for the music player: open the file ready to play, say
// how long it is and where it is, seek and run. The rules the demo's clock follows are the
// player's, the same on every platform.
class MusicBackend {
  public:
    virtual ~MusicBackend() = default;

    // Seconds; infinite while the length is not known yet.
    virtual double duration() = 0;
    // Seconds since the start of the media, the duration once playback has reached the end, NaN
    // when it cannot be read.
    virtual double position() = 0;
    // To a time within [0, duration]; while not running it only sets the position.
    virtual void seek(double seconds) = 0;
    virtual void run() = 0;
};

// The file opened and rendered without playing it; no backend when it cannot be played.
struct OpenedMusic {
    std::unique_ptr<MusicBackend> backend;
    bool noAudioDevice = false;
};

// Each platform has one.
OpenedMusic openMusic(const std::string& fileName);
