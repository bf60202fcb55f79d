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
#include <functional>
#include <optional>
#include <utility>
#include <vector>

namespace modMain {

namespace {

// A file on a share that stopped answering may take long to open; the state
// label says so once this has passed.
constexpr int SlowOpenMs = 1000;

// The open under way, and what the file open before it left.
struct Opening {
    QString path;
    bool fileWasOpen = false;
    Long outgoing = 0;
};
std::optional<Opening> opening;
// What waits for the open under way to end.
std::vector<std::function<void()>> afterOpen;
// Counts the opens, so that a late notice of one that ended long ago is
// not shown for the next.
std::uint64_t openSerial = 0;

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

QString TitleFor(const QString& path) {
    return FileNameOf(path) + QStringLiteral(" - ") + AppTitle;
}

// What is known before the engine has read the file: its name, and where
// the history left it. The length comes with the open.
void ShowFileComing(const QString& path) {
    PlayerView& view = View();
    view.ShowTitle(TitleFor(path));
    view.ShowTotalTime(QStringLiteral("/ 00:00:00"));
    const Long index = FindHistory(path);
    view.ShowPosition(index >= 1 ? History[index].Position : 0);
}

void ShowOpenedFile() {
    PlayerView& view = View();
    view.ShowTotalTime(QStringLiteral("/ ") + FormatHms(FileInfo.TotalSeconds));
    view.SetSeekMaximum(std::max<Long>(FileInfo.TotalSeconds, 0));
    ResetPitch();
    view.ShowTitle(TitleFor(History[1].Path));
}

void ShowNoFile() {
    PlayerView& view = View();
    view.ShowState(QStringLiteral("停止"));
    view.ShowTitle(AppTitle);
    view.ShowTotalTime(QStringLiteral("/ 00:00:00"));
    ResetPitch();
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

bool FileOpening() {
    return opening.has_value();
}

namespace {

// Where the file open before the one that failed was left.
void PlaceLeftFile(const Opening& ended) {
    PlaceFileClosed(ended.fileWasOpen ? std::optional<Long>(ended.outgoing) : std::nullopt);
}

void OpenSucceeded(const Opening& ended) {
    const QString& path = ended.path;
    PlaceFileOpened(path);
    const Long index = FindHistory(path);
    if (index != 1 && ended.fileWasOpen)
        History[1].Position = ended.outgoing;
    vbmp3_play();
    if (index >= 1)
        vbmp3_seek(History[index].Position);
    vbmp3_pause();
    PushHistory(index, path);
    RefreshHistoryMenu();
    ShowOpenedFile();
    emit Events().fileOpened();
}

// The commands kept meanwhile, and what else waited, go on.
void TellOpenEnded() {
    OpenEnded();
    for (const std::function<void()>& next : std::exchange(afterOpen, {}))
        next();
}

void OnOpened(const EngineOpened& result) {
    const Opening ended = *std::exchange(opening, std::nullopt);
    FileInfo = result.info;
    if (result.opened) {
        OpenSucceeded(ended);
    } else {
        PlaceLeftFile(ended);
        OpenFailed(ended.path, result.error);
    }
    TellOpenEnded();
}

} // namespace

void OpenAudioFile(const QString& path) {
    Long outgoing = 0;
    const std::int32_t state = vbmp3_getState(&outgoing);
    // Without an open file the engine's position belongs to no file and must
    // not overwrite the place saved for entry 1.
    const bool fileWasOpen = state == StatePlaying || state == StatePaused;

    vbmp3_close();
    opening = Opening{path, fileWasOpen, outgoing};
    ShowFileComing(path);
    // A file on a share that stopped answering takes long; the label says so.
    QTimer::singleShot(SlowOpenMs, [serial = ++openSerial] {
        if (opening && serial == openSerial)
            View().ShowState(QStringLiteral("ｵｰﾌﾟﾝ中"));
    });
    vbmp3_open(QFile::encodeName(path).constData(), OnOpened);
}

void GiveUpOpen() {
    if (!opening)
        return;
    const Opening given = *std::exchange(opening, std::nullopt);
    vbmp3_close();
    PlaceLeftFile(given);
    ShowNoFile();
    TellOpenEnded();
}

void WhenOpenEnded(std::function<void()> next) {
    if (opening)
        afterOpen.push_back(std::move(next));
    else
        next();
}

} // namespace modMain
