// A started, shown main window on the recording engine, with its settings
// file in a temporary folder and a recorder answering message boxes.
#pragma once

#include "core/messagebox.h"
#include "core/modMain.h"
#include "core/settings.h"
#include "core/textfile.h"
#include "support/fake_engine.h"
#include "support/message_recorder.h"
#include "ui/frmMain.h"

#include <QCoreApplication>
#include <QEvent>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>
#include <memory>

class StartedWindow : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(folder.isValid());
        modMain::SetAppPathForTesting(folder.path());
        engine = &FakeEngine::install();
    }

    void TearDown() override {
        // A window destroyed without its close handler gives its hook back
        // first, as the close handler would.
        if (form)
            modMain::UnhookWindow();
        form.reset();
        FlushDeletions();
        modMain::SetAppPathForTesting({});
    }

    // Writes hMEMOTAP.txt from its lines.
    void writeSettings(const QStringList& lines) {
        ASSERT_TRUE(textfile::writeAtomically(folder.filePath(modMain::SettingsFileName),
                                              textfile::encode(lines.join("\r\n") + "\r\n")));
    }

    // Start-up from the settings load to the shown window; the recording of
    // engine calls and message boxes starts afterwards.
    void start() {
        modMain::LoadSettings();
        form = std::make_unique<frmMain>();
        modMain::MainForm = form.get();
        form->Setup();
        form->tmrMain->stop();
        form->show();
        engine->take();
        messages.calls.clear();
    }

    QByteArray settingsBytes() const {
        QFile file(folder.filePath(modMain::SettingsFileName));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    static void FlushDeletions() {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    QTemporaryDir folder;
    MessageRecorder messages;
    FakeEngine* engine = nullptr;
    std::unique_ptr<frmMain> form;
};
