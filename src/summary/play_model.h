// The play list and the player's state as the other windows see it: whether a player is up,
// whether it holds the other windows while it plays, and where it was last.
#pragma once

#include <QObject>

#include <vector>

namespace zarn {

class PlayModel final : public QObject {
    Q_OBJECT
public:
    explicit PlayModel(QObject* parent = nullptr) : QObject(parent) {}

    // Clip numbers from element 1; element 0 is unused.
    const std::vector<int>& PlayList() const { return playList_; }
    int PlayListCount() const { return static_cast<int>(playList_.size()) - 1; }
    void SetPlayList(const std::vector<int>& clips) {
        playList_.assign(1, 0);
        playList_.insert(playList_.end(), clips.begin(), clips.end());
    }

    // The player stops after the clip instead of going on to the next.
    bool StopAfterClip() const { return stopAfterClip_; }
    void SetStopAfterClip(bool stop) { stopAfterClip_ = stop; }
    // The transport holds the flag itself, as it sets it while it plays.
    bool& StopAfterClipFlag() { return stopAfterClip_; }

    bool PlayerLoaded() const { return playerLoaded_; }
    void SetPlayerLoaded(bool loaded) {
        if (loaded == playerLoaded_) return;
        playerLoaded_ = loaded;
        emit playerLoadedChanged(loaded);
    }
    // While the player plays, the picture's Play and the bar's Open and Close are held.
    void SetLocked(bool locked) { emit lockChanged(locked); }

    // The player's last place in twips; -1 = none yet.
    int PlayerLeft() const { return playerLeft_; }
    int PlayerTop() const { return playerTop_; }
    void SetPlayerPlace(int left, int top) {
        playerLeft_ = left;
        playerTop_ = top;
    }

    // Sample columns per waveform pixel of the clip on show.
    int WavUnitWidth() const { return wavUnitWidth_; }
    void SetWavUnitWidth(int width) { wavUnitWidth_ = width; }

signals:
    void playerLoadedChanged(bool loaded);
    void lockChanged(bool locked);

private:
    std::vector<int> playList_{0};
    bool stopAfterClip_ = false;
    bool playerLoaded_ = false;
    int playerLeft_ = -1, playerTop_ = -1;
    int wavUnitWidth_ = 1;
};

} // namespace zarn
