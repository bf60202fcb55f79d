// A stand-in for the desktop's selections and the window being typed in: it
// keeps each read until the test answers it, and records what was inserted.
#pragma once

#include "core/timestamps/desktop_text.h"

#include <QStringList>
#include <deque>
#include <utility>

class FakeDesktopText : public modMain::DesktopText {
  public:
    FakeDesktopText() { modMain::setDesktopText(this); }
    ~FakeDesktopText() override { modMain::setDesktopText(nullptr); }
    FakeDesktopText(const FakeDesktopText&) = delete;
    FakeDesktopText& operator=(const FakeDesktopText&) = delete;

    void read(Source source, std::function<void(const QString&)> done) override {
        reads.emplace_back(source, std::move(done));
    }
    void insert(const QString& text) override { inserted << text; }

    // Answers the oldest read; false when none is waiting or it asked for
    // another source.
    bool answer(Source source, const QString& text) {
        if (reads.empty() || reads.front().first != source)
            return false;
        auto done = std::move(reads.front().second);
        reads.pop_front();
        done(text);
        return true;
    }

    std::deque<std::pair<Source, std::function<void(const QString&)>>> reads;
    QStringList inserted;
};
