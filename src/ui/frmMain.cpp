#include "ui/frmMain.h"

#include "ui/fonts.h"
#include "ui/forms.h"
#include "ui/frmTimestamp.h"
#include "ui/twips.h"

#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFrame>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QTimer>

using namespace modMain;

namespace {

// Client area of the design; the width never changes.
constexpr int ClientWidthTwips = 5265;

// What each outer height of the design leaves visible of the client area.
int visibleClientTwips(int outerTwips) {
    switch (outerTwips) {
    case 715:
        return 330; // the status strip
    case 3825:
        return 3165; // the whole panel
    default:
        return 1240; // down to the separator line
    }
}

void setTextColour(QWidget* widget, const QColor& colour) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, colour);
    palette.setColor(QPalette::Text, colour);
    palette.setColor(QPalette::ButtonText, colour);
    widget->setPalette(palette);
}

void setBackground(QWidget* widget, const QColor& colour) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, colour);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

} // namespace

frmMain::frmMain() {
    setWindowTitle(AppTitle);
    setWindowIcon(QIcon(QStringLiteral(":/memotap.png")));
    // A fixed frame with a minimise button and no maximise button.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    setFont(DefaultUiFont());
    buildMenus();
    buildControls();
    connectHandlers();
    SetOuterHeight(1875);
    SetPlayerView(this);
}

frmMain::~frmMain() {
    if (CurrentPlayerView() == this)
        SetPlayerView(nullptr);
    if (MainForm == this)
        MainForm = nullptr;
}

