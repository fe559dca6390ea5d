#pragma once

#include <memory>
#include <string>

// Plays the soundtrack and reports its position, the clock of the whole demo.
// A file that cannot be played is reported on standard output; the player then runs a silent
// wall clock started by play(), so the timeline still advances.
class MusicPlayer {
  public:
    // Pre-rolls the file without playing it and prints whether that worked.
    explicit MusicPlayer(std::string fileName);
    ~MusicPlayer();
    MusicPlayer(const MusicPlayer&) = delete;
    MusicPlayer& operator=(const MusicPlayer&) = delete;

    // Clamped to [0, duration]; while not playing it only sets the position.
    void seek(double seconds);
    void play();
    // Seconds since the start of the media; stays at the end once playback has reached it.
    double position();
    // Length of the media in seconds; infinite while unknown, and for the silent wall clock.
    double duration() const;
    // Whether the file pre-rolled; when false the silent wall clock stands in from the start.
    bool rendered() const;

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};
