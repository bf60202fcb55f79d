// The desktop's text on X11, over an X connection of its own so that no
// answer is ever waited for inside Qt's: selections are asked for and their
// answers come back as events, with half a second for an owner that does
// not answer. A timestamp is typed by putting it on the clipboard and
// sending the paste key through XTest once every key is up, so an input
// method that is on does not convert it; the clipboard's previous content,
// every format of it, is served again once the window has fetched the text.
#pragma once

#include "core/timestamps/desktop_text.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <vector>
#include <xcb/xcb.h>

class QSocketNotifier;
struct _XCBKeySymbols;

namespace inputs {

class X11DesktopText final : public QObject, public modMain::DesktopText {
  public:
    // Null when no X display answers.
    static std::unique_ptr<X11DesktopText> connectToDisplay();
    ~X11DesktopText() override;

    void read(Source source, std::function<void(const QString&)> done) override;
    void insert(const QString& text) override;

    // From the last key release seen to the paste being fetched, in ms (-1
    // before the first insert); for the benchmark.
    qint64 lastInsertMs() const { return lastInsertMs_; }

  private:
    struct Read {
        xcb_atom_t selection;
        std::function<void(const QString&)> done;
    };
    struct Data {
        xcb_atom_t type = XCB_NONE;
        std::uint8_t format = 8;
        QByteArray bytes;
    };
    // What this window serves, by target.
    using Formats = std::map<xcb_atom_t, Data>;
    enum class Saving { Idle, Targets, Formats, Done };

    X11DesktopText(xcb_connection_t* connection, int screenNumber);
    xcb_atom_t atom(const char* name);
    // For the log.
    QByteArray atomName(xcb_atom_t atom);
    xcb_window_t owner(xcb_atom_t selection);
    void drain();
    void drainLater();
    void handle(const xcb_generic_event_t* event);
    void onSelectionNotify(const xcb_selection_notify_event_t& event);
    void onSelectionRequest(const xcb_selection_request_event_t& event);
    // The property's value, deleted once read; nothing for INCR transfers.
    std::optional<Data> takeProperty(xcb_atom_t property);

    void startRead();
    void finishRead(const QString& text);

    void startSave();
    void finishSave();
    bool keysUp();
    void pollKeys();
    void pasteWhenReady();
    void sendPasteKey();
    void restore();

    xcb_connection_t* connection_;
    xcb_window_t root_ = XCB_NONE;
    xcb_window_t window_ = XCB_NONE;
    _XCBKeySymbols* symbols_ = nullptr;
    QSocketNotifier* notifier_ = nullptr;
    bool drainQueued_ = false;
    bool xtest_ = false;
    xcb_atom_t clipboard_, utf8_, targets_, incr_, timestamp_, multiple_, readProperty_,
        saveProperty_, textPlainUtf8_, text_;

    std::deque<Read> reads_;
    bool reading_ = false;
    QTimer readTimer_;

    // The insert in progress: its text, the clipboard saved meanwhile.
    std::deque<QString> inserts_;
    bool inserting_ = false;
    Saving saving_ = Saving::Idle;
    // The formats asked for and not yet answered, with the property each
    // goes into.
    std::map<xcb_atom_t, xcb_atom_t> savePending_;
    std::vector<xcb_atom_t> formatProperties_;
    Formats saved_;
    bool hadOwner_ = false;
    QTimer saveTimer_;
    std::vector<xcb_atom_t> skipped_;
    QTimer keyTimer_;
    QElapsedTimer keyWait_;
    QElapsedTimer sinceRelease_;
    bool released_ = false;
    QTimer restoreTimer_;
    bool pasteServing_ = false;
    Formats serving_;
    qint64 lastInsertMs_ = -1;
};

// The desktop's text for the platform the player runs on; null where it has
// none (the commands then find no selection and type nothing).
std::unique_ptr<modMain::DesktopText> makePlatformDesktopText();

} // namespace inputs
