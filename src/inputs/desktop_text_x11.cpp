#include "inputs/desktop_text_x11.h"

#include "core/hotkeys/desktop_session.h"
#include "core/log.h"
#include "core/player_view.h"
#include "core/timestamps/timestamp_notices.h"
#include "core/timestamps/timestamp_settings.h"
#include "core/timestamps/written_time.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QSocketNotifier>
#include <X11/keysym.h>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <vector>
#include <xcb/xcb_keysyms.h>
#include <xcb/xtest.h>

namespace inputs {

namespace {

// An owner that has not answered by then never will in time to matter.
constexpr int OwnerTimeoutMs = 500;
// Saving the previous clipboard delays the paste: what is not saved by then
// is not restored. Every format is asked for at once, each into a property
// of its own; more formats than that are not kept.
constexpr int SaveBudgetMs = 2000;
constexpr int SavedFormatsAtMost = 32;
// A target that has not fetched the text by then will not: the previous
// clipboard comes back all the same.
constexpr int FetchTimeoutMs = 2000;
// Keys still down after this long are taken as stuck.
constexpr int KeyWaitLimitMs = 3000;
constexpr int KeyPollMs = 5;
// Property values read in one go: enough for 4096 characters of UTF-8.
constexpr std::uint32_t LongestReadWords = 4 * 4096 / 4;

template <typename Reply> using ReplyPtr = std::unique_ptr<Reply, decltype(&std::free)>;

template <typename Reply> ReplyPtr<Reply> own(Reply* reply) {
    return ReplyPtr<Reply>(reply, &std::free);
}

} // namespace

std::unique_ptr<X11DesktopText> X11DesktopText::connectToDisplay() {
    int screen = 0;
    xcb_connection_t* connection = xcb_connect(nullptr, &screen);
    if (xcb_connection_has_error(connection)) {
        xcb_disconnect(connection);
        qCWarning(lcUi) << "no X display for the selection and the paste key";
        return nullptr;
    }
    return std::unique_ptr<X11DesktopText>(new X11DesktopText(connection, screen));
}

X11DesktopText::X11DesktopText(xcb_connection_t* connection, int screenNumber)
    : connection_(connection), symbols_(xcb_key_symbols_alloc(connection)) {
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(connection_));
    for (int i = 0; it.rem > 0 && i < screenNumber; ++i)
        xcb_screen_next(&it);
    root_ = it.data->root;
    window_ = xcb_generate_id(connection_);
    const std::uint32_t events = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_create_window(connection_, XCB_COPY_FROM_PARENT, window_, root_, 0, 0, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK,
                      &events);
    clipboard_ = atom("CLIPBOARD");
    utf8_ = atom("UTF8_STRING");
    targets_ = atom("TARGETS");
    incr_ = atom("INCR");
    timestamp_ = atom("TIMESTAMP");
    multiple_ = atom("MULTIPLE");
    readProperty_ = atom("MEMOTAP_READ");
    saveProperty_ = atom("MEMOTAP_SAVE");
    std::vector<xcb_intern_atom_cookie_t> cookies;
    for (int i = 0; i < SavedFormatsAtMost; ++i) {
        const QByteArray name = "MEMOTAP_SAVE_" + QByteArray::number(i);
        cookies.push_back(xcb_intern_atom(connection_, 0, name.size(), name.constData()));
    }
    for (const xcb_intern_atom_cookie_t& cookie : cookies) {
        const auto reply = own(xcb_intern_atom_reply(connection_, cookie, nullptr));
        formatProperties_.push_back(reply ? reply->atom : XCB_NONE);
    }
    textPlainUtf8_ = atom("text/plain;charset=utf-8");
    text_ = atom("TEXT");
    // Targets that are requests, not formats of the content.
    skipped_ = {XCB_NONE,
                targets_,
                multiple_,
                timestamp_,
                atom("SAVE_TARGETS"),
                atom("DELETE"),
                atom("INSERT_SELECTION"),
                atom("INSERT_PROPERTY")};
    const xcb_query_extension_reply_t* test = xcb_get_extension_data(connection_, &xcb_test_id);
    xtest_ = test && test->present;
    if (!xtest_)
        qCWarning(lcUi) << "the X server has no XTest: timestamps are copied, not typed";

