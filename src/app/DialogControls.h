#pragma once

#include <string>
#include <vector>

namespace lirosa {

// A rectangle in client pixels of the main window: top-left corner and size.
struct Rect {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
  friend bool operator==(const Rect&, const Rect&) = default;
};

// One entry of a drop-down list: the text that data exchange reads and
// selects, an optional description shown beside it (a USB product name),
// and an optional short name for where the box is too narrow for the text
// (the kernel's name of a device reached by a long stable path).
struct ListEntry {
  std::string text;
  std::string description;
  std::string shortName = {};
  friend bool operator==(const ListEntry&, const ListEntry&) = default;
};

// The main window's controls, addressed by their numeric identifiers.
//
// Texts are UTF-8. Line breaks in multi-line edits are CR LF, as the request
// grammar expects. Reading an identifier the window does not have yields an
// empty text, state 0 or index -1; writing one does nothing. None of these
// calls raises a notification back into the window logic: notifications come
// only from the user.
class DialogControls {
 public:
  virtual ~DialogControls() = default;

  // Edit text, button caption or the text of a drop-down list's edit field.
  virtual std::string Text(int id) const = 0;
  virtual void SetText(int id, const std::string& text) = 0;

  // Check boxes and radio buttons: 0 clear, 1 checked, 2 indeterminate.
  virtual int Check(int id) const = 0;
  virtual void SetCheck(int id, int state) = 0;

  // Drop-down lists. The index is the selected entry's position, -1 when
  // nothing is selected; setting an index outside the list clears the
  // selection.
  virtual int ListIndex(int id) const = 0;
  virtual void SetListIndex(int id, int index) = 0;
  virtual std::vector<ListEntry> ListEntries(int id) const = 0;
  virtual void SetListEntries(int id, const std::vector<ListEntry>& entries) = 0;

  virtual void Enable(int id, bool enabled) = 0;
  virtual bool IsEnabled(int id) const = 0;
  virtual void Show(int id, bool visible) = 0;
  virtual bool IsVisible(int id) const = 0;

  // Position and size together, in client pixels.
  virtual void Move(int id, Rect geometry) = 0;
  virtual Rect Geometry(int id) const = 0;
};

}  // namespace lirosa
