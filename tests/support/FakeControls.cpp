#include "support/FakeControls.h"

#include "app/ControlIds.h"
#include "app/LineLists.h"

namespace lirosa::test {

namespace {

template <typename Array>
std::vector<ListEntry> Entries(const Array& texts) {
  std::vector<ListEntry> entries;
  for (const char* text : texts) entries.push_back({text, {}});
  return entries;
}

bool IsList(int id) {
  return id == kIdPortList || id == kIdBaudList || id == kIdDataBitsList || id == kIdParityList ||
         id == kIdStopBitsList;
}

}  // namespace

FakeControls::FakeControls() {
  controls_[kIdBaudList].entries = Entries(kBaudEntries);
  controls_[kIdDataBitsList].entries = Entries(kDataBitsEntries);
  controls_[kIdParityList].entries = Entries(kParityEntries);
  controls_[kIdStopBitsList].entries = Entries(kStopBitsEntries);
}

const FakeControls::State& FakeControls::Get(int id) const {
  static const State kEmpty;
  auto found = controls_.find(id);
  return found == controls_.end() ? kEmpty : found->second;
}

std::string FakeControls::Text(int id) const {
  const State& state = Get(id);
  if (IsList(id) && state.index >= 0 && state.index < static_cast<int>(state.entries.size())) {
    return state.entries[static_cast<std::size_t>(state.index)].text;
  }
  return state.text;
}

void FakeControls::SetText(int id, const std::string& text) {
  State& state = At(id);
  state.text = text;
  if (IsList(id)) state.index = -1;
}

void FakeControls::SetListIndex(int id, int index) {
  State& state = At(id);
  state.index = (index >= 0 && index < static_cast<int>(state.entries.size())) ? index : -1;
}

void FakeControls::SetListEntries(int id, const std::vector<ListEntry>& entries) {
  State& state = At(id);
  state.entries = entries;
  if (state.index >= static_cast<int>(entries.size())) state.index = -1;
}

void FakeControls::Move(int id, Rect geometry) {
  At(id).geometry = geometry;
  moves.push_back(id);
}

}  // namespace lirosa::test