void frmMain::buildControls() {
    auto* client = new QWidget(this);
    client->setObjectName("client");
    setCentralWidget(client);

    const QColor black(0, 0, 0), white(255, 255, 255), repeatRed(192, 0, 0);
    auto label = [&](const QString& name, const QString& caption, QRect rect) {
        auto* l = new QLabel(caption, client);
        l->setObjectName(name);
        l->setGeometry(rect);
        return l;
    };
    auto button = [&](const QString& name, const QString& caption, QRect rect) {
        auto* b = new QPushButton(caption, client);
        b->setObjectName(name);
        b->setGeometry(rect);
        b->setFocusPolicy(Qt::TabFocus);
        return b;
    };
    auto checkBox = [&](const QString& name, const QString& caption, QRect rect) {
        auto* c = new QCheckBox(caption, client);
        c->setObjectName(name);
        c->setGeometry(rect);
        return c;
    };
    auto spinField = [&](const QString& name, QRect rect, int min, int max, int step, int value) {
        auto* s = new SpinField(client);
        s->setObjectName(name);
        s->setGeometry(rect);
        s->setRange(min, max);
        s->setSingleStep(step);
        s->setValue(value);
        // Narrow spin buttons leave the small text box room for three digits.
        s->setStyleSheet("QSpinBox { padding: 0px; }"
                         "QSpinBox::up-button, QSpinBox::down-button { width: 10px; }");
        return s;
    };

    // Status strip.
    lblPanel = label("lblPanel", {}, twipRect(30, 0, 5205, 330));
    setBackground(lblPanel, black);
    chkMinMax = checkBox("chkMinMax", "Min", twipRect(105, 45, 600, 225));
    SetMinMaxColours(black, white);
    lblState = label("lblState", {}, twipRect(930, 70, 1035, 195));
    setTextColour(lblState, white);
    // The repeat caption and its time sit further left than designed, and
    // the time is wider, so that all eight characters fit the Japanese
    // fonts this desktop falls back to, with a gap before the position.
    lblRep = label("lblRep", {}, twipRect(2085, 70, 630, 195));
    setTextColour(lblRep, repeatRed);
    lblRepTime = label("lblRepTime", {}, twipRect(2745, 70, 750, 195));
    setTextColour(lblRepTime, repeatRed);
    // The position reaches a little further left than designed so that all
    // eight characters fit this desktop's font; its right edge stays put.
    lblPTime = label("lblPTime", "00:00:00", twipRect(3540, 70, 735, 195));
    lblPTime->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    setTextColour(lblPTime, white);
    lblTTime = label("lblTTime", "/ 00:00:00", twipRect(4290, 70, 855, 195));
    setTextColour(lblTTime, white);

    // Seek row.
    const QFont tinyButtonFont = DesignFont(QStringLiteral("ＭＳ Ｐゴシック"), 5.25);
    cmdSetStart = button("cmdSetStart", "|<", twipRect(30, 340, 250, 250));
    cmdSetStart->setFont(tinyButtonFont);
    hsbSeek = new QScrollBar(Qt::Horizontal, client);
    hsbSeek->setObjectName("hsbSeek");
    hsbSeek->setGeometry(twipRect(280, 340, 4700, 250));
    hsbSeek->setRange(0, 1000);
    hsbSeek->setSingleStep(4);
    hsbSeek->setPageStep(4);
    hsbSeek->setTracking(false);
    cmdSetEnd = button("cmdSetEnd", ">|", twipRect(4980, 340, 250, 250));
    cmdSetEnd->setFont(tinyButtonFont);

    // Settings row.
    chkWindowPos = checkBox("chkWindowPos", "常に手前に表示", twipRect(50, 630, 1580, 225));
    lblPitch = label("lblPitch", "PITCH", twipRect(2160, 640, 570, 195));
    lblReverse = label("lblReverse", "REV", twipRect(2940, 640, 495, 195));
    lblPepeat = label("lblPepeat", "REP", twipRect(3580, 640, 495, 195));
    lblRWFF = label("lblRWFF", "REW_FF", twipRect(4160, 640, 660, 195)); // widened likewise
    cmdVol = button("cmdVol", "Vol", twipRect(4825, 645, 405, 260));

    // Transport row. A spin field spans its text box and its spin control.
    cmdREW = button("cmdREW", "<<", twipRect(50, 880, 450, 300));
    cmdPlayPause = button("cmdPlayPause", "> ||", twipRect(500, 885, 700, 300));
    cmdFF = button("cmdFF", ">>", twipRect(1200, 885, 450, 300));
    chkRep = checkBox("chkRep", "⊃", twipRect(1650, 885, 450, 300));
    udPitch = spinField("udPitch", twipRect(2200, 880, 640, 300), 50, 300, 5, 100);
    udRev = spinField("udRev", twipRect(2940, 880, 540, 300), 0, 10, 1, 1);
    udRep = spinField("udRep", twipRect(3580, 880, 545, 300), 1, 15, 1, 5);
    udREW_FF = spinField("udREW_FF", twipRect(4220, 880, 535, 300), 1, 10, 1, 4);
    cmdEQ = button("cmdEQ", "EQ", twipRect(4825, 945, 405, 260));

    LineBorder = new QFrame(client);
    LineBorder->setObjectName("LineBorder");
    LineBorder->setFrameShape(QFrame::HLine);
    LineBorder->setFrameShadow(QFrame::Sunken);
    LineBorder->setGeometry(QRect(0, px(1240) - 1, px(5355), 2));

    // Equalizer panel.
    const QFont scaleFont = DesignFont(QStringLiteral("ＭＳ Ｐゴシック"), 6.75);
    chkUse = checkBox("chkUse", "ｲｺﾗｲｻﾞを使用する（wavは非対応）", twipRect(150, 1320, 3000, 180));
    // The scale's ends reach further left than designed, for "+12".
    lblEQ1 = label("lblEQ1", "+12", twipRect(15, 1710, 270, 135));
    lblEQ2 = label("lblEQ2", "0", twipRect(75, 2197, 210, 135));
    lblEQ3 = label("lblEQ3", "-12", twipRect(15, 2685, 270, 135));
    for (QLabel* l : {lblEQ1, lblEQ2, lblEQ3})
        l->setFont(scaleFont);

    const int lineY[5] = {2250, 2670, 1830, 2040, 2460};
    for (int i = 0; i < 5; ++i) {
        LineEQ[i] = new QFrame(client);
        LineEQ[i]->setObjectName(QString("LineEQ%1").arg(i));
        LineEQ[i]->setFrameShape(QFrame::HLine);
        LineEQ[i]->setFrameShadow(QFrame::Plain);
        LineEQ[i]->setGeometry(QRect(px(350), px(lineY[i]), px(3705 - 350), 1));
    }

    const int sliderLeft[10] = {350, 701, 1052, 1403, 1754, 2105, 2456, 2807, 3158, 3510};
    const int freqLeft[10] = {315, 695, 1045, 1395, 1745, 2095, 2445, 2795, 3145, 3495};
    const char* freqCaption[10] = {"60", "170", "310", "600", "1K",
                                   "3K", "6K",  "12K", "14K", "16K"};
    for (int i = 0; i < 10; ++i) {
        vsbEQ[i] = new QScrollBar(Qt::Vertical, client);
        vsbEQ[i]->setObjectName(QString("vsbEQ%1").arg(i));
        vsbEQ[i]->setGeometry(twipRect(sliderLeft[i], 1600, 195, 1300));
        vsbEQ[i]->setRange(-128, 128);
        vsbEQ[i]->setSingleStep(1);
        vsbEQ[i]->setPageStep(1);
        vsbEQ[i]->setValue(0);
        vsbEQ[i]->setTracking(false);
        lblFreq[i] = label(QString("lblFreq%1").arg(i), freqCaption[i],
                           twipRect(freqLeft[i], 2955, i == 0 ? 285 : 255, 135));
        lblFreq[i]->setFont(scaleFont);
        lblFreq[i]->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    }
    // The scale lines run behind the sliders.
    for (QFrame* line : LineEQ)
        line->lower();

    const QFont presetFont = DesignFont(QStringLiteral("ＭＳ Ｐゴシック"), 8.25);
    const int presetTop[7] = {1395, 1635, 1860, 2100, 2340, 2565, 2805};
    const char* presetCaption[7] = {"Nomal", "-Tre 1", "-Tre 2", "+Tre", "+Bass", "Rock", "Pop"};
    optEQGroup = new QButtonGroup(this);
    for (int i = 0; i < 7; ++i) {
        optEQ[i] = new QRadioButton(presetCaption[i], client);
        optEQ[i]->setObjectName(QString("optEQ%1").arg(i));
        optEQ[i]->setGeometry(twipRect(4035, presetTop[i], 900, i == 6 ? 315 : 285));
        optEQ[i]->setFont(presetFont);
        optEQGroup->addButton(optEQ[i], i);
    }

    tmrMain = new QTimer(this);
    tmrMain->setObjectName("tmrMain");
    tmrMain->setInterval(100);
    tmrMain->start();
    tmrRep = new QTimer(this);
    tmrRep->setObjectName("tmrRep");
    tmrRep->setInterval(200);
}

