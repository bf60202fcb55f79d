// A stand-in for the main window that keeps what the player commands show,
// so command tests need no window at all.
#pragma once

#include "core/player_view.h"

#include <QStringList>

class FakeView : public modMain::PlayerView {
  public:
    FakeView() { modMain::SetPlayerView(this); }
    ~FakeView() override { modMain::SetPlayerView(nullptr); }
    FakeView(const FakeView&) = delete;
    FakeView& operator=(const FakeView&) = delete;

    QString state;
    modMain::Long position = 0;
    QString title = modMain::AppTitle;
    QString totalTime = QStringLiteral("/ 00:00:00");
    modMain::Long seekMaximum = 1000;
    modMain::Long speed = 100;
    bool repeatChecked = false;
    bool transportLocked = false;
    QString repeatCaption;
    QString repeatTime;
    bool repeatTimerRunning = false;
    int historyShown = 0; // how often the history menu was rebuilt
    std::optional<QPoint> corner;
    QStringList copied;

    void ShowState(const QString& text) override { state = text; }
    void ShowPosition(modMain::Long seconds) override { position = seconds; }
    void ShowTitle(const QString& text) override { title = text; }
    void ShowTotalTime(const QString& text) override { totalTime = text; }
    void SetSeekMaximum(modMain::Long seconds) override { seekMaximum = seconds; }
    void ShowSpeed(modMain::Long percent) override { speed = percent; }
    void ShowRepeatChecked(bool checked) override { repeatChecked = checked; }
    void LockTransport(bool locked) override { transportLocked = locked; }
    void ShowRepeatCaption(const QString& caption, const QString& time) override {
        repeatCaption = caption;
        repeatTime = time;
    }
    void RunRepeatTimer(bool running) override { repeatTimerRunning = running; }
    void ShowHistory() override { ++historyShown; }
    std::optional<QPoint> WindowCorner() const override { return corner; }
    void CopyText(const QString& text) override { copied << text; }
};
