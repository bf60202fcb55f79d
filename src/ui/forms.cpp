#include "ui/forms.h"

namespace modMain {

frmMain* MainForm = nullptr;
frmHotKey* HotKeyForm = nullptr;
frmColor* ColorForm = nullptr;

} // namespace modMain