void frmMain::buildMenus() {
    QMenuBar* bar = menuBar();
    mnuFile = bar->addMenu("ファイル(&F)");
    mnuOpen = mnuFile->addAction("開く(&O)...");
    mnuSep1 = mnuFile->addSeparator();
    for (int i = 1; i <= HistorySize; ++i) {
        mnuHistry[i] = mnuFile->addAction(QString());
        mnuHistry[i]->setVisible(false);
    }
    mnuSep2 = mnuFile->addSeparator();
    mnuClear = mnuFile->addAction("履歴削除(&D)");
    mnuSep3 = mnuFile->addSeparator();
    mnuClose = mnuFile->addAction("終了(&X)");

    mnuSetUp = bar->addMenu("設定(&S)");
    mnuHotKey = mnuSetUp->addAction("キー設定(&H)...");
    mnuOther = mnuSetUp->addAction("カラー設定(&C)...");
    mnuPedal = mnuSetUp->addAction("ペダル設定…");
    mnuTimestamp = mnuSetUp->addAction("タイムスタンプ設定...");
    buildHearingMenu();

    mnuHelp = bar->addMenu("ヘルプ(&H)");
    mnuHelp_Help = mnuHelp->addAction("ヘルプ(&H)");
    mnuSep4 = mnuHelp->addSeparator();
    mnuVersion = mnuHelp->addAction("バージョン情報(&A)...");
}

void frmMain::connectHandlers() {
    connect(cmdPlayPause, &QPushButton::clicked, this, &frmMain::cmdPlayPause_Click);
    connect(cmdREW, &QPushButton::clicked, this, &frmMain::cmdREW_Click);
    connect(cmdFF, &QPushButton::clicked, this, &frmMain::cmdFF_Click);
    connect(cmdSetStart, &QPushButton::clicked, this, &frmMain::cmdSetStart_Click);
    connect(cmdSetEnd, &QPushButton::clicked, this, &frmMain::cmdSetEnd_Click);
    connect(hsbSeek, &QScrollBar::valueChanged, this, &frmMain::hsbSeek_Change);
    connect(hsbSeek, &QScrollBar::sliderMoved, this, &frmMain::hsbSeek_Scroll);
    connect(tmrMain, &QTimer::timeout, this, &frmMain::tmrMain_Timer);
    connect(chkRep, &QCheckBox::toggled, this, &frmMain::chkRep_Click);
    connect(tmrRep, &QTimer::timeout, this, &frmMain::tmrRep_Timer);
    connect(udPitch, &QSpinBox::valueChanged, this, &frmMain::udPitch_Change);
    connect(udRev, &QSpinBox::valueChanged, this, &frmMain::udRev_Change);
    connect(udRep, &QSpinBox::valueChanged, this, &frmMain::udRep_Change);
    connect(udREW_FF, &QSpinBox::valueChanged, this, &frmMain::udREW_FF_Change);

    connect(mnuOpen, &QAction::triggered, this, &frmMain::mnuOpen_Click);
    for (int i = 1; i <= HistorySize; ++i)
        connect(mnuHistry[i], &QAction::triggered, this, [this, i] { mnuHistry_Click(i); });
    connect(mnuClear, &QAction::triggered, this, &frmMain::mnuClear_Click);
    connect(mnuClose, &QAction::triggered, this, &frmMain::mnuClose_Click);
    connect(mnuHotKey, &QAction::triggered, this, &frmMain::mnuHotKey_Click);
    connect(mnuOther, &QAction::triggered, this, &frmMain::mnuOther_Click);
    connect(mnuPedal, &QAction::triggered, this, &frmMain::mnuPedal_Click);
    connect(mnuTimestamp, &QAction::triggered, this, [] { modMain::ShowTimestampForm(); });
    connectHearingMenu();
    connect(mnuHelp_Help, &QAction::triggered, this, &frmMain::mnuHelp_Help_Click);
    connect(mnuVersion, &QAction::triggered, this, &frmMain::mnuVersion_Click);
    connect(cmdVol, &QPushButton::clicked, this, &frmMain::cmdVol_Click);

    connect(chkWindowPos, &QCheckBox::toggled, this, &frmMain::chkWindowPos_Click);
    connect(chkMinMax, &QCheckBox::toggled, this, &frmMain::chkMinMax_Click);
    connect(cmdEQ, &QPushButton::clicked, this, &frmMain::cmdEQ_Click);
    connect(chkUse, &QCheckBox::toggled, this, &frmMain::chkUse_Click);
    for (int i = 0; i < 7; ++i)
        connect(optEQ[i], &QRadioButton::toggled, this, [this, i](bool on) {
            if (on)
                optEQ_Click(i);
        });
    for (int i = 0; i < 10; ++i) {
        connect(vsbEQ[i], &QScrollBar::valueChanged, this, [this, i] { vsbEQ_Change(i); });
        connect(vsbEQ[i], &QScrollBar::sliderMoved, this, [this, i] { vsbEQ_Scroll(i); });
    }
}

