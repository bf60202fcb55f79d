// Opening a file: the engine leaves it paused at its resume point, the history
// moves it to the top, and the window shows its name and length.
#include "core/commands.h"
#include "core/log.h"
#include "core/messagebox.h"
#include "core/modMain.h"
#include "core/playback/place.h"
#include "core/player_events.h"
#include "core/player_view.h"

#include <QDir>
#include <QFile>
#include <QTimer>
#include <cstdlib>

namespace modMain {

namespace {

// A file on a share that stopped answering may take long to open; the state
// label says so once this has passed.
constexpr int SlowOpenMs = 1000;

bool opening = false;

QString TwoDigits(std::int64_t value) {
    return QStringLiteral("%1").arg(value, 2, 10, QLatin1Char('0'));
}

// The file name without its folder.
QString FileNameOf(const QString& path) {
    const qsizetype cut =
        std::max(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QDir::separator()));
    return path.mid(cut + 1);
}

void ResetPitch() {
    Pitch = 100;
    ApplyPitch(Pitch);
    SetSpeedField(Pitch);
}

void ShowOpenedFile() {
    PlayerView& view = View();
    view.ShowTotalTime(QStringLiteral("/ ") + FormatHms(FileInfo.TotalSeconds));
    view.SetSeekMaximum(std::max<Long>(FileInfo.TotalSeconds, 0));
    ResetPitch();
    view.ShowTitle(FileNameOf(History[1].Path) + QStringLiteral(" - ") + AppTitle);
}

void ShowNoFile() {
    PlayerView& view = View();
    view.ShowState(QStringLiteral("停止"));
    view.ShowTitle(AppTitle);
    view.ShowTotalTime(QStringLiteral("/ 00:00:00"));
    ResetPitch();
}

// The engine's open, with the state label saying after a while that the
// file is still opening. The window's events run meanwhile.
bool OpenInEngine(const QString& path) {
    QTimer slow;
    slow.setSingleShot(true);
    QObject::connect(&slow, &QTimer::timeout, [] { View().ShowState(QStringLiteral("ｵｰﾌﾟﾝ中")); });
    slow.start(SlowOpenMs);
    opening = true;
    const QByteArray encoded = QFile::encodeName(path);
    const bool opened = (vbmp3_open(encoded.constData(), &FileInfo) & 0xFFFF) != 0;
    opening = false;
    OpenEnded();
    return opened;
}

void OpenFailed(const QString& path, std::int32_t error) {
    qCWarning(lcEngine).noquote() << "cannot open" << path << "error" << error;
    if (error >= 1 && error <= 33) {
        ShowMessage(QStringLiteral("ErrNo:") + QString::number(error) +
                        QStringLiteral("  ファイルのオープンに失敗しました。") +
                        QStringLiteral("\r\n\r\n") + path,
                    QStringLiteral("確認"), MessageIcon::Warning, MessageButtons::Ok,
                    MessageOwner::MainWindow);
    }
    ShowNoFile();

    if (FindHistory(path) == 0)
        return;
    ShowMessage(QStringLiteral("メニューの履歴から ") + path + QStringLiteral(" を削除しますか"),
                QStringLiteral("確認"), MessageIcon::Question, MessageButtons::YesNo,
                MessageOwner::MainWindow, [path](MessageResult answer) {
                    // Looked up again: the history may have moved while the box was up.
                    const Long index = FindHistory(path);
                    if (answer != MessageResult::Yes || index == 0)
                        return;
                    RemoveHistory(index);
                    RefreshHistoryMenu();
                });
}

} // namespace

QString FormatHms(Long seconds) {
    // Widened so that the lowest Long still has a magnitude.
    const std::int64_t value = seconds;
    const std::int64_t magnitude = std::llabs(value);
    const QString text = TwoDigits(magnitude / 3600) + QLatin1Char(':') +
                         TwoDigits(magnitude % 3600 / 60) + QLatin1Char(':') +
                         TwoDigits(magnitude % 60);
    return value < 0 ? QLatin1Char('-') + text : text;
}

void PreloadAudioFile(const QString& path) {
    if (!path.isEmpty())
        vbmp3_preload(QFile::encodeName(path).constData());
}

bool FileOpening() {
    return opening;
}

void OpenAudioFile(const QString& path) {
    Long outgoing = 0;
    const std::int32_t state = vbmp3_getState(&outgoing);
    // Without an open file the engine's position belongs to no file and must
    // not overwrite the place saved for entry 1.
    const bool fileWasOpen = state == StatePlaying || state == StatePaused;

    vbmp3_close();
    const bool opened = OpenInEngine(path);
    // Closed while the file was opening: the close has done the rest.
    if (PlayerClosing())
        return;
    if (!opened) {
        PlaceFileClosed(fileWasOpen ? std::optional<Long>(outgoing) : std::nullopt);
        const std::int32_t error = vbmp3_getLastErrorNo();
        // Given up for another file, which opens next.
        if (error == ErrOpenAbandoned)
            ShowNoFile();
        else
            OpenFailed(path, error);
        return;
    }
    PlaceFileOpened(path);

    const Long index = FindHistory(path);
    if (index != 1 && fileWasOpen)
        History[1].Position = outgoing;
    vbmp3_play();
    if (index >= 1)
        vbmp3_seek(History[index].Position);
    vbmp3_pause();
    PushHistory(index, path);
    RefreshHistoryMenu();
    ShowOpenedFile();
    emit Events().fileOpened();
}

} // namespace modMain
