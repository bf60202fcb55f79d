// What the player commands show. The main window implements it; the core
// never sees a widget. Until a view is set, a silent one stands in, so the
// commands also run without a window.
#pragma once

#include "core/modMain.h"

#include <QPoint>
#include <QString>
#include <optional>

namespace modMain {

class PlayerView {
  public:
    virtual ~PlayerView() = default;

    // The status strip: the engine's state, and the polled position.
    virtual void ShowState(const QString& text) = 0;
    virtual void ShowPosition(Long seconds) = 0;
    // The open file: the window title, the total time and the seek bar's end.
    virtual void ShowTitle(const QString& title) = 0;
    virtual void ShowTotalTime(const QString& text) = 0;
    virtual void SetSeekMaximum(Long seconds) = 0;
    // The speed field and the repeat box; shown only, no handler runs.
    virtual void ShowSpeed(Long percent) = 0;
    virtual void ShowRepeatChecked(bool checked) = 0;
    // Repeat mode: the transport controls it locks, its caption and time,
    // and its 200 ms timer.
    virtual void LockTransport(bool locked) = 0;
    virtual void ShowRepeatCaption(const QString& caption, const QString& time) = 0;
    virtual void RunRepeatTimer(bool running) = 0;
    // The File menu's history items.
    virtual void ShowHistory() = 0;
    // The outer corner of the window, in pixels, when it has one.
    virtual std::optional<QPoint> WindowCorner() const = 0;
    // The clipboard and, where the desktop has one, the primary selection.
    virtual void CopyText(const QString& text) = 0;
};

// The view the commands talk to; never null.
PlayerView& View();
// Sets the view (the main window sets itself); null brings back the silent one.
void SetPlayerView(PlayerView* view);
// The view that was set, or null.
PlayerView* CurrentPlayerView();

} // namespace modMain
