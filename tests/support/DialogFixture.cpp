#include "support/DialogFixture.h"

#include "app/ControlIds.h"

namespace lirosa::test {

DialogFixture::DialogFixture() {
  Platform platform{controls, prompts, view, port, clock, window, [this] { return foundPorts; },
                    settings.path().string(),
                    // No console in this tree: COM1 reaches the fake port.
                    nullptr, (settings.path() / "sys").string()};
  dialog = std::make_unique<MonitorDialog>(platform);
}

void DialogFixture::Start() { dialog->InitDialog(); }

void DialogFixture::Ticks(int n) {
  for (int i = 0; i < n; ++i) dialog->OnTimer(kLineTimerId);
}

void DialogFixture::WriteSetLog(const std::string& content) { settings.Write("set.log", content); }

void DialogFixture::WriteDataLog(const std::string& content) { settings.Write("data.log", content); }

}  // namespace lirosa::test
