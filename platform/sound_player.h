#pragma once
// Playing the sound files of the Sounds page (a new job, a finished or failed download,
// all done). The desktop program plays them with Qt Multimedia; the command-line program
// and the tests use a player that plays nothing, so that no test makes a sound.
//
// Threads: main thread only.

#include <string>

namespace fw {

class SoundPlayer {
 public:
  virtual ~SoundPlayer() = default;
  // Starts playing the file at `path` and returns at once; a file that cannot be played
  // is ignored.
  virtual void play(const std::string& path) = 0;
};

class SilentSoundPlayer final : public SoundPlayer {
 public:
  void play(const std::string&) override {}
};

}  // namespace fw