    notifier_ =
        new QSocketNotifier(xcb_get_file_descriptor(connection_), QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [this] { drain(); });
    for (QTimer* timer : {&readTimer_, &saveTimer_, &restoreTimer_}) {
        timer->setSingleShot(true);
    }
    readTimer_.setInterval(OwnerTimeoutMs);
    connect(&readTimer_, &QTimer::timeout, this, [this] {
        qCWarning(lcUi) << "the owner of the selection did not answer";
        finishRead({});
    });
    saveTimer_.setInterval(SaveBudgetMs);
    connect(&saveTimer_, &QTimer::timeout, this, [this] {
        qCWarning(lcUi) << "the clipboard's owner was slow; only part of it will come back";
        finishSave();
    });
    restoreTimer_.setInterval(FetchTimeoutMs);
    connect(&restoreTimer_, &QTimer::timeout, this, [this] {
        qCWarning(lcUi) << "no window fetched the pasted timestamp";
        restore();
    });
    keyTimer_.setInterval(KeyPollMs);
    connect(&keyTimer_, &QTimer::timeout, this, &X11DesktopText::pollKeys);
    xcb_flush(connection_);
}

X11DesktopText::~X11DesktopText() {
    delete notifier_;
    if (symbols_)
        xcb_key_symbols_free(symbols_);
    xcb_disconnect(connection_);
}

// Only while setting up, before anything waits on this connection.
xcb_atom_t X11DesktopText::atom(const char* name) {
    const auto reply = own(xcb_intern_atom_reply(
        connection_, xcb_intern_atom(connection_, 0, std::strlen(name), name), nullptr));
    return reply ? reply->atom : XCB_NONE;
}

// The X server answers this itself; no client is waited for.
xcb_window_t X11DesktopText::owner(xcb_atom_t selection) {
    const auto reply = own(xcb_get_selection_owner_reply(
        connection_, xcb_get_selection_owner(connection_, selection), nullptr));
    drainLater();
    return reply ? reply->owner : XCB_NONE;
}

// Waiting for a reply may have read events off the socket into XCB's queue,
// where the socket notifier never sees them.
void X11DesktopText::drainLater() {
    if (drainQueued_)
        return;
    drainQueued_ = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            drainQueued_ = false;
            drain();
        },
        Qt::QueuedConnection);
}

void X11DesktopText::drain() {
    while (xcb_generic_event_t* event = xcb_poll_for_event(connection_)) {
        handle(event);
        std::free(event);
    }
    xcb_flush(connection_);
}

void X11DesktopText::handle(const xcb_generic_event_t* event) {
    switch (event->response_type & 0x7F) {
    case XCB_SELECTION_NOTIFY:
        onSelectionNotify(*reinterpret_cast<const xcb_selection_notify_event_t*>(event));
        break;
    case XCB_SELECTION_REQUEST:
        onSelectionRequest(*reinterpret_cast<const xcb_selection_request_event_t*>(event));
        break;
    case XCB_SELECTION_CLEAR:
        // Another program copied: what it holds is the clipboard now.
        serving_.clear();
        pasteServing_ = false;
        break;
    default:
        break;
    }
}

QByteArray X11DesktopText::atomName(xcb_atom_t atom) {
    const auto reply =
        own(xcb_get_atom_name_reply(connection_, xcb_get_atom_name(connection_, atom), nullptr));
    drainLater();
    return reply ? QByteArray(xcb_get_atom_name_name(reply.get()),
                              xcb_get_atom_name_name_length(reply.get()))
                 : QByteArray::number(atom);
}

