// Stands in for the user at every message box while it lives: records each box
// and answers questions from a script. A question without a scripted answer
// fails the test and is answered No.
#pragma once

#include "core/messagebox.h"

#include <deque>
#include <vector>

class MessageRecorder {
  public:
    MessageRecorder();
    ~MessageRecorder();
    MessageRecorder(const MessageRecorder&) = delete;
    MessageRecorder& operator=(const MessageRecorder&) = delete;

    // The answer to the next Yes/No box.
    void answer(modMain::MessageResult result) { answers_.push_back(result); }

    std::vector<modMain::MessageCall> calls;

  private:
    std::deque<modMain::MessageResult> answers_;
};
