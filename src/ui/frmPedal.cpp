#include "ui/frmPedal.h"

#include "core/commands.h"
#include "core/hotkeys/hold_key.h"
#include "core/hotkeys/keylist.h"
#include "core/pedals/pedal_controller.h"
#include "core/pedals/pedal_settings.h"
#include "ui/forms.h"
#include "ui/frmMain.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

using namespace modMain;
using namespace modMain::pedals;

namespace {

const char* const PedalLabels[PedalCount] = {"左ペダル", "中央ペダル", "右ペダル", "4番目のペダル"};
const QString LightOff = QStringLiteral("background:#d8d8d8;border:1px solid #808080;");
const QString LightOn = QStringLiteral("background:#20c040;border:1px solid #106020;");

} // namespace

frmPedal* modMain::PedalForm = nullptr;

frmPedal::frmPedal(QWidget* parent) : QDialog(parent) {
    setObjectName("frmPedal");
    setWindowTitle(QStringLiteral("ペダル設定"));
    setWindowIcon(QIcon(QStringLiteral(":/memotap.png")));
    buildControls();
    showDevice(Pedals().Device());
    showLights(Pedals().State());
    connect(&Pedals(), &PedalController::deviceChanged, this, &frmPedal::showDevice);
    connect(&Pedals(), &PedalController::stateChanged, this, &frmPedal::showLights);
}

frmPedal::~frmPedal() {
    if (PedalForm == this)
        PedalForm = nullptr;
}

void frmPedal::buildControls() {
    auto* layout = new QVBoxLayout(this);
    auto* deviceRow = new QHBoxLayout;
    deviceRow->addWidget(new QLabel(QStringLiteral("ペダル:"), this));
    lblDevice = new QLabel(this);
    lblDevice->setObjectName("lblDevice");
    deviceRow->addWidget(lblDevice, 1);
    layout->addLayout(deviceRow);

    auto* pedals = new QGroupBox(QStringLiteral("ペダルの働き"), this);
    auto* grid = new QGridLayout(pedals);
    for (int pedal = 0; pedal < PedalCount; ++pedal) {
        lblLight[pedal] = new QLabel(pedals);
        lblLight[pedal]->setObjectName(QStringLiteral("lblLight%1").arg(pedal));
        lblLight[pedal]->setFixedSize(14, 14);
        grid->addWidget(lblLight[pedal], pedal, 0);
        grid->addWidget(new QLabel(QString::fromUtf8(PedalLabels[pedal]), pedals), pedal, 1);
        QComboBox* box = cmbPedal[pedal] = new QComboBox(pedals);
        box->setObjectName(QStringLiteral("cmbPedal%1").arg(pedal));
        box->addItem(QStringLiteral("なし"), -1);
        for (const CommandInfo& info : CommandTable())
            if (PedalMayRun(info.command))
                box->addItem(info.displayName, static_cast<int>(info.command));
        const auto command = Settings().commands[pedal];
        box->setCurrentIndex(box->findData(command ? static_cast<int>(*command) : -1));
        grid->addWidget(box, pedal, 2);
        connect(box, &QComboBox::currentIndexChanged, this,
                [this, pedal] { cmbPedal_Change(pedal); });
    }
    layout->addWidget(pedals);

    auto* mode = new QGroupBox(QStringLiteral("再生/一時停止のペダル"), this);
    auto* modeLayout = new QVBoxLayout(mode);
    optHold = new QRadioButton(QStringLiteral("踏んでいる間だけ再生"), mode);
    optHold->setObjectName("optHold");
    optToggle = new QRadioButton(QStringLiteral("踏むたびに再生/一時停止"), mode);
    optToggle->setObjectName("optToggle");
    auto* group = new QButtonGroup(mode);
    group->addButton(optHold);
    group->addButton(optToggle);
    (Settings().mode == PlayMode::Toggle ? optToggle : optHold)->setChecked(true);
    modeLayout->addWidget(optHold);
    modeLayout->addWidget(optToggle);
    connect(optHold, &QRadioButton::toggled, this, &frmPedal::optMode_Click);
    layout->addWidget(mode);

    auto* keys = new QGroupBox(QStringLiteral("キーボードとして働くペダル"), this);
    auto* keyLayout = new QVBoxLayout(keys);
    keyLayout->addWidget(new QLabel(QStringLiteral("押している間だけ再生するホットキー:"), keys));
    cmbHoldKey = new QComboBox(keys);
    cmbHoldKey->setObjectName("cmbHoldKey");
    keyLayout->addWidget(cmbHoldKey);
    fillHoldKeys();
    connect(cmbHoldKey, &QComboBox::currentIndexChanged, this, &frmPedal::cmbHoldKey_Change);
    layout->addWidget(keys);

    cmdClose = new QPushButton(QStringLiteral("閉じる"), this);
    cmdClose->setObjectName("cmdClose");
    auto* closeRow = new QHBoxLayout;
    closeRow->addStretch(1);
    closeRow->addWidget(cmdClose);
    layout->addLayout(closeRow);
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::close);
}

// The hotkeys by command and key, as the hotkey dialog has them now.
void frmPedal::fillHoldKeys() {
    const QSignalBlocker quiet(cmbHoldKey);
    cmbHoldKey->clear();
    cmbHoldKey->addItem(QStringLiteral("なし"), 0);
    for (int record = 1; record <= CommandCount; ++record)
        cmbHoldKey->addItem(InfoOf(*CommandOfRecord(record)).displayName + QStringLiteral("（") +
                                HotKeys[record].KeyText + QStringLiteral("）"),
                            record);
    cmbHoldKey->setCurrentIndex(cmbHoldKey->findData(HoldToPlayRecord()));
}

void frmPedal::showEvent(QShowEvent* event) {
    fillHoldKeys();
    QDialog::showEvent(event);
}

void frmPedal::showDevice(const QString& name) {
    lblDevice->setText(name.isEmpty() ? QStringLiteral("見つかりません") : name);
}

void frmPedal::showLights(PedalState state) {
    for (int pedal = 0; pedal < PedalCount; ++pedal)
        lblLight[pedal]->setStyleSheet(state & BitOf(static_cast<Pedal>(pedal)) ? LightOn
                                                                                : LightOff);
}

void frmPedal::cmbPedal_Change(int pedal) {
    const int data = cmbPedal[pedal]->currentData().toInt();
    Settings().commands[pedal] =
        data < 0 ? std::nullopt : std::optional<Command>(static_cast<Command>(data));
    SavePedalSettings();
}

void frmPedal::optMode_Click() {
    Settings().mode = optToggle->isChecked() ? PlayMode::Toggle : PlayMode::Hold;
    SavePedalSettings();
}

void frmPedal::cmbHoldKey_Change() {
    SetHoldToPlayRecord(cmbHoldKey->currentData().toInt());
    SaveHoldToPlay();
}

namespace modMain {

void ShowPedalForm() {
    if (!PedalForm) {
        PedalForm = new frmPedal(MainForm);
        PedalForm->setAttribute(Qt::WA_DeleteOnClose);
    }
    PedalForm->show();
    PedalForm->raise();
    PedalForm->activateWindow();
}

} // namespace modMain
