#pragma once

#include <map>
#include <string>
#include <vector>

#include "app/DialogControls.h"

namespace lirosa::test {

// Controls held in memory, created on first use. The four line lists come
// with their entries; SetText on a drop-down list stands for typed text.
class FakeControls final : public DialogControls {
 public:
  struct State {
    std::string text;
    int check = 0;
    int index = -1;
    std::vector<ListEntry> entries;
    bool enabled = true;
    bool visible = true;
    Rect geometry;
  };

  FakeControls();

  std::string Text(int id) const override;
  void SetText(int id, const std::string& text) override;
  int Check(int id) const override { return Get(id).check; }
  void SetCheck(int id, int state) override { At(id).check = state; }
  int ListIndex(int id) const override { return Get(id).index; }
  void SetListIndex(int id, int index) override;
  std::vector<ListEntry> ListEntries(int id) const override { return Get(id).entries; }
  void SetListEntries(int id, const std::vector<ListEntry>& entries) override;
  void Enable(int id, bool enabled) override { At(id).enabled = enabled; }
  bool IsEnabled(int id) const override { return Get(id).enabled; }
  void Show(int id, bool visible) override { At(id).visible = visible; }
  bool IsVisible(int id) const override { return Get(id).visible; }
  void Move(int id, Rect geometry) override;
  Rect Geometry(int id) const override { return Get(id).geometry; }

  // Every Move in order, for layout tests.
  std::vector<int> moves;

  State& At(int id) { return controls_[id]; }
  const State& Get(int id) const;

 private:
  std::map<int, State> controls_;
};

}  // namespace lirosa::test
