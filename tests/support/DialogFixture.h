#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "app/MonitorDialog.h"
#include "support/FakeControls.h"
#include "support/Fakes.h"
#include "support/TempDir.h"

namespace lirosa::test {

// A MonitorDialog wired to fakes, with its settings in a fresh folder.
class DialogFixture : public ::testing::Test {
 protected:
  DialogFixture();

  // Runs the window's start-up (which opens the port with the settings).
  void Start();
  // Runs `n` ticks of the line timer.
  void Ticks(int n);
  // Writes set.log / data.log into the settings folder before Start().
  void WriteSetLog(const std::string& content);
  void WriteDataLog(const std::string& content);

  TempDir settings;
  FakeControls controls;
  FakePrompts prompts;
  FakeTrafficView view;
  FakeSerialPort port;
  FakeClock clock;
  FakeWindow window;
  std::vector<ListEntry> foundPorts;
  std::unique_ptr<MonitorDialog> dialog;
};

}  // namespace lirosa::test
