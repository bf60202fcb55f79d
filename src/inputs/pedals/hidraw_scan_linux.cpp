#include "inputs/pedals/hidraw_scan_linux.h"

#include "core/log.h"

#include <QDir>
#include <QFile>
#include <QStringList>
#include <algorithm>

namespace inputs {

namespace {

// Report descriptors are at most this long (HID_MAX_DESCRIPTOR_SIZE).
constexpr qint64 MaxDescriptor = 4096;

QByteArray ReadSmallFile(const QString& path, qint64 limit) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.read(limit);
}

// HID_ID=0003:000005F3:000000FF (bus, vendor, product) and HID_NAME from the
// HID device's uevent.
bool ReadIds(const QString& uevent, HidrawNode& node) {
    bool found = false;
    for (const QByteArray& line : ReadSmallFile(uevent, 64 * 1024).split('\n')) {
        if (line.startsWith("HID_NAME=")) {
            node.name = QString::fromUtf8(line.mid(9));
        } else if (line.startsWith("HID_ID=")) {
            const QList<QByteArray> parts = line.mid(7).split(':');
            bool vendorOk = false;
            bool productOk = false;
            if (parts.size() != 3)
                continue;
            const uint vendor = parts[1].toUInt(&vendorOk, 16);
            const uint product = parts[2].toUInt(&productOk, 16);
            if (!vendorOk || !productOk || vendor > 0xFFFF || product > 0xFFFF)
                continue;
            node.vendor = static_cast<std::uint16_t>(vendor);
            node.product = static_cast<std::uint16_t>(product);
            found = true;
        }
    }
    return found;
}

int NumberOf(const QString& name) {
    return name.mid(6).toInt();
}

} // namespace

std::vector<HidrawNode> ScanHidraw(const QString& sysRoot, const QString& devRoot) {
    const QDir classDir(sysRoot + QStringLiteral("/class/hidraw"));
    QStringList names = classDir.entryList({QStringLiteral("hidraw*")},
                                           QDir::Dirs | QDir::NoDotAndDotDot | QDir::System);
    std::sort(names.begin(), names.end(),
              [](const QString& a, const QString& b) { return NumberOf(a) < NumberOf(b); });
    std::vector<HidrawNode> nodes;
    for (const QString& name : names) {
        const QString device = classDir.filePath(name) + QStringLiteral("/device/");
        HidrawNode node;
        if (!ReadIds(device + QStringLiteral("uevent"), node)) {
            qCDebug(lcPedals) << "no HID ids for" << name;
            continue;
        }
        node.devicePath = devRoot + u'/' + name;
        node.descriptor =
            ReadSmallFile(device + QStringLiteral("report_descriptor"), MaxDescriptor);
        nodes.push_back(node);
    }
    return nodes;
}

} // namespace inputs
