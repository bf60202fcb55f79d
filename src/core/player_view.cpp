#include "core/player_view.h"

namespace modMain {

namespace {

class SilentView : public PlayerView {
  public:
    void ShowState(const QString&) override {}
    void ShowPosition(Long) override {}
    void ShowTitle(const QString&) override {}
    void ShowTotalTime(const QString&) override {}
    void SetSeekMaximum(Long) override {}
    void ShowSpeed(Long) override {}
    void ShowRepeatChecked(bool) override {}
    void LockTransport(bool) override {}
    void ShowRepeatCaption(const QString&, const QString&) override {}
    void RunRepeatTimer(bool) override {}
    void ShowHistory() override {}
    std::optional<QPoint> WindowCorner() const override { return std::nullopt; }
    void CopyText(const QString&) override {}
};

PlayerView* currentView = nullptr;

} // namespace

PlayerView& View() {
    static SilentView silent;
    return currentView ? *currentView : silent;
}

void SetPlayerView(PlayerView* view) {
    currentView = view;
}

PlayerView* CurrentPlayerView() {
    return currentView;
}

} // namespace modMain
