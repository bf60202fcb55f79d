#include "core/timestamps/timestamp_notices.h"

#include "core/extra_settings.h"
#include "core/messagebox.h"

#include <QStringList>
#include <QTimer>

namespace modMain {

namespace {

const QString Title = QStringLiteral("タイムスタンプ");

// Once a run, unless the user asked never to see it again; shown once the
// caller is back in the event loop.
void ShowOnce(const QString& hiddenSetting, const QString& text) {
    static QStringList shown;
    if (shown.contains(hiddenSetting) || ExtraSetting(hiddenSetting) == QLatin1String("1"))
        return;
    shown << hiddenSetting;
    QTimer::singleShot(0, [hiddenSetting, text] {
        ShowMessageWithCheckBox(text, Title, MessageIcon::Information,
                                QStringLiteral("次回から表示しない"), [hiddenSetting](bool hide) {
                                    if (!hide)
                                        return;
                                    SetExtraSetting(hiddenSetting, QStringLiteral("1"));
                                    SaveExtraSettings();
                                });
    });
}

} // namespace

void ShowInsertCopiesInstead() {
    ShowOnce(QStringLiteral("notice.insert-copies.hidden"),
             QStringLiteral("このセッションでは、ほかのウィンドウに時刻を入力できません") +
                 QStringLiteral("\r\n") +
                 QStringLiteral("時刻はクリップボードにコピーしました。貼り付けてください"));
}

void ShowSelectionUnreadable() {
    ShowOnce(
        QStringLiteral("notice.selection-unreadable.hidden"),
        QStringLiteral("選択した文字を読み取れませんでした") + QStringLiteral("\r\n") +
            QStringLiteral("KDE の Wayland セッションでは、ほかのアプリケーションで選択した"
                           "文字はメモタップのウィンドウがアクティブなときだけ読めます") +
            QStringLiteral("\r\n") +
            QStringLiteral("メモタップのウィンドウをクリックしてから、もう一度押してください"));
}

} // namespace modMain
