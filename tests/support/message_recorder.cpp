#include "support/message_recorder.h"

#include "support/unexpected_boxes.h"

#include <gtest/gtest.h>

using modMain::MessageButtons;
using modMain::MessageCall;
using modMain::MessageResult;

MessageRecorder::MessageRecorder() {
    modMain::SetMessageHookForTesting([this](const MessageCall& call) {
        calls.push_back(call);
        if (call.buttons == MessageButtons::Ok)
            return MessageResult::Ok;
        if (answers_.empty()) {
            ADD_FAILURE() << "unanswered question: " << call.text.toStdString();
            return MessageResult::No;
        }
        const MessageResult result = answers_.front();
        answers_.pop_front();
        return result;
    });
}

MessageRecorder::~MessageRecorder() {
    InstallUnexpectedBoxGuard();
}
