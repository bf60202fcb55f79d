// The player window's transport, seek bar, repeat, number fields and File
// menu: each handler hands over to the shared command.
#include "core/modMain.h"
#include "ui/frmMain.h"
#include "core/playback/open_file.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QScrollBar>
#include <QSignalBlocker>

using namespace modMain;

void frmMain::cmdPlayPause_Click() {
    TogglePlayPause();
}

void frmMain::cmdREW_Click() {
    Rewind();
}

void frmMain::cmdFF_Click() {
    FastForward();
}

void frmMain::cmdSetStart_Click() {
    SeekToStart();
}

void frmMain::cmdSetEnd_Click() {
    SeekToEnd();
}

void frmMain::hsbSeek_Change() {
    SeekChange();
}

void frmMain::hsbSeek_Scroll() {
    SeekScroll();
}

void frmMain::tmrMain_Timer() {
    const std::int32_t state = vbmp3_getState(&CurrentSeconds);
    switch (state) {
    case StateStopped:
        lblState->setText(QStringLiteral("停止"));
        break;
    case StatePlaying:
        lblState->setText(QStringLiteral("再生中"));
        break;
    case StatePaused:
        lblState->setText(QStringLiteral("一時停止"));
        break;
    default:
        break;
    }
    // Held paused at the end rather than stopped, so rewind and resume work.
    if (state == StatePlaying && CurrentSeconds == FileInfo.TotalSeconds)
        vbmp3_pause();
    lblPTime->setText(FormatHms(CurrentSeconds));

    // The thumb stays where the user holds it. The bar follows playback
    // without seeking: a second boundary passed between this poll and another
    // one would otherwise jump back a second, and a position beyond the bar's
    // end, shown at the end, would seek there.
    if (hsbSeek->isSliderDown())
        return;
    const QSignalBlocker quiet(hsbSeek);
    hsbSeek->setValue(CurrentSeconds);
}

void frmMain::chkRep_Click() {
    RepeatOn = chkRep->isChecked() ? -1 : 0;
    ToggleRepeat();
}

void frmMain::tmrRep_Timer() {
    if (CurrentSeconds != RepeatEndSeconds)
        return;
    const std::int64_t start = std::int64_t{RepeatEndSeconds} - RepSeconds;
    vbmp3_seek(start < 0 ? 0 : static_cast<Long>(start));
}

void frmMain::udPitch_Change() {
    ApplyPitch(udPitch->value());
}

void frmMain::udRev_Change() {
    RevSeconds = udRev->value();
}

void frmMain::udRep_Change() {
    RepSeconds = udRep->value();
}

void frmMain::udREW_FF_Change() {
    RewFFSeconds = udREW_FF->value();
    RewFFSeconds2 = udREW_FF->value();
    hsbSeek->setPageStep(RewFFSeconds);
    hsbSeek->setSingleStep(RewFFSeconds);
}

void frmMain::mnuOpen_Click() {
    const QString path = ChooseAudioFile(this);
    if (!path.isEmpty())
        OpenAudioFile(path);
}

void frmMain::mnuHistry_Click(int index) {
    if (index >= 1 && index <= HistorySize)
        OpenAudioFile(History[index].Path);
}

void frmMain::mnuClear_Click() {
    for (int i = 1; i <= HistorySize; ++i) {
        History[i] = HistoryEntry{};
        mnuHistry[i]->setText(QString());
        mnuHistry[i]->setVisible(false);
    }
    mnuSep1->setVisible(false);
    mnuClear->setVisible(false);
    mnuSep2->setVisible(false);
}
