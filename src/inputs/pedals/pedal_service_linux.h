// The foot pedals of the running player: finds a known pedal among the hidraw
// nodes (again whenever udev reports one added or removed), reads its reports
// and hands each full state to the pedal state machine. MEMOTAP_PEDAL_DEVICE
// names a device or FIFO to read instead. A known pedal that cannot be
// opened for want of rights is said in a box, once for each start.
#pragma once

#include "core/pedals/pedal_models.h"
#include "inputs/pedals/hidraw_monitor_linux.h"
#include "inputs/pedals/hidraw_reader_linux.h"

#include <QObject>
#include <QString>
#include <optional>

namespace inputs {

struct PedalSources {
    QString sysRoot = QStringLiteral("/sys");
    QString devRoot = QStringLiteral("/dev");
    // MEMOTAP_PEDAL_DEVICE's value; empty: scan.
    QString deviceOverride;
    DeviceOpener opener = SystemOpener();
    bool watchHotplug = true;
};

class PedalService : public QObject {
    Q_OBJECT

  public:
    explicit PedalService(PedalSources sources, QObject* parent = nullptr);
    ~PedalService() override;

    // Reads the settings and opens the pedal (or says why not).
    void Start();
    // Looks for a pedal again unless one is being read.
    void Rescan();

  private:
    void openOverride();
    void deviceLost();
    void reportPermissionProblem(const modMain::pedals::PedalModel& model, const QString& path);

    PedalSources sources_;
    HidrawReader reader_;
    HidrawMonitor monitor_;
    modMain::pedals::ReportLayout layout_;
    std::optional<modMain::pedals::DeviceOverride> override_;
};

} // namespace inputs
