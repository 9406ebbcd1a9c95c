#include <gtest/gtest.h>
#include <stdlib.h>

#include <QApplication>
#include <filesystem>
#include <string>
#include <vector>

#include "gui/DialogLook.h"

// One offscreen application for every GUI test, with the program's look and
// a configuration folder of its own.
int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  std::string pattern = (std::filesystem::temp_directory_path() / "lirosa-gui-XXXXXX").string();
  std::vector<char> config(pattern.begin(), pattern.end());
  config.push_back('\0');
  if (mkdtemp(config.data()) != nullptr) setenv("XDG_CONFIG_HOME", config.data(), 1);

  QApplication app(argc, argv);
  lirosa::ApplyDialogLook(app);
  ::testing::InitGoogleTest(&argc, argv);
  const int result = RUN_ALL_TESTS();

  std::error_code ignored;
  std::filesystem::remove_all(config.data(), ignored);
  return result;
}
