// Hotplug of hidraw nodes through udev's monitor: says when one was added or
// removed, once udev has applied its rules (and so the node's permissions).
#pragma once

#include <QObject>
#include <QSocketNotifier>
#include <memory>

struct udev;
struct udev_monitor;

namespace inputs {

class HidrawMonitor : public QObject {
    Q_OBJECT

  public:
    explicit HidrawMonitor(QObject* parent = nullptr);
    ~HidrawMonitor() override;

    // False (and a log line) when udev cannot be watched.
    bool Start();

  signals:
    void changed();

  private:
    void receive();

    udev* udev_ = nullptr;
    udev_monitor* monitor_ = nullptr;
    std::unique_ptr<QSocketNotifier> notifier_;
};

} // namespace inputs
