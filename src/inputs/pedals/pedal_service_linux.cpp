#include "inputs/pedals/pedal_service_linux.h"

#include "core/log.h"
#include "core/messagebox.h"
#include "core/pedals/pedal_controller.h"
#include "core/pedals/pedal_settings.h"
#include "inputs/pedals/hidraw_scan_linux.h"
#include "inputs/pedals/pedals.h"

#include <QTimer>
#include <cerrno>
#include <cstring>

namespace inputs {

namespace pedals = modMain::pedals;

namespace {

const QString CrLf = QStringLiteral("\r\n");
bool permissionBoxShown = false;

QString PermissionText(const pedals::PedalModel& model, const QString& path) {
    return QStringLiteral("フットペダル %1（%2）が見つかりましたが、権限がないため開けません。")
               .arg(model.name, path) +
           CrLf + CrLf +
           QStringLiteral("udev ルール 70-memotap-pedal.rules を /etc/udev/rules.d に置き"
                          "（make install で入ります）、次のコマンドで読み込み直してください。") +
           CrLf + CrLf +
           QStringLiteral("sudo udevadm control --reload-rules && sudo udevadm trigger") + CrLf +
           CrLf + QStringLiteral("ペダルなしで続けます。");
}

} // namespace

PedalService::PedalService(PedalSources sources, QObject* parent)
    : QObject(parent), sources_(std::move(sources)), reader_(sources_.opener) {
    connect(&reader_, &HidrawReader::report, this, [this](const QByteArray& bytes) {
        if (const auto state = pedals::Decode(layout_, bytes))
            pedals::Pedals().SetState(*state);
        else
            qCDebug(lcPedals) << "report skipped:" << bytes.toHex(' ');
    });
    connect(&reader_, &HidrawReader::lost, this, &PedalService::deviceLost);
    connect(&monitor_, &HidrawMonitor::changed, this, &PedalService::Rescan);
}

PedalService::~PedalService() {
    reader_.Close();
    pedals::Pedals().ReleaseAll();
    pedals::Pedals().SetDevice({});
}

void PedalService::Start() {
    pedals::LoadPedalSettings();
    if (!sources_.deviceOverride.isEmpty()) {
        openOverride();
        return;
    }
    if (sources_.watchHotplug)
        monitor_.Start();
    Rescan();
}

void PedalService::openOverride() {
    override_ = pedals::ParseDeviceOverride(sources_.deviceOverride);
    if (!override_) {
        qCWarning(lcPedals).noquote()
            << "MEMOTAP_PEDAL_DEVICE is not PATH or PATH,VID:PID of a known pedal:"
            << sources_.deviceOverride;
        return;
    }
    layout_ = pedals::TableLayout(*override_->model);
    const int streamBytes = layout_.reportBytes + (layout_.reportId != 0 ? 1 : 0);
    if (const int error = reader_.Open(override_->path, streamBytes)) {
        qCWarning(lcPedals).noquote()
            << "cannot open" << override_->path << ":" << std::strerror(error);
        return;
    }
    pedals::Pedals().SetDevice(
        QStringLiteral("%1（%2）").arg(override_->model->name, override_->path));
}

void PedalService::Rescan() {
    if (override_ || reader_.IsOpen())
        return;
    const pedals::PedalModel* refused = nullptr;
    QString refusedPath;
    for (const HidrawNode& node : ScanHidraw(sources_.sysRoot, sources_.devRoot)) {
        const pedals::PedalModel* model = pedals::FindModel(node.vendor, node.product);
        if (!model)
            continue;
        layout_ = pedals::LayoutFor(*model, node.descriptor);
        const int error = reader_.Open(node.devicePath, layout_.reportBytes);
        if (error == 0) {
            qCInfo(lcPedals).noquote() << "reading" << model->name << "at" << node.devicePath;
            pedals::Pedals().SetDevice(model->name);
            return;
        }
        qCWarning(lcPedals).noquote() << "cannot open" << model->name << "at" << node.devicePath
                                      << ":" << std::strerror(error);
        if ((error == EACCES || error == EPERM) && !refused) {
            refused = model;
            refusedPath = node.devicePath;
        }
    }
    pedals::Pedals().SetDevice({});
    if (refused)
        reportPermissionProblem(*refused, refusedPath);
}

void PedalService::deviceLost() {
    pedals::Pedals().ReleaseAll();
    if (reader_.IsOpen()) // a FIFO waiting for its next writer
        return;
    pedals::Pedals().SetDevice({});
    // The removal's own udev event follows; another pedal may be there now.
    QTimer::singleShot(0, this, &PedalService::Rescan);
}

void PedalService::reportPermissionProblem(const pedals::PedalModel& model, const QString& path) {
    if (permissionBoxShown)
        return;
    permissionBoxShown = true;
    // Not from inside a scan: the box waits for the event loop.
    QTimer::singleShot(0, this, [text = PermissionText(model, path)] {
        modMain::ShowMessage(text, QStringLiteral("ペダル"), modMain::MessageIcon::Warning,
                             modMain::MessageButtons::Ok);
    });
}

std::unique_ptr<QObject> StartPedals() {
    PedalSources sources;
    sources.deviceOverride = qEnvironmentVariable("MEMOTAP_PEDAL_DEVICE");
    auto service = std::make_unique<PedalService>(std::move(sources));
    service->Start();
    return service;
}

} // namespace inputs
