#include "app/music_player.h"
struct MusicPlayer::Impl {};
MusicPlayer::MusicPlayer(std::string) {}
MusicPlayer::~MusicPlayer() = default;
void MusicPlayer::seek(double) {}
void MusicPlayer::play() {}
double MusicPlayer::position() { return 0; }
double MusicPlayer::duration() const { return 0; }
