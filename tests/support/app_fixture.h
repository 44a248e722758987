// Zarn_zed32 started in a temporary program folder, with the scripted prompter, for window tests
// that go through the application object.
#pragma once

#include "zarn_app.h"

#include "fake_prompter.h"
#include "temp_dir.h"

#include <QCoreApplication>
#include <QSettings>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace zarn::test {

class AppTest : public ::testing::Test {
protected:
    // Each test starts with no recent files of the tests before it.
    AppTest() {
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope,
                           QString::fromStdString(preferences.path()));
    }
    void Start() {
        app = std::make_unique<ZarnApp>(prompter, tmp.path());
        app->StartUp();
        QTest::qWait(20);
    }
    void TearDown() override {
        EXPECT_TRUE(prompter.AllMet()) << prompter.Report();
        app.reset();
    }
    zarn::Models M() const { return app->Models(); }
    // Windows closed with delete-on-close go at the next event loop turn; tests without one flush.
    static void Flush() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

    TempDir tmp;
    TempDir preferences; // the user's configuration folder
    FakePrompter prompter;
    std::unique_ptr<ZarnApp> app;
};

} // namespace zarn::test