void frmMain::SetMinMaxColours(const QColor& background, const QColor& text) {
    // A style sheet, since the desktop style paints check box labels on its
    // own background whatever the palette says; the box follows the text.
    chkMinMax->setStyleSheet(
        QString("QCheckBox { background-color: %1; color: %2; }"
                "QCheckBox::indicator { width: 9px; height: 9px; border: 1px solid %2; }"
                "QCheckBox::indicator:checked { background-color: %2; }")
            .arg(background.name(), text.name()));
}

void frmMain::SetOuterHeight(int twips) {
    outerHeightTwips_ = twips;
    // The window manager draws the title bar outside the Qt window, so only
    // the menu bar is added to the part of the client area to show.
    const int menuHeight = menuBar()->isHidden() ? 0 : menuBar()->sizeHint().height();
    setFixedSize(px(ClientWidthTwips), px(visibleClientTwips(twips)) + menuHeight);
}

void frmMain::Setup() {
    PrepareWindow();
    Form_Load();
}

void frmMain::PrepareWindow() {
    // Placed before the native window exists: the place is then the outer
    // corner, title bar included, as it is saved, and chosen even when it is
    // the screen's corner (a window manager centres windows without one).
    move(WindowLeft / TwipsPerPixel, WindowTop / TwipsPerPixel);
    winId();
    setAcceptDrops(true);
    HookWindow(this);
    SetOuterHeight(1875);
    chkWindowPos->setChecked(AlwaysOnTop == 1);
    ApplyTopMost();
    udRev->setValue(RevSeconds);
    udRep->setValue(RepSeconds);
    {
        // The field's handler also sets RewFFSeconds2, which keeps the file's
        // value until the user changes the step.
        const QSignalBlocker quiet(udREW_FF);
        udREW_FF->setValue(RewFFSeconds);
    }
    RewFFSeconds = udREW_FF->value();
    hsbSeek->setSingleStep(RewFFSeconds);
    hsbSeek->setPageStep(RewFFSeconds);
    Pitch = 100;
    ApplyPitch(Pitch);
    udPitch->setMaximum(300);
    udPitch->setMinimum(50);
    udPitch->setSingleStep(5);
    SetSpeedField(Pitch);
    RepeatOn = 0;
    ShowRepeatChecked(false);
    ApplyColours();
    optEQ[0]->setChecked(true);
    EqualizerOn = false;
    chkUse->setChecked(false);
    EqualizerShown = false;
    for (QRadioButton* option : optEQ)
        option->setEnabled(false);
    for (QScrollBar* slider : vsbEQ)
        slider->setEnabled(false);
    RefreshHistoryMenu();
}

void frmMain::Form_Load() {
    if (!History[1].Path.isEmpty())
        OpenAudioFile(History[1].Path);
}

void frmMain::mnuClose_Click() {
    close();
}

void frmMain::closeEvent(QCloseEvent* event) {
    Form_Unload();
    event->accept();
}

void frmMain::Form_Unload() {
    if (unloaded_)
        return;
    unloaded_ = true;
    // The engine is freed below; nothing may poll it afterwards.
    tmrMain->stop();
    tmrRep->stop();
    ShutDownPlayer();
    UnhookWindow();
    UnloadHotKeyForm();
    UnloadColorForm();
}