std::optional<X11DesktopText::Data> X11DesktopText::takeProperty(xcb_atom_t property) {
    const std::uint32_t words =
        property == readProperty_ ? LongestReadWords : xcb_get_maximum_request_length(connection_);
    const auto reply = own(xcb_get_property_reply(
        connection_,
        xcb_get_property(connection_, 1, window_, property, XCB_GET_PROPERTY_TYPE_ANY, 0, words),
        nullptr));
    drainLater();
    if (!reply || reply->type == XCB_NONE || reply->type == incr_)
        return std::nullopt;
    // A value too long to read at once is cut where it was read: for a
    // selection, the first characters are all that is searched; for the
    // clipboard kept aside, a cut format would come back damaged.
    if (reply->bytes_after > 0 && property != readProperty_)
        return std::nullopt;
    const auto* value = static_cast<const char*>(xcb_get_property_value(reply.get()));
    return Data{reply->type, reply->format,
                QByteArray(value, xcb_get_property_value_length(reply.get()))};
}

void X11DesktopText::onSelectionNotify(const xcb_selection_notify_event_t& event) {
    if (event.requestor != window_)
        return;
    if (reading_ && !reads_.empty() && event.selection == reads_.front().selection &&
        event.target == utf8_) {
        std::optional<Data> data;
        if (event.property != XCB_NONE)
            data = takeProperty(readProperty_);
        finishRead(data ? QString::fromUtf8(data->bytes).left(modMain::WrittenTimeSearchLength)
                        : QString());
        return;
    }
    if (event.selection != clipboard_)
        return;
    if (saving_ == Saving::Targets && event.target == targets_) {
        std::optional<Data> list;
        if (event.property != XCB_NONE)
            list = takeProperty(saveProperty_);
        if (list && list->format == 32) {
            const auto* atoms = reinterpret_cast<const xcb_atom_t*>(list->bytes.constData());
            for (qsizetype i = 0; i < list->bytes.size() / 4; ++i) {
                const xcb_atom_t target = atoms[i];
                if (std::count(skipped_.begin(), skipped_.end(), target) ||
                    savePending_.count(target) || savePending_.size() >= formatProperties_.size())
                    continue;
                const xcb_atom_t property = formatProperties_[savePending_.size()];
                savePending_[target] = property;
                xcb_delete_property(connection_, window_, property);
                xcb_convert_selection(connection_, window_, clipboard_, target, property,
                                      XCB_CURRENT_TIME);
            }
            xcb_flush(connection_);
        }
        saving_ = Saving::Formats;
        if (savePending_.empty())
            finishSave();
    } else if (saving_ == Saving::Formats && savePending_.count(event.target)) {
        if (event.property != XCB_NONE)
            if (std::optional<Data> data = takeProperty(savePending_[event.target]))
                saved_[event.target] = *data;
        savePending_.erase(event.target);
        if (savePending_.empty())
            finishSave();
    }
}

void X11DesktopText::onSelectionRequest(const xcb_selection_request_event_t& event) {
    xcb_selection_notify_event_t notify{};
    notify.response_type = XCB_SELECTION_NOTIFY;
    notify.time = event.time;
    notify.requestor = event.requestor;
    notify.selection = event.selection;
    notify.target = event.target;
    notify.property = XCB_NONE;
    const xcb_atom_t property = event.property == XCB_NONE ? event.target : event.property;
    bool fetched = false;
    if (event.selection == clipboard_ && !serving_.empty()) {
        if (event.target == targets_) {
            std::vector<xcb_atom_t> list{targets_, timestamp_};
            for (const auto& [target, data] : serving_)
                list.push_back(target);
            xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, event.requestor, property,
                                XCB_ATOM_ATOM, 32, list.size(), list.data());
            notify.property = property;
        } else if (const auto found = serving_.find(event.target); found != serving_.end()) {
            const Data& data = found->second;
            xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, event.requestor, property,
                                data.type, data.format,
                                data.bytes.size() / std::max<int>(data.format / 8, 1),
                                data.bytes.constData());
            notify.property = property;
            fetched = pasteServing_;
        }
    }
    xcb_send_event(connection_, 0, event.requestor, XCB_EVENT_MASK_NO_EVENT,
                   reinterpret_cast<const char*>(&notify));
    xcb_flush(connection_);
    if (fetched) {
        lastInsertMs_ = sinceRelease_.elapsed();
        qCDebug(lcUi) << "the timestamp was fetched" << lastInsertMs_
                      << "ms after the keys were up";
        restore();
    }
}

