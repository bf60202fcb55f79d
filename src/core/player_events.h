// What the player did, for inputs that report back (MPRIS): the playback
// state, a seek, the speed and the open file. The poll and the commands tell
// it; it only passes the news on.
#pragma once

#include "core/modMain.h"

#include <QObject>

namespace modMain {

class PlayerEvents : public QObject {
    Q_OBJECT

  public:
    // The poll's state; stateChanged only when it differs from the last one.
    void NoteState(std::int32_t state);

  signals:
    void stateChanged(int state);
    void seeked(modMain::Long seconds);
    void speedChanged(modMain::Long percent);
    void fileOpened();

  private:
    std::int32_t lastState_ = -1;
};

// The player's events, as the composition root handed them over.
PlayerEvents& Events();
void SetPlayerEvents(PlayerEvents* events);

} // namespace modMain
