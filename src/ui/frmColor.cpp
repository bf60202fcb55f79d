#include "ui/frmColor.h"

#include "core/modMain.h"
#include "ui/colours.h"
#include "ui/fonts.h"
#include "ui/forms.h"
#include "ui/twips.h"

#include <QComboBox>
#include <QFontMetrics>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>

using namespace modMain;

namespace {

// Imitates the main window's strip: state, then position and total time.
const QString PreviewText = QStringLiteral("再生中") + QString(5, QChar(0x3000)) + "    " +
                            QChar(0x3000) + "  " + QChar(0x3000) +
                            QStringLiteral("00:00:00/00:00:00");

void FillWithColourNames(QComboBox* list) {
    const QSignalBlocker quiet(list);
    list->clear();
    const int count = std::min<std::size_t>(std::max<int>(ColourCount, 0), Colours.size());
    for (int i = 0; i < count; ++i)
        list->addItem(Colours[static_cast<std::size_t>(i)].Name);
    // Nothing chosen yet, so choosing any entry counts as a change.
    list->setCurrentIndex(-1);
}

void FitFontToWidth(QLabel* label) {
    QFont font = label->font();
    while (font.pointSizeF() > 5 &&
           QFontMetrics(font).horizontalAdvance(label->text()) > label->width()) {
        font.setPointSizeF(font.pointSizeF() - 0.25);
    }
    label->setFont(font);
}

} // namespace

frmColor::frmColor() {
    setWindowTitle(QStringLiteral("カラー設定"));
    setWindowIcon(QIcon(QStringLiteral(":/memotap.png")));
    // A fixed dialog frame: a close box, no minimise or maximise button.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setFont(DefaultUiFont());
    setFixedSize(px(4515), px(2325));
    buildControls();
    Form_Load();
}

frmColor::~frmColor() {
    if (ColorForm == this)
        ColorForm = nullptr;
}

void frmColor::buildControls() {
    auto label = [this](const QString& name, const QString& caption, QRect rect) {
        auto* l = new QLabel(caption, this);
        l->setObjectName(name);
        l->setGeometry(rect);
        return l;
    };
    auto comboBox = [this](const QString& name, QRect rect) {
        auto* c = new QComboBox(this);
        c->setObjectName(name);
        c->setGeometry(rect);
        return c;
    };
    auto button = [this](const QString& name, const QString& caption, QRect rect) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(name);
        b->setGeometry(rect);
        return b;
    };

    lblPanel = label("lblPanel", {}, twipRect(450, 180, 3570, 315));
    lblPanel->setAutoFillBackground(true);
    QPalette panel = lblPanel->palette();
    panel.setColor(QPalette::Window, Qt::black);
    lblPanel->setPalette(panel);
    // The preview text runs to the panel's right edge, in a font small enough
    // to show it whole: this desktop's fonts set the wide blanks wider.
    lblChar = label("lblChar", PreviewText, twipRect(750, 240, 4020 - 30 - 750, 240));
    FitFontToWidth(lblChar);
    QPalette text = lblChar->palette();
    text.setColor(QPalette::WindowText, Qt::white);
    lblChar->setPalette(text);

    lblPanelColer =
        label("lblPanelColer", QStringLiteral("パネルの色"), twipRect(435, 795, 1380, 240));
    cmbPanelColor = comboBox("cmbPanelColor", twipRect(2145, 750, 1275, 300));
    lblCharColer =
        label("lblCharColer", QStringLiteral("パネル文字の色"), twipRect(420, 1335, 1380, 240));
    cmbCharColor = comboBox("cmbCharColor", twipRect(2145, 1275, 1275, 300));

    cmdSetUpOK = button("cmdSetUpOK", "OK", twipRect(1305, 1905, 1005, 360));
    cmdSetUpCancel =
        button("cmdSetUpCancel", QStringLiteral("キャンセル"), twipRect(2385, 1905, 1005, 360));
    cmdSetUpApply =
        button("cmdSetUpApply", QStringLiteral("適用(&A)"), twipRect(3465, 1905, 1005, 360));
    cmdSetUpOK->setDefault(true);

    connect(cmbPanelColor, &QComboBox::currentIndexChanged, this, &frmColor::cmbPanelColor_Click);
    connect(cmbCharColor, &QComboBox::currentIndexChanged, this, &frmColor::cmbCharColor_Click);
    connect(cmdSetUpOK, &QPushButton::clicked, this, &frmColor::cmdSetUpOK_Click);
    connect(cmdSetUpCancel, &QPushButton::clicked, this, &frmColor::cmdSetUpCancel_Click);
    connect(cmdSetUpApply, &QPushButton::clicked, this, &frmColor::cmdSetUpApply_Click);
}

void frmColor::Form_Load() {
    FillWithColourNames(cmbCharColor);
    FillWithColourNames(cmbPanelColor);
    cmbPanelColor->setCurrentIndex(PanelColour);
    cmbCharColor->setCurrentIndex(CharColour);
    cmdSetUpApply->setEnabled(false);
}

void frmColor::cmbPanelColor_Click() {
    QPalette palette = lblPanel->palette();
    palette.setColor(QPalette::Window,
                     ColourOf(cmbPanelColor->currentIndex(), palette.color(QPalette::Window)));
    lblPanel->setPalette(palette);
    cmdSetUpApply->setEnabled(true);
}

void frmColor::cmbCharColor_Click() {
    QPalette palette = lblChar->palette();
    palette.setColor(QPalette::WindowText,
                     ColourOf(cmbCharColor->currentIndex(), palette.color(QPalette::WindowText)));
    lblChar->setPalette(palette);
    cmdSetUpApply->setEnabled(true);
}

void frmColor::applyChoice() {
    // An empty list (no colour table) leaves the setting as it is.
    if (cmbPanelColor->currentIndex() >= 0)
        PanelColour = static_cast<Integer>(cmbPanelColor->currentIndex());
    if (cmbCharColor->currentIndex() >= 0)
        CharColour = static_cast<Integer>(cmbCharColor->currentIndex());
    SaveSettings();
    ApplyColours();
}

void frmColor::cmdSetUpOK_Click() {
    applyChoice();
    close();
}

void frmColor::cmdSetUpCancel_Click() {
    close();
}

void frmColor::cmdSetUpApply_Click() {
    applyChoice();
}

namespace modMain {

void ShowColorForm() {
    if (ColorForm) {
        ColorForm->show();
        ColorForm->raise();
        ColorForm->activateWindow();
        return;
    }
    auto* form = new frmColor;
    form->setAttribute(Qt::WA_DeleteOnClose);
    ColorForm = form;
    form->show();
}

void UnloadColorForm() {
    if (!ColorForm)
        return;
    // Deleted now rather than later: at shutdown no event loop is left to
    // carry out a deferred deletion.
    frmColor* form = ColorForm;
    form->close();
    delete form;
}

} // namespace modMain
