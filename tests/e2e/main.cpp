#include <gtest/gtest.h>
#include <stdlib.h>

#include <QApplication>
#include <filesystem>
#include <string>
#include <vector>

#include "app/MonitorDialog.h"
#include "gui/DialogLook.h"

// The end-to-end tests drive the program's own window in this process, so
// they share one offscreen application, set up as the program sets up its
// own, with a configuration folder of their own.
int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  std::string pattern = (std::filesystem::temp_directory_path() / "lirosa-e2e-XXXXXX").string();
  std::vector<char> config(pattern.begin(), pattern.end());
  config.push_back('\0');
  if (mkdtemp(config.data()) != nullptr) setenv("XDG_CONFIG_HOME", config.data(), 1);

  QApplication app(argc, argv);
  QApplication::setApplicationName(QString::fromUtf8(lirosa::kAppTitle));
  QApplication::setQuitOnLastWindowClosed(false);
  lirosa::ApplyDialogLook(app);
  ::testing::InitGoogleTest(&argc, argv);
  const int result = RUN_ALL_TESTS();

  std::error_code ignored;
  std::filesystem::remove_all(config.data(), ignored);
  return result;
}
