// The hotkey dialog: the eight bindings, the key list and the modifier boxes.
// It is created hidden at start-up, where the player's hotkeys read the key
// file and register the bindings, and lives until exit, when they are given
// back and the file is written; its close button and close box only hide it.
#pragma once

#include "core/modMain.h"

#include <QMap>
#include <QWidget>
#include <functional>
#include <optional>

class QCheckBox;
class QFrame;
class QLabel;
class QListWidget;
class QPushButton;

class frmHotKey : public QWidget {
    Q_OBJECT

  public:
    explicit frmHotKey(QWidget* parent = nullptr);
    ~frmHotKey() override;

    // The initialisation: key file, lists, registrations, line 0 selected.
    void Form_Load();
    // The unload at exit: withdraws the registrations and writes the file.
    void Form_Unload();

    QListWidget* lstCommand = nullptr;
    QFrame* ShapeRectangle = nullptr;
    QListWidget* lstKey = nullptr;
    QCheckBox* chkAlt = nullptr;
    QCheckBox* chkCtrl = nullptr;
    QCheckBox* chkShift = nullptr;
    QCheckBox* chkWin = nullptr;
    QPushButton* cmdApply = nullptr;
    QPushButton* cmdClose = nullptr;
    // In a Wayland session: the keys the desktop gave the selected command,
    // its own settings of our shortcuts, and taking GNOME's shortcuts away.
    QLabel* lblDesktopKey = nullptr;
    QPushButton* cmdDesktopKeys = nullptr;
    QPushButton* cmdRemoveGnome = nullptr;
    // While an input method runs: the lines whose key also switches it are
    // marked, and a note says so for the key shown in the boxes.
    QLabel* lblInputMethod = nullptr;

  public slots:
    void lstCommand_Click();
    void lstKey_Click();
    void chkModifier_Click();
    void cmdApply_Click();
    void cmdClose_Click();
    void cmdDesktopKeys_Click();
    void cmdRemoveGnome_Click();

  protected:
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

  private:
    void buildControls();
    void buildDesktopControls();
    void showDesktopKeys();
    void readGnomeKeys(std::function<void()> then = {});
    const QMap<QString, QString>& desktopKeys() const;
    void showInputMethodMarks();
    void showInputMethodNote();
    int heightTwips(bool withNote) const;
    void applyThroughDesktop(int line, int row);
    modMain::HotkeyEntry shownBinding(const modMain::HotkeyEntry& entry, int row) const;
    void connectHandlers();
    void setCommandLine(int line, const QString& keyText);

    QMetaObject::Connection desktopAnswer_;
    // GNOME's keys of its shortcuts running our commands, when it has any.
    std::optional<QMap<QString, QString>> gnomeKeys_;
};
