#include "inputs/pedals/hidraw_monitor_linux.h"

#include "core/log.h"

#include <cstring>
#include <libudev.h>

namespace inputs {

HidrawMonitor::HidrawMonitor(QObject* parent) : QObject(parent) {}

HidrawMonitor::~HidrawMonitor() {
    notifier_.reset();
    if (monitor_)
        udev_monitor_unref(monitor_);
    if (udev_)
        udev_unref(udev_);
}

bool HidrawMonitor::Start() {
    udev_ = udev_new();
    if (!udev_) {
        qCWarning(lcPedals) << "udev_new failed; pedals plugged in later are not seen";
        return false;
    }
    monitor_ = udev_monitor_new_from_netlink(udev_, "udev");
    if (!monitor_) {
        qCWarning(lcPedals) << "no udev monitor; pedals plugged in later are not seen";
        return false;
    }
    int result = udev_monitor_filter_add_match_subsystem_devtype(monitor_, "hidraw", nullptr);
    if (result >= 0)
        result = udev_monitor_enable_receiving(monitor_);
    const int fd = result >= 0 ? udev_monitor_get_fd(monitor_) : result;
    if (fd < 0) {
        qCWarning(lcPedals) << "cannot watch udev:" << std::strerror(-fd)
                            << "; pedals plugged in later are not seen";
        return false;
    }
    notifier_ = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, &HidrawMonitor::receive);
    return true;
}

void HidrawMonitor::receive() {
    bool any = false;
    // The socket is non-blocking: every queued event, then null.
    while (udev_device* device = udev_monitor_receive_device(monitor_)) {
        const char* action = udev_device_get_action(device);
        qCDebug(lcPedals) << "udev" << (action ? action : "?") << udev_device_get_devnode(device);
        any = true;
        udev_device_unref(device);
    }
    if (any)
        emit changed();
}

} // namespace inputs
