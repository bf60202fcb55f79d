// Paints the main window's status strip from PanelColour and CharColour.
#include "ui/colours.h"
#include "ui/forms.h"
#include "ui/frmMain.h"

#include <QCheckBox>
#include <QLabel>

namespace modMain {

namespace {

void SetTextColour(QWidget* widget, const QColor& colour) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, colour);
    widget->setPalette(palette);
}

} // namespace

QColor ColourOf(int index, const QColor& fallback) {
    if (index < 0 || index >= ColourCount || static_cast<std::size_t>(index) >= Colours.size())
        return fallback;
    const ColourEntry& entry = Colours[static_cast<std::size_t>(index)];
    return QColor(entry.Red, entry.Green, entry.Blue);
}

void ApplyColours() {
    if (!MainForm)
        return;
    const QColor panel = ColourOf(PanelColour, Qt::black);
    const QColor text = ColourOf(CharColour, Qt::white);

    QPalette palette = MainForm->lblPanel->palette();
    palette.setColor(QPalette::Window, panel);
    MainForm->lblPanel->setPalette(palette);
    MainForm->lblPanel->setAutoFillBackground(true);
    for (QLabel* label : {MainForm->lblState, MainForm->lblPTime, MainForm->lblTTime})
        SetTextColour(label, text);
    MainForm->SetMinMaxColours(panel, text);
}

} // namespace modMain