void X11DesktopText::read(Source source, std::function<void(const QString&)> done) {
    reads_.push_back(
        {source == Source::Primary ? xcb_atom_t(XCB_ATOM_PRIMARY) : clipboard_, std::move(done)});
    if (!reading_)
        startRead();
}

void X11DesktopText::startRead() {
    if (reads_.empty())
        return;
    reading_ = true;
    const xcb_atom_t selection = reads_.front().selection;
    qCDebug(lcUi) << "reading" << atomName(selection);
    QClipboard* clipboard = QGuiApplication::clipboard();
    // What the player copied itself is no place to jump to.
    const bool ownedByPlayer =
        selection == clipboard_ ? clipboard->ownsClipboard() : clipboard->ownsSelection();
    const xcb_window_t holder = owner(selection);
    if (ownedByPlayer || holder == XCB_NONE) {
        qCDebug(lcUi) << (ownedByPlayer ? "the player's own copy: skipped" : "nothing selected");
        finishRead({});
        return;
    }
    if (holder == window_) {
        // The clipboard kept aside during a paste and served again: the user's.
        const auto found = serving_.find(utf8_);
        finishRead(pasteServing_ || found == serving_.end()
                       ? QString()
                       : QString::fromUtf8(found->second.bytes));
        return;
    }
    xcb_delete_property(connection_, window_, readProperty_);
    xcb_convert_selection(connection_, window_, selection, utf8_, readProperty_, XCB_CURRENT_TIME);
    xcb_flush(connection_);
    readTimer_.start();
}

void X11DesktopText::finishRead(const QString& text) {
    readTimer_.stop();
    qCDebug(lcUi) << "read" << text.left(80);
    if (reads_.empty()) {
        reading_ = false;
        return;
    }
    auto done = std::move(reads_.front().done);
    reads_.pop_front();
    reading_ = false;
    // A KDE Wayland session hands a Wayland program's selection to X only
    // while an X window is active.
    if (text.isEmpty() && modMain::IsWaylandSession() && modMain::IsKdeDesktop())
        modMain::ShowSelectionUnreadable();
    done(text);
    if (!reading_)
        startRead();
}

void X11DesktopText::insert(const QString& text) {
    if (!xtest_ || modMain::IsWaylandSession()) {
        // XTest on XWayland reaches X programs only.
        modMain::View().CopyText(text);
        modMain::ShowInsertCopiesInstead();
        return;
    }
    // A hotkey held down repeats; one press types once.
    if (inserting_ && !released_) {
        qCDebug(lcUi) << "the insert's keys are still down: repeat ignored";
        return;
    }
    inserts_.push_back(text);
    if (inserting_)
        return;
    inserting_ = true;
    released_ = false;
    keyWait_.start();
    startSave();
    pollKeys();
}

void X11DesktopText::startSave() {
    saved_.clear();
    savePending_.clear();
    const xcb_window_t holder = owner(clipboard_);
    hadOwner_ = holder != XCB_NONE;
    if (holder == window_) {
        // Still serving the clipboard kept aside the last time.
        saved_ = pasteServing_ ? Formats{} : serving_;
        saving_ = Saving::Done;
        return;
    }
    if (!hadOwner_) {
        saving_ = Saving::Done;
        return;
    }
    saving_ = Saving::Targets;
    saveTimer_.start();
    xcb_delete_property(connection_, window_, saveProperty_);
    xcb_convert_selection(connection_, window_, clipboard_, targets_, saveProperty_,
                          XCB_CURRENT_TIME);
    xcb_flush(connection_);
}

void X11DesktopText::finishSave() {
    saveTimer_.stop();
    for (const auto& [target, data] : saved_)
        qCDebug(lcUi) << "kept aside:" << atomName(target) << data.bytes.size() << "bytes";
    saving_ = Saving::Done;
    savePending_.clear();
    pasteWhenReady();
}

