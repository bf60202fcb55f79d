// The player window: the status strip, the seek, settings and transport rows
// and the equalizer panel, laid out from the design's twips.
#pragma once

#include "core/modMain.h"
#include "core/player_view.h"
#include "ui/SpinField.h"
#include "ui/forms.h"

#include <QMainWindow>
#include <array>

class QAction;
class QButtonGroup;
class QCheckBox;
class QFrame;
class QLabel;
class QMenu;
class QPushButton;
class QRadioButton;
class QScrollBar;
class QTimer;

class frmMain : public QMainWindow, public modMain::PlayerView {
    Q_OBJECT

  public:
    frmMain();
    ~frmMain() override;

    // What the player commands show.
    void ShowState(const QString& text) override;
    void ShowPosition(modMain::Long seconds) override;
    void ShowTitle(const QString& title) override;
    void ShowTotalTime(const QString& text) override;
    void SetSeekMaximum(modMain::Long seconds) override;
    void ShowSpeed(modMain::Long percent) override;
    void ShowRepeatChecked(bool checked) override;
    void LockTransport(bool locked) override;
    void ShowRepeatCaption(const QString& caption, const QString& time) override;
    void RunRepeatTimer(bool running) override;
    void ShowHistory() override;
    std::optional<QPoint> WindowCorner() const override;
    void CopyText(const QString& text) override;

    // The set-up that start-up runs once before the window is first shown:
    // PrepareWindow(), then the reopen of the last file (Form_Load()).
    void Setup();
    // All of Setup() but the reopen. The player's start-up shows the window
    // between the two, so that a slow reopen happens in a window on screen.
    void PrepareWindow();

    // Outer heights of the design (715 compact, 1875 normal, 3825 with the
    // equalizer panel); each is mapped to the client area it must show.
    void SetOuterHeight(int twips);
    int OuterHeight() const { return outerHeightTwips_; }

    // Background and text of the compact-mode check box on the status strip.
    void SetMinMaxColours(const QColor& background, const QColor& text);

    // Status strip.
    QLabel* lblPanel = nullptr;
    QCheckBox* chkMinMax = nullptr;
    QLabel* lblState = nullptr;
    QLabel* lblRep = nullptr;
    QLabel* lblRepTime = nullptr;
    QLabel* lblPTime = nullptr;
    QLabel* lblTTime = nullptr;

    // Seek row.
    QPushButton* cmdSetStart = nullptr;
    QScrollBar* hsbSeek = nullptr;
    QPushButton* cmdSetEnd = nullptr;

    // Settings row.
    QCheckBox* chkWindowPos = nullptr;
    QLabel* lblPitch = nullptr;
    QLabel* lblReverse = nullptr;
    QLabel* lblPepeat = nullptr;
    QLabel* lblRWFF = nullptr;
    QPushButton* cmdVol = nullptr;

    // Transport row. Each SpinField is a text box with its spin control.
    QPushButton* cmdREW = nullptr;
    QPushButton* cmdPlayPause = nullptr;
    QPushButton* cmdFF = nullptr;
    QCheckBox* chkRep = nullptr;
    SpinField* udPitch = nullptr;
    SpinField* udRev = nullptr;
    SpinField* udRep = nullptr;
    SpinField* udREW_FF = nullptr;
    QPushButton* cmdEQ = nullptr;

    QFrame* LineBorder = nullptr;

    // Equalizer panel.
    QCheckBox* chkUse = nullptr;
    QLabel* lblEQ1 = nullptr;
    QLabel* lblEQ2 = nullptr;
    QLabel* lblEQ3 = nullptr;
    std::array<QScrollBar*, 10> vsbEQ{};
    std::array<QFrame*, 5> LineEQ{};
    std::array<QLabel*, 10> lblFreq{};
    std::array<QRadioButton*, 7> optEQ{};
    QButtonGroup* optEQGroup = nullptr;

    QTimer* tmrMain = nullptr;
    QTimer* tmrRep = nullptr;

    // Menus. mnuHistry[1..5] follow the history's numbering.
    QMenu* mnuFile = nullptr;
    QAction* mnuOpen = nullptr;
    QAction* mnuSep1 = nullptr;
    std::array<QAction*, modMain::HistorySize + 1> mnuHistry{};
    QAction* mnuSep2 = nullptr;
    QAction* mnuClear = nullptr;
    QAction* mnuSep3 = nullptr;
    QAction* mnuClose = nullptr;
    QMenu* mnuSetUp = nullptr;
    QAction* mnuHotKey = nullptr;
    QAction* mnuOther = nullptr;
    QAction* mnuPedal = nullptr;
    // The hearing aids: three switches and the channel choice, in
    // ChannelChoice order.
    QMenu* mnuHearing = nullptr;
    QAction* mnuLevelling = nullptr;
    QAction* mnuNoiseReduction = nullptr;
    QAction* mnuLowCut = nullptr;
    std::array<QAction*, 4> mnuChannel{};
    QAction* mnuTimestamp = nullptr;
    QMenu* mnuHelp = nullptr;
    QAction* mnuHelp_Help = nullptr;
    QAction* mnuSep4 = nullptr;
    QAction* mnuVersion = nullptr;

    // Equalizer state owned by the window.
    std::array<std::int32_t, 10> EqualizerBands{};
    bool EqualizerOn = false;
    bool EqualizerShown = false;

  public slots:
    void Form_Load();

    void cmdPlayPause_Click();
    void cmdREW_Click();
    void cmdFF_Click();
    void cmdSetStart_Click();
    void cmdSetEnd_Click();
    void hsbSeek_Change();
    void hsbSeek_Scroll();
    void tmrMain_Timer();
    void chkRep_Click();
    void tmrRep_Timer();
    void udPitch_Change();
    void udRev_Change();
    void udRep_Change();
    void udREW_FF_Change();

    void mnuOpen_Click();
    void mnuHistry_Click(int index);
    void mnuClear_Click();
    void mnuClose_Click();
    void mnuHotKey_Click();
    void mnuOther_Click();
    void mnuPedal_Click();
    void mnuHearing_Show();
    void mnuHelp_Help_Click();
    void mnuVersion_Click();
    void cmdVol_Click();

    void chkWindowPos_Click();
    void chkMinMax_Click();
    void cmdEQ_Click();
    void chkUse_Click();
    void optEQ_Click(int index);
    void vsbEQ_Change(int index);
    void vsbEQ_Scroll(int index);

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void buildControls();
    void buildMenus();
    void buildHearingMenu();
    void connectHandlers();
    void connectHearingMenu();
    // The close handler; runs once, whatever closes the window.
    void Form_Unload();

    int outerHeightTwips_ = 1875;
    bool unloaded_ = false;
};
