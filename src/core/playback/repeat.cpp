// Repeat mode: loops over the last RepSeconds before the point where it was
// switched on, with the transport locked.
#include "core/modMain.h"
#include "ui/frmMain.h"

#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>

namespace modMain {

namespace {

void LockTransport(bool locked) {
    if (!MainForm)
        return;
    MainForm->hsbSeek->setEnabled(!locked);
    MainForm->cmdPlayPause->setEnabled(!locked);
    MainForm->cmdFF->setEnabled(!locked);
    MainForm->cmdREW->setEnabled(!locked);
}

} // namespace

void ToggleRepeat() {
    if (RepeatOn == -1) {
        Long p = 0;
        const std::int32_t state = vbmp3_getState(&p);
        if (state != StatePlaying && state != StatePaused)
            return;
        vbmp3_seek(p > RepSeconds ? p - RepSeconds : 0);
        vbmp3_restart();
        LockTransport(true);
        if (MainForm) {
            MainForm->lblRep->setText(QStringLiteral("ﾘﾋﾟｰﾄ中"));
            MainForm->lblRepTime->setText(FormatHms(p));
            MainForm->tmrRep->start();
        }
        RepeatEndSeconds = p;
        return;
    }
    if (MainForm) {
        MainForm->tmrRep->stop();
        LockTransport(false);
        MainForm->lblRep->setText(QString());
        MainForm->lblRepTime->setText(QString());
    }
}

} // namespace modMain
