#include "support/log_capture.h"

namespace {
LogCapture* active = nullptr;
}

LogCapture::LogCapture(const char* category) : category_(QString::fromLatin1(category)) {
    active = this;
    previous_ = qInstallMessageHandler(&LogCapture::handler);
}

LogCapture::~LogCapture() {
    qInstallMessageHandler(previous_);
    active = nullptr;
}

void LogCapture::handler(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (active && type == QtWarningMsg && context.category &&
        active->category_ == QLatin1String(context.category)) {
        active->warnings << text;
        return;
    }
    if (active && active->previous_)
        active->previous_(type, context, text);
}
