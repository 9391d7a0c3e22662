// Starting the whole program in a GUI test: settings kept in the test's own
// profile folder, the null sound back-end, and no splash, Common Tasks or
// single-instance check.
#pragma once

#include <QCoreApplication>
#include <QSettings>
#include <filesystem>
#include <gtest/gtest.h>
#include <memory>

#include "gui/app/wavedesk_app.h"

namespace gui_test {

// Names the program as it names itself and keeps its settings in `profile`.
inline void UseProfile(const std::filesystem::path& profile) {
  QCoreApplication::setOrganizationName(QStringLiteral("Tarvo Labs"));
  QCoreApplication::setApplicationName(QStringLiteral("Tarvo Wavedesk 2.0"));
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, QString::fromStdString(profile.string()));
}

inline std::unique_ptr<CWavedeskApp> StartApp() {
  auto app = std::make_unique<CWavedeskApp>();
  CWavedeskApp::Options options;
  options.backend = SoundBackend::Null;
  options.singleInstance = false;
  options.showCommonTasks = false;
  options.showSplash = false;
  EXPECT_TRUE(app->InitInstance(options));
  return app;
}

}  // namespace gui_test
