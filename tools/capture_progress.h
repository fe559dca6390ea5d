#pragma once

#include <cstdio>
#include <string>

// Frames done of a known total, reported on a stream while a long render runs: on a terminal a
// bar redrawn in place with the frame rate and the time left, elsewhere (a log, a pipe) one line
// each time another tenth is done.
class CaptureProgress {
  public:
    CaptureProgress(std::FILE* stream, bool terminal, int total);

    // Frame `done` of the total is finished, `seconds` after the first one began.
    void frameDone(int done, double seconds);

  private:
    std::FILE* stream_;
    bool terminal_;
    int total_;
    int tenthsReported_ = 0;
    double lastDrawn_ = -1.0;
};

// "[#####     ]  120/1200 frames  2.4 frames/s  7:30 left", the bar 30 characters wide.
std::string progressBar(int done, int total, double seconds);
// "quorvane-capture: 10% (120/1200 frames), 2.4 frames/s, 7:30 left"
std::string progressLine(int done, int total, double seconds);
