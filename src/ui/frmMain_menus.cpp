// The small commands of the menus and the Vol button: the colour dialog,
// help, the version box and the desktop's volume mixer.
#include "core/app_paths.h"
#include "core/modMain.h"
#include "ui/colours.h"
#include "ui/frmMain.h"
#include "ui/help_file.h"
#include "ui/message_box.h"
#include "ui/volume_mixer.h"

using namespace modMain;

namespace {

const QString VersionText = QStringLiteral("Version " MEMOTAP_VERSION);
const QString VersionTitle = QStringLiteral("バージョン情報");
const QString AuthorLine = QStringLiteral("Linux 版 メモタップ開発チーム");

} // namespace

void frmMain::mnuOther_Click() {
    ShowColorForm();
}

void frmMain::mnuHelp_Help_Click() {
    // Neither a missing file nor a missing viewer is reported.
    OpenHelp(HelpFolder());
}

void frmMain::mnuVersion_Click() {
    ShowMessage(AppTitle + VersionText + "\r\n\r\n" + AuthorLine, VersionTitle, MessageIcon::None,
                MessageButtons::Ok, this);
}

void frmMain::cmdVol_Click() {
    if (!StartVolumeMixer(VolumeMixers()))
        ShowMessage(QStringLiteral("音量ミキサーを起動できませんでした。\r\n"
                                   "pavucontrol などの音量ミキサーをインストールしてください。"),
                    AppTitle, MessageIcon::Warning, MessageButtons::Ok, this);
}