bool X11DesktopText::keysUp() {
    const auto reply =
        own(xcb_query_keymap_reply(connection_, xcb_query_keymap(connection_), nullptr));
    drainLater();
    if (!reply)
        return true;
    return std::all_of(std::begin(reply->keys), std::end(reply->keys),
                       [](std::uint8_t bits) { return bits == 0; });
}

void X11DesktopText::pollKeys() {
    if (keysUp() || keyWait_.elapsed() > KeyWaitLimitMs) {
        keyTimer_.stop();
        released_ = true;
        sinceRelease_.start();
        pasteWhenReady();
        return;
    }
    keyTimer_.start();
}

void X11DesktopText::pasteWhenReady() {
    if (!released_ || saving_ != Saving::Done || inserts_.empty() || pasteServing_)
        return;
    const QByteArray text = inserts_.front().toUtf8();
    inserts_.pop_front();
    serving_.clear();
    for (xcb_atom_t target : {utf8_, textPlainUtf8_, text_, xcb_atom_t(XCB_ATOM_STRING)})
        serving_[target] = Data{target == text_ ? utf8_ : target, 8, text};
    pasteServing_ = true;
    xcb_set_selection_owner(connection_, window_, clipboard_, XCB_CURRENT_TIME);
    if (owner(clipboard_) != window_) {
        qCWarning(lcUi) << "the clipboard could not be taken; timestamp not typed";
        restore();
        return;
    }
    sendPasteKey();
    restoreTimer_.start();
}

void X11DesktopText::sendPasteKey() {
    xcb_keysym_t modifiers[2] = {XK_Control_L, XCB_NONE};
    xcb_keysym_t key = XK_v;
    switch (modMain::StoredTimestampSettings().pasteKey) {
    case modMain::PasteKey::CtrlV:
        break;
    case modMain::PasteKey::CtrlShiftV:
        modifiers[1] = XK_Shift_L;
        break;
    case modMain::PasteKey::ShiftInsert:
        modifiers[0] = XK_Shift_L;
        key = XK_Insert;
        break;
    }
    const auto keycode = [this](xcb_keysym_t sym) -> xcb_keycode_t {
        xcb_keycode_t* codes = xcb_key_symbols_get_keycode(symbols_, sym);
        const xcb_keycode_t code = codes ? codes[0] : 0;
        std::free(codes);
        return code;
    };
    const auto fake = [this](std::uint8_t type, xcb_keycode_t code) {
        if (code != 0)
            xcb_test_fake_input(connection_, type, code, XCB_CURRENT_TIME, root_, 0, 0, 0);
    };
    for (xcb_keysym_t sym : modifiers)
        if (sym != XCB_NONE)
            fake(XCB_KEY_PRESS, keycode(sym));
    fake(XCB_KEY_PRESS, keycode(key));
    fake(XCB_KEY_RELEASE, keycode(key));
    for (int i = 1; i >= 0; --i)
        if (modifiers[i] != XCB_NONE)
            fake(XCB_KEY_RELEASE, keycode(modifiers[i]));
    xcb_flush(connection_);
}

void X11DesktopText::restore() {
    restoreTimer_.stop();
    pasteServing_ = false;
    serving_ = saved_;
    saved_.clear();
    if (serving_.empty() && owner(clipboard_) == window_)
        xcb_set_selection_owner(connection_, XCB_NONE, clipboard_, XCB_CURRENT_TIME);
    xcb_flush(connection_);
    inserting_ = false;
    if (!inserts_.empty()) {
        const QString next = inserts_.front();
        inserts_.pop_front();
        insert(next);
    }
}

std::unique_ptr<modMain::DesktopText> makePlatformDesktopText() {
    if (QGuiApplication::platformName() != QLatin1String("xcb")) {
        qCWarning(lcUi) << "no selection reading or typing on the"
                        << QGuiApplication::platformName() << "platform";
        return nullptr;
    }
    return X11DesktopText::connectToDisplay();
}

} // namespace inputs
