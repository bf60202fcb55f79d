// The hidraw nodes of the system as sysfs lists them: each node's USB ids,
// name and report descriptor. The sysfs root is a parameter so the scan can
// be run on a tree made for it; the player scans /sys.
#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <vector>

namespace inputs {

struct HidrawNode {
    QString devicePath; // /dev/hidrawN
    std::uint16_t vendor = 0;
    std::uint16_t product = 0;
    QString name;
    QByteArray descriptor; // empty when sysfs had none
};

// In the order of their numbers; nodes whose ids cannot be read are left out.
std::vector<HidrawNode> ScanHidraw(const QString& sysRoot = QStringLiteral("/sys"),
                                   const QString& devRoot = QStringLiteral("/dev"));

} // namespace inputs
