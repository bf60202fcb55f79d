#include "support/unexpected_boxes.h"

#include "core/messagebox.h"

#include <gtest/gtest.h>

void InstallUnexpectedBoxGuard() {
    modMain::SetMessageHookForTesting([](const modMain::MessageCall& call) {
        ADD_FAILURE() << "unexpected message box \"" << call.title.toStdString()
                      << "\": " << call.text.toStdString();
        return call.buttons == modMain::MessageButtons::Ok ? modMain::MessageResult::Ok
                                                           : modMain::MessageResult::No;
    });
}
