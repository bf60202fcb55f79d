#include "core/hotkeys/desktop_hotkeys.h"

#include "core/extra_settings.h"
#include "core/hotkeys/desktop_session.h"
#include "core/hotkeys/desktop_shortcuts.h"
#include "core/hotkeys/gnome_shortcuts.h"
#include "core/log.h"
#include "core/messagebox.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QObject>
#include <functional>

namespace modMain {

namespace {

const QString CrLf = QStringLiteral("\r\n");
const QString Title = QStringLiteral("ホットキー設定");
const QString HiddenSetting = QStringLiteral("hotkeys.unavailable-hidden");
const QString GnomeOfferedSetting = QStringLiteral("hotkeys.gnome-offered");

bool unavailableShown = false;
QMetaObject::Connection startAnswer;
QMetaObject::Connection lostConnection;

// GNOME without the portal: its own shortcuts, offered once. done(true) when
// the player's commands have shortcuts there now.
void OfferGnomeShortcuts(std::function<void(bool)> done) {
    GnomeShortcutsAvailable([done](bool available) {
        if (!available) {
            done(false);
            return;
        }
        GnomeShortcutPaths([done](const QStringList& ours) {
            if (!ours.isEmpty()) {
                done(true);
                return;
            }
            if (ExtraSetting(GnomeOfferedSetting) == QLatin1String("1")) {
                done(false);
                return;
            }
            SetExtraSetting(GnomeOfferedSetting, QStringLiteral("1"));
            SaveExtraSettings();
            ShowMessage(QStringLiteral("このデスクトップではホットキーを登録できません") + CrLf +
                            QStringLiteral("GNOMEのキーボードショートカットに、メモタップの操作（"
                                           "memotap --play-pause など）を追加しますか？") +
                            CrLf + QStringLiteral("キー設定の画面からいつでも削除できます"),
                        Title, MessageIcon::Question, MessageButtons::YesNo, MessageOwner::None,
                        [done](MessageResult answer) {
                            if (answer != MessageResult::Yes) {
                                done(false);
                                return;
                            }
                            AddGnomeShortcuts(ClientCommandLine(), 0, [done](bool added) {
                                if (!added)
                                    qCWarning(lcHotkeys) << "GNOME's shortcuts could not be added";
                                done(added);
                            });
                        });
        });
    });
}

// Some shortcuts bound, some not: one box names the ones that do not work.
void ShowUnbound(const QList<int>& records) {
    ShowMessage(UnboundLines(records) + CrLf + QStringLiteral("ホットキー登録できませんでした") +
                    CrLf +
                    QStringLiteral("すでにシステムに登録された組合せか、デスクトップが受け付けない"
                                   "組合せです") +
                    CrLf +
                    QStringLiteral("キー設定で別の組合せを選ぶか、デスクトップのショートカット設定"
                                   "を確かめてください"),
                Title, MessageIcon::Warning, MessageButtons::Ok);
}

void AnswerStart(const DesktopShortcuts& desktop, DesktopShortcuts::Outcome outcome) {
    QObject::disconnect(startAnswer);
    if (outcome == DesktopShortcuts::Outcome::Bound) {
        // An answer without the shortcuts binds nothing, whatever its code.
        const QList<int> unbound = UnboundRecords(desktop);
        if (unbound.isEmpty())
            return;
        if (unbound.size() < ActiveShortcuts().size()) {
            qCWarning(lcHotkeys) << "the desktop left" << unbound.size() << "shortcuts unbound";
            ShowUnbound(unbound);
            return;
        }
        qCWarning(lcHotkeys) << "the desktop bound none of the shortcuts";
        ShowHotkeysUnavailable();
        return;
    }
    qCWarning(lcHotkeys) << "the desktop gave no shortcuts:" << outcome;
    if (outcome == DesktopShortcuts::Outcome::Unavailable && IsGnomeDesktop()) {
        OfferGnomeShortcuts([](bool offered) {
            if (!offered)
                ShowHotkeysUnavailable();
        });
        return;
    }
    ShowHotkeysUnavailable();
}

} // namespace

void StartDesktopHotkeys(DesktopShortcuts& desktop) {
    QObject::disconnect(startAnswer);
    QObject::disconnect(lostConnection);
    startAnswer = QObject::connect(
        &desktop, &DesktopShortcuts::finished, &desktop,
        [&desktop](DesktopShortcuts::Outcome outcome) { AnswerStart(desktop, outcome); });
    lostConnection = QObject::connect(&desktop, &DesktopShortcuts::lost, &desktop, [] {
        qCWarning(lcHotkeys) << "the desktop's shortcuts went away";
        ShowHotkeysUnavailable();
    });
    desktop.bind(ActiveShortcuts());
}

void UpdateGnomeShortcuts(int record, std::function<void(bool)> done) {
    if (IsGnomeDesktop())
        AddGnomeShortcuts(ClientCommandLine(), record, std::move(done));
    else
        QMetaObject::invokeMethod(
            QCoreApplication::instance(), [done = std::move(done)] { done(false); },
            Qt::QueuedConnection);
}

void ShowHotkeysUnavailable() {
    if (unavailableShown || ExtraSetting(HiddenSetting) == QLatin1String("1"))
        return;
    unavailableShown = true;
    ShowMessageWithCheckBox(
        QStringLiteral("このセッションではホットキーを使えません") + CrLf +
            QStringLiteral("代わりに、デスクトップのキーボード設定で memotap --play-pause、"
                           "memotap --rewind、memotap --forward などのコマンドをショートカットに"
                           "登録してください") +
            CrLf + QStringLiteral("メディアキーはMPRISで使えます"),
        Title, MessageIcon::Warning, QStringLiteral("次回から表示しない"), [](bool hide) {
            if (!hide)
                return;
            SetExtraSetting(HiddenSetting, QStringLiteral("1"));
            SaveExtraSettings();
        });
}

QString ClientCommandLine() {
    const QString beside =
        QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("memotap"));
    if (!QFileInfo(beside).isExecutable())
        return QStringLiteral("memotap");
    QString quoted = beside;
    quoted.replace(u'\'', QStringLiteral("'\\''"));
    return u'\'' + quoted + u'\'';
}

void ResetDesktopHotkeysForTesting() {
    unavailableShown = false;
    QObject::disconnect(startAnswer);
    QObject::disconnect(lostConnection);
}

} // namespace modMain
