#include "app/ControlIds.h"
#include "app/MonitorDialog.h"
#include "shell/LampModel.h"
#include "shell/Layout.h"

namespace lirosa {

void MonitorDialog::DrawLamps() {
  const LampFrame frame = TakeLampFrame(portOpen, txActivity, rxActivity);
  // The lamp timer fires 100 times a second; painting only on a change keeps
  // an idle window nearly free, and a lamp lit last tick still goes dark
  // because its frame differs from this one.
  if (lampsShown_ && frame == shownLamps_) return;
  window_.ShowLamps(frame);
  shownLamps_ = frame;
  lampsShown_ = true;
}

void MonitorDialog::ToggleStayOnTop() {
  window_.SetStayOnTop(!stayOnTop);
  stayOnTop = !stayOnTop;
  window_.RepaintStayOnTop();
}

void MonitorDialog::ApplyLayout(SizeKind kind, int, int) {
  switch (kind) {
    case SizeKind::Maximized: {
      const ScreenSize screen = window_.PrimaryScreen();
      const DisplayGeometry geometry = MaximizedDisplayGeometry(screen);
      lineChars = geometry.lineChars;
      displayRows = geometry.displayRows;
      for (const Placement& move : MaximizedPlacements(screen))
        controls_.Move(move.id, move.geometry);
      controls_.Show(kIdStayOnTop, false);
      maximizedOnce = true;
      return;
    }
    case SizeKind::Restored:
      // Until the first maximize the template's own arrangement stands.
      if (!maximizedOnce) return;
      lineChars = kRestoredDisplayGeometry.lineChars;
      displayRows = kRestoredDisplayGeometry.displayRows;
      controls_.Show(kIdHiddenStatic, false);
      for (const Placement& move : RestoredPlacements()) controls_.Move(move.id, move.geometry);
      controls_.Show(kIdStayOnTop, true);
      return;
    case SizeKind::Minimized:
    case SizeKind::Other: return;
  }
}

void MonitorDialog::ShowAbout() { prompts_.ShowAbout(); }

}  // namespace lirosa
