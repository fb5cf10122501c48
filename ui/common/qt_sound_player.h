#pragma once
// The Sounds page's files played with Qt Multimedia (QSoundEffect: uncompressed WAV). One
// sound at a time: a new one replaces the one still playing. A file that cannot be read
// or decoded is dropped without a word, as the notices it goes with matter more.
//
// Main (GUI) thread only.

#include <QObject>

#include <memory>
#include <string>

#include "platform/sound_player.h"

class QSoundEffect;

namespace fw {

class QtSoundPlayer final : public QObject, public SoundPlayer {
  Q_OBJECT

 public:
  // `muted`: loads and runs the sound without output (tests).
  explicit QtSoundPlayer(bool muted = false, QObject* parent = nullptr);
  ~QtSoundPlayer() override;

  void play(const std::string& path) override;

  // The effect of the last play(), for tests: its status tells whether it loaded.
  QSoundEffect* current() const { return m_effect; }

 private:
  bool m_muted;
  QSoundEffect* m_effect = nullptr;
};

}  // namespace fw
