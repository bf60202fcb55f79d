// The hearing aids' menu under 設定: each item runs its command, and the
// checks show the aids as they are each time the menu opens (a hotkey, a
// pedal or the command line may have changed them meanwhile).
#include "core/commands.h"
#include "core/hearing.h"
#include "ui/frmMain.h"

#include <QActionGroup>
#include <QMenu>

using namespace modMain;

void frmMain::buildHearingMenu() {
    mnuHearing = mnuSetUp->addMenu("聞き取り(&L)");
    mnuLevelling = mnuHearing->addAction("音量をそろえる");
    mnuNoiseReduction = mnuHearing->addAction("雑音を減らす");
    mnuLowCut = mnuHearing->addAction("低音をカット");
    for (QAction* action : {mnuLevelling, mnuNoiseReduction, mnuLowCut})
        action->setCheckable(true);
    mnuHearing->addSeparator();
    auto* channels = new QActionGroup(mnuHearing);
    const char* const captions[] = {"左右そのまま", "左だけ", "右だけ", "左右を混ぜる"};
    for (std::size_t i = 0; i < mnuChannel.size(); ++i) {
        mnuChannel[i] = mnuHearing->addAction(QString::fromUtf8(captions[i]));
        mnuChannel[i]->setCheckable(true);
        channels->addAction(mnuChannel[i]);
    }
}

void frmMain::connectHearingMenu() {
    connect(mnuHearing, &QMenu::aboutToShow, this, &frmMain::mnuHearing_Show);
    const auto connectSwitch = [this](QAction* action, Command command) {
        // triggered carries the check the click has just set.
        connect(action, &QAction::triggered, this,
                [command](bool checked) { Execute(command, checked); });
    };
    connectSwitch(mnuLevelling, Command::Levelling);
    connectSwitch(mnuNoiseReduction, Command::NoiseReduction);
    connectSwitch(mnuLowCut, Command::LowCut);
    for (std::size_t i = 0; i < mnuChannel.size(); ++i)
        connect(mnuChannel[i], &QAction::triggered, this,
                [i] { Execute(Command::Channel, static_cast<int>(i)); });
}

void frmMain::mnuHearing_Show() {
    const HearingAids& aids = Hearing();
    mnuLevelling->setChecked(aids.levelling);
    mnuNoiseReduction->setChecked(aids.noiseReduction);
    mnuLowCut->setChecked(aids.lowCut);
    mnuChannel[static_cast<std::size_t>(aids.channel)]->setChecked(true);
}
