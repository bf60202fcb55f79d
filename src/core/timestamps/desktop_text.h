// The desktop's text as the timestamp commands use it: reading what the user
// selected, and typing into the window the user works in. The platform sets
// its own at start-up; until then a silent one stands in.
#pragma once

#include <QString>
#include <functional>

namespace modMain {

class DesktopText {
  public:
    enum class Source { Primary, Clipboard };

    virtual ~DesktopText() = default;
    // Calls done once with the text of source: empty when it holds none,
    // when this player owns it, or when its owner has not answered within
    // half a second. Never waits inside itself.
    virtual void read(Source source, std::function<void(const QString&)> done) = 0;
    // Puts text into the window that has the keyboard, or where that cannot
    // be done, onto the clipboard with a word to the user.
    virtual void insert(const QString& text) = 0;
};

DesktopText& desktopText();
// Null brings back the silent one.
void setDesktopText(DesktopText* text);

} // namespace modMain
