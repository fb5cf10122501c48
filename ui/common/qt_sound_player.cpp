#include "ui/common/qt_sound_player.h"

#include <QSoundEffect>
#include <QUrl>

namespace fw {

QtSoundPlayer::QtSoundPlayer(bool muted, QObject* parent) : QObject(parent), m_muted(muted) {}

QtSoundPlayer::~QtSoundPlayer() = default;

void QtSoundPlayer::play(const std::string& path) {
  if (path.empty()) return;
  if (m_effect != nullptr) {
    m_effect->stop();
    m_effect->deleteLater();
  }
  m_effect = new QSoundEffect(this);
  m_effect->setMuted(m_muted);
  QSoundEffect* effect = m_effect;
  // Loading is asynchronous: the sound starts once the file is decoded.
  connect(effect, &QSoundEffect::statusChanged, this, [effect] {
    if (effect->status() == QSoundEffect::Ready && !effect->isPlaying()) effect->play();
  });
  effect->setSource(QUrl::fromLocalFile(QString::fromStdString(path)));
}

}  // namespace fw
