// The player window's transport, seek bar, repeat, number fields and File
// menu: each handler hands over to the command table or the shared
// procedure, and the window shows what the commands report.
#include "core/commands.h"
#include "core/modMain.h"
#include "ui/frmMain.h"
#include "ui/open_dialog.h"

#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QTimer>

using namespace modMain;

void frmMain::cmdPlayPause_Click() {
    Execute(Command::PlayPause);
}

void frmMain::cmdREW_Click() {
    Execute(Command::Rewind);
}

void frmMain::cmdFF_Click() {
    Execute(Command::Forward);
}

void frmMain::cmdSetStart_Click() {
    Execute(Command::ToStart);
}

void frmMain::cmdSetEnd_Click() {
    Execute(Command::ToEnd);
}

void frmMain::hsbSeek_Change() {
    SeekChange(hsbSeek->value(), hsbSeek->pageStep());
}

void frmMain::hsbSeek_Scroll() {
    SeekScroll(hsbSeek->sliderPosition());
}

void frmMain::tmrMain_Timer() {
    MainTimerTick();
}

void frmMain::chkRep_Click() {
    RepeatClicked(chkRep->isChecked());
}

void frmMain::tmrRep_Timer() {
    RepeatTimerTick();
}

void frmMain::udPitch_Change() {
    SpeedFieldChanged(udPitch->value());
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
    ChooseAudioFile(this, [](const QString& path) { Execute(Command::Open, path); });
}

void frmMain::mnuHistry_Click(int index) {
    if (index >= 1 && index <= HistorySize)
        Execute(Command::Open, History[index].Path);
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

void frmMain::ShowState(const QString& text) {
    lblState->setText(text);
}

void frmMain::ShowPosition(Long seconds) {
    lblPTime->setText(FormatHms(seconds));
    // The thumb stays where the user holds it. The bar follows playback
    // without seeking: a second boundary passed between this poll and another
    // one would otherwise jump back a second, and a position beyond the bar's
    // end, shown at the end, would seek there.
    if (hsbSeek->isSliderDown())
        return;
    const QSignalBlocker quiet(hsbSeek);
    hsbSeek->setValue(seconds);
}

void frmMain::ShowTitle(const QString& title) {
    setWindowTitle(title);
}

void frmMain::ShowTotalTime(const QString& text) {
    lblTTime->setText(text);
}

void frmMain::SetSeekMaximum(Long seconds) {
    // A shorter file pulls the bar's value down to its new end; that is no
    // seek by the user and must not move playback off the resume point.
    const QSignalBlocker quiet(hsbSeek);
    hsbSeek->setMaximum(seconds);
}

void frmMain::ShowSpeed(Long percent) {
    const QSignalBlocker quiet(udPitch);
    udPitch->setValue(percent);
}

void frmMain::ShowRepeatChecked(bool checked) {
    const QSignalBlocker quiet(chkRep);
    chkRep->setChecked(checked);
}

void frmMain::LockTransport(bool locked) {
    hsbSeek->setEnabled(!locked);
    cmdPlayPause->setEnabled(!locked);
    cmdFF->setEnabled(!locked);
    cmdREW->setEnabled(!locked);
}

void frmMain::ShowRepeatCaption(const QString& caption, const QString& time) {
    lblRep->setText(caption);
    lblRepTime->setText(time);
}

void frmMain::RunRepeatTimer(bool running) {
    if (running)
        tmrRep->start();
    else
        tmrRep->stop();
}

void frmMain::ShowHistory() {
    for (int i = 1; i <= HistorySize; ++i) {
        QAction* item = mnuHistry[i];
        item->setText(History[i].Path + QLatin1Char(' ') + FormatHms(History[i].Position));
        item->setVisible(!History[i].Path.isEmpty());
    }
    const bool any = !History[1].Path.isEmpty();
    mnuSep1->setVisible(any);
    mnuClear->setVisible(any);
    mnuSep2->setVisible(any);
}

std::optional<QPoint> frmMain::WindowCorner() const {
    // A minimised window keeps in x() and y() the place it is restored to.
    return QPoint(x(), y());
}

void frmMain::CopyText(const QString& text) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->setText(text, QClipboard::Clipboard);
    if (clipboard->supportsSelection())
        clipboard->setText(text, QClipboard::Selection);
}
