#include "app/MonitorDialog.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <variant>

#include "app/ControlIds.h"
#include "app/LineLists.h"
#include "transmit/HexText.h"

namespace lirosa {

namespace {

constexpr const char* kIntegerMessage = "请键入一个整数。";

// A numeric box holds a signed decimal integer, optionally surrounded by
// blanks; anything else (empty, letters, out of range) is not one.
bool ParseDialogInt(const std::string& text, int& value) {
  std::size_t i = 0;
  auto blank = [&](std::size_t at) { return text[at] == ' ' || text[at] == '\t'; };
  while (i < text.size() && blank(i)) ++i;
  std::size_t start = i;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  std::size_t digits = i;
  while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i;
  if (i == digits) return false;
  std::size_t end = i;
  while (i < text.size() && blank(i)) ++i;
  if (i != text.size()) return false;
  errno = 0;
  std::string number = text.substr(start, end - start);
  long long parsed = std::strtoll(number.c_str(), nullptr, 10);
  if (errno == ERANGE || parsed < INT_MIN || parsed > INT_MAX) return false;
  value = static_cast<int>(parsed);
  return true;
}

bool StartsWithNoCase(const std::string& text, const std::string& prefix) {
  if (prefix.size() > text.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
    if (lower(text[i]) != lower(prefix[i])) return false;
  }
  return true;
}

// The baud box: the selected entry's index; else a typed number, as the
// index of its entry when the list has it, as itself when it is a rate above
// the last index; anything else is no selection (-1).
int PullBaudChoice(const DialogControls& controls, int id) {
  const int index = controls.ListIndex(id);
  if (index >= 0) return index;
  int typed = 0;
  if (!ParseDialogInt(controls.Text(id), typed)) return -1;
  const auto listed = std::find(kBaudRates.begin(), kBaudRates.end(), static_cast<std::uint32_t>(typed));
  if (typed > 0 && listed != kBaudRates.end()) return static_cast<int>(listed - kBaudRates.begin());
  return typed > kLastBaudIndex ? typed : -1;
}

void PushBaudChoice(DialogControls& controls, int id, int choice) {
  if (choice > kLastBaudIndex) {
    const auto listed =
        std::find(kBaudRates.begin(), kBaudRates.end(), static_cast<std::uint32_t>(choice));
    if (listed != kBaudRates.end()) {
      controls.SetListIndex(id, static_cast<int>(listed - kBaudRates.begin()));
    } else {
      controls.SetText(id, std::to_string(choice));
    }
    return;
  }
  // An index outside the list shows no selection and no typed text, so the
  // next pull reads -1.
  if (choice < 0) controls.SetText(id, {});
  controls.SetListIndex(id, choice);
}

}  // namespace

// ---- Bindings --------------------------------------------------------------

namespace {

// BaudChoice: a list index, or a typed rate the list lacks (above the last
// index).
enum class BindKind { ListIndex, BaudChoice, ListText, Text, Check, Integer };

struct Binding {
  int id;
  BindKind kind;
  std::variant<int*, std::string*> member;
};

}  // namespace

MonitorDialog::MonitorDialog(const Platform& platform)
    : controls_(platform.controls),
      prompts_(platform.prompts),
      view_(platform.view),
      port_(platform.port),
      clock_(platform.clock),
      window_(platform.window),
      listPorts_(platform.listPorts),
      deviceWatch_(platform.deviceWatch),
      sysRoot_(platform.sysRoot),
      devRoot_(platform.devRoot) {
  settingsDirectory = platform.settingsDirectory;
  rxFrame.chunk.reserve(kChunkSize);
  rxFrame.frame.reserve(kFrameSize);
  port_.SetInputNotice([&window = window_] { window.PostWake(); });
}

MonitorDialog::~MonitorDialog() { port_.SetInputNotice({}); }

// The fixed order of data exchange; PushControls writes in the same order.
static std::vector<Binding> BindingsOf(MonitorDialog& d) {
  auto& s = d.slots;
  return {
      {kIdBaudList, BindKind::BaudChoice, &d.portSettings.baudIndex},
      {kIdDataBitsList, BindKind::ListIndex, &d.portSettings.dataBitsIndex},
      {kIdParityList, BindKind::ListIndex, &d.portSettings.parityIndex},
      {kIdStopBitsList, BindKind::ListIndex, &d.portSettings.stopBitsIndex},
      {kIdPortList, BindKind::ListText, &d.portSettings.portName},
      {kIdCaptureFileName, BindKind::Text, &d.captureFileName},
      {kIdRequest1, BindKind::Text, &s[0].text},
      {kIdRequest2, BindKind::Text, &s[1].text},
      {kIdRequest3, BindKind::Text, &s[2].text},
      {kIdHex1, BindKind::Check, &s[0].hexForm},
      {kIdHex2, BindKind::Check, &s[1].hexForm},
      {kIdHex3, BindKind::Check, &s[2].hexForm},
      {kIdCyclePeriod, BindKind::Integer, &d.cycle.periodMs},
      {kIdPeriod1, BindKind::Integer, &s[0].periodMs},
      {kIdPeriod2, BindKind::Integer, &s[1].periodMs},
      {kIdPeriod3, BindKind::Integer, &s[2].periodMs},
      {kIdAuto2, BindKind::Check, &s[1].autoSend},
      {kIdAuto3, BindKind::Check, &s[2].autoSend},
      {kIdAuto1, BindKind::Check, &s[0].autoSend},
      {kIdRepeat1, BindKind::Check, &s[0].inAllRequests},
      {kIdRepeat3, BindKind::Check, &s[2].inAllRequests},
      {kIdRepeat2, BindKind::Check, &s[1].inAllRequests},
      {kIdKeywordFilter, BindKind::Check, &d.keywordFilter},
      {kIdNewLine, BindKind::Check, &d.newLine},
      {kIdKeyword, BindKind::Text, &d.keyword},
      {kIdTimeStamp, BindKind::Check, &d.timeStamp},
      {kIdHexDisplay, BindKind::Check, &d.hexDisplay},
      {kIdAutoClear, BindKind::Check, &d.autoClear},
      {kIdResponseTimeout, BindKind::Integer, &d.cycle.responseTimeoutS},
      {kIdRetryLimit, BindKind::Integer, &d.cycle.maxRetries},
      {kIdShowSent, BindKind::Check, &d.showSent},
      {kIdSendOnce, BindKind::Check, &d.cycle.sendOnce},
  };
}

bool MonitorDialog::PullControls() {
  for (const Binding& b : BindingsOf(*this)) {
    switch (b.kind) {
      case BindKind::ListIndex:
        *std::get<int*>(b.member) = controls_.ListIndex(b.id);
        break;
      case BindKind::BaudChoice:
        *std::get<int*>(b.member) = PullBaudChoice(controls_, b.id);
        break;
      case BindKind::ListText:
      case BindKind::Text:
        *std::get<std::string*>(b.member) = controls_.Text(b.id);
        break;
      case BindKind::Check:
        *std::get<int*>(b.member) = controls_.Check(b.id);
        break;
      case BindKind::Integer: {
        int value = 0;
        if (!ParseDialogInt(controls_.Text(b.id), value)) {
          // Inside a tick the same bad box would otherwise be reported a
          // hundred times a second; tell the user once, keep the last good
          // value, and tell again only after it has been good once more.
          bool repeat = tickDepth_ > 0 && pullFailedId_ == b.id;
          pullFailedId_ = b.id;
          if (!repeat) ReportMessage(kIntegerMessage);
          return false;
        }
        *std::get<int*>(b.member) = value;
        break;
      }
    }
  }
  pullFailedId_ = 0;
  return true;
}

void MonitorDialog::PushControls() {
  for (const Binding& b : BindingsOf(*this)) {
    switch (b.kind) {
      case BindKind::ListIndex:
        controls_.SetListIndex(b.id, *std::get<int*>(b.member));
        break;
      case BindKind::BaudChoice:
        PushBaudChoice(controls_, b.id, *std::get<int*>(b.member));
        break;
      case BindKind::ListText: {
        // A COMn name selects the first entry that begins with it. A stored
        // device path must match an entry exactly: /dev/ttyUSB1 must never
        // open /dev/ttyUSB10. One the list lacks (a pseudo-terminal, an
        // absent adapter) is added and shown, and fails to open if absent.
        const std::string& name = *std::get<std::string*>(b.member);
        std::vector<ListEntry> entries = controls_.ListEntries(b.id);
        const bool path = !name.empty() && name.front() == '/';
        auto found = std::find_if(entries.begin(), entries.end(), [&](const ListEntry& e) {
          return path ? e.text == name : StartsWithNoCase(e.text, name);
        });
        if (found != entries.end()) {
          controls_.SetListIndex(b.id, static_cast<int>(found - entries.begin()));
        } else if (!name.empty() && name.front() == '/') {
          entries.push_back({name, {}});
          controls_.SetListEntries(b.id, entries);
          controls_.SetListIndex(b.id, static_cast<int>(entries.size()) - 1);
        }
        break;
      }
      case BindKind::Text:
        controls_.SetText(b.id, *std::get<std::string*>(b.member));
        break;
      case BindKind::Check: {
        int state = *std::get<int*>(b.member);
        controls_.SetCheck(b.id, state >= 0 && state <= 2 ? state : 0);
        break;
      }
      case BindKind::Integer:
        controls_.SetText(b.id, std::to_string(*std::get<int*>(b.member)));
        break;
    }
  }
}

// ---- Start-up and the end of the window --------------------------------------

void MonitorDialog::InitDialog() {
  // Start values.
  portSettings = {"COM1", 3, 2, 0, 0};
  portOpen = false;
  for (RequestSlot& slot : slots) {
    slot.hexForm = 1;
    slot.periodMs = 1000;
    slot.autoTickCount = 0;
    slot.checksumArea.clear();
  }
  cycle.periodMs = 1000;
  allRequests = {};
  displayActive = true;
  hexDisplay = 1;
  capturing = false;
  counters = {};
  rxFrame.idleTicks = 0;
  rxFrame.frameIdle = true;
  txActivity = false;
  rxActivity = false;
  stayOnTop = false;

  controls_.SetListEntries(kIdPortList, PortEntries());
  WatchDevices();

  PushControls();
  LoadSettings();
  PushControls();

  controls_.Enable(kIdPeriod1, false);
  controls_.Enable(kIdCyclePeriod, false);
  controls_.Enable(kIdPeriod2, false);
  controls_.Enable(kIdPeriod3, false);
  controls_.SetCheck(kIdPacingPeriodic, 1);
  controls_.Enable(kIdCyclePeriod, true);
  // Periodic pacing is selected, so the response boxes start disabled, as
  // clicking its radio would leave them.
  controls_.Enable(kIdResponseTimeout, false);
  controls_.Enable(kIdRetryLimit, false);

  window_.SetStayOnTop(false);
  window_.StartTimers();
  view_.SetDefaultColour(kSentColour);
  TogglePort();
}

void MonitorDialog::OnClose() {
  Wake();
  lostDevice.waiting = false;
  if (portOpen) {
    ClosePort();
    portOpen = false;
  }
  SaveSettings();
  window_.EndDialog();
}

void MonitorDialog::OnTerminate() {
  terminating_ = true;
  pending_.clear();
  // A numeric box that holds no number stops the pull after the port and
  // the requests, which is all the settings files keep.
  OnClose();
}

void MonitorDialog::OnOk() {
  Wake();
  window_.EndDialog();
}

void MonitorDialog::OnCancel() {
  Wake();
  window_.EndDialog();
}

void MonitorDialog::OnSysCommand(int command) {
  Wake();
  if ((command & 0xFFF0) == kSysCommandAbout) ShowAbout();
}

void MonitorDialog::OnSize(SizeKind kind, int width, int height) {
  Wake();
  ApplyLayout(kind, width, height);
}

// ---- The message table -----------------------------------------------------------

bool MonitorDialog::OnCommand(int id, Notification notification) {
  Wake();
  if (notification == Notification::SelectionChanged) {
    switch (id) {
      case kIdPortList:
        OnPortListChange();
        return true;
      case kIdBaudList:
      case kIdDataBitsList:
      case kIdParityList:
      case kIdStopBitsList:
        OnLineListChange();
        return true;
      default:
        return false;
    }
  }
  switch (id) {
    case kIdOpenClose: TogglePort(); return true;
    case kIdSend1: SendRequest(1); return true;
    case kIdSend2: SendRequest(2); return true;
    case kIdSend3: SendRequest(3); return true;
    case kIdClear1: ClearRequest(1); return true;
    case kIdClear2: ClearRequest(2); return true;
    case kIdClear3: ClearRequest(3); return true;
    case kIdClearDisplay: ClearDisplay(); return true;
    case kIdChecksum1: AppendChecksum(1); return true;
    case kIdChecksum2: AppendChecksum(2); return true;
    case kIdChecksum3: AppendChecksum(3); return true;
    case kIdAuto1: OnAutoBox(1); return true;
    case kIdAuto2: OnAutoBox(2); return true;
    case kIdAuto3: OnAutoBox(3); return true;
    case kIdRepeat1: OnRepeatBox(1); return true;
    case kIdRepeat2: OnRepeatBox(2); return true;
    case kIdRepeat3: OnRepeatBox(3); return true;
    case kIdPacingPeriodic: OnPacingPeriodic(); return true;
    case kIdPacingResponse: OnPacingResponseDriven(); return true;
    case kIdSendOnce: OnSendOnce(); return true;
    case kIdAllRequests: ToggleAllRequests(); return true;
    case kIdChooseSendFile: ChooseSendFile(); return true;
    case kIdFileCycling: ToggleFileCycling(); return true;
    case kIdCapture: ToggleCapture(); return true;
    case kIdChooseCaptureFile: ChooseCaptureFile(); return true;
    case kIdPauseDisplay: ToggleDisplay(); return true;
    case kIdResetCounters: ResetCounters(); return true;
    case kIdNoAction: return true;
    case kIdTrafficView: return true;  // a click in the display: answered, nothing else
    case kIdStayOnTop: ToggleStayOnTop(); return true;
    default: return false;
  }
}

// ---- Ticks -------------------------------------------------------------------------

void MonitorDialog::OnTimer(int timerId) {
  // A tick that comes at all means the timers run.
  resting_ = false;
  if (timerId == kLineTimerId && tickDepth_ == 0) {
    takenThisRound_ = 0;
    polledThisRound_ = 0;
    const std::int64_t now = clock_.MonotonicNs();
    // The ticks before this one, less half a period for a timer that
    // fires a little early or late.
    if (Batching()) ReplayTicks(now - kLineTimerMs * 1'000'000 / 2);
    lastLineTickNs_ = now;
  }
  TimerTick(timerId);
  // The lamp tick ends a round: the line tick comes first.
  if (timerId == kLampTimerId) RestIfQuiet();
}

void MonitorDialog::RestIfQuiet() {
  if (resting_ || tickDepth_ > 0) return;
  // A box waiting to be shown, a file being read through in slices or a
  // lost device that is back but would not open yet needs every tick.
  if (!pending_.empty() || fileLines.Building() || lostDevice.retryOpen) {
    StopBatching();
    return;
  }
  if (portOpen) {
    // Nothing under way that counts ticks or waits for time to pass.
    bool counting = allRequests.running || fileJob.running;
    for (const RequestSlot& slot : slots) counting = counting || slot.autoSend != 0;
    if (counting) {
      StopBatching();
      return;
    }
  }
  // Only receiving from here on, if anything. The lamps show what they
  // will show on the next tick too; an open frame ends by counting silent
  // ticks; and the port must be able to say when input comes (and have none
  // yet).
  const bool lampsQuiet = lampsShown_ && !txActivity && !rxActivity &&
                          shownLamps_ == LampFrame{portOpen, false, false};
  const bool frameOpen = !rxFrame.frameIdle || !rxFrame.frame.empty();
  if (lampsQuiet && (!portOpen || (!frameOpen && port_.ArmInputNotice()))) {
    StopBatching();
    resting_ = window_.PauseTimers();
    if (resting_) return;
  }
  if (!portOpen) {
    StopBatching();
    return;
  }
  const int ticks = BatchLength(takenThisRound_, std::max(polledThisRound_, 1), BatchTicksNow());
  if (ticks <= 1) {
    StopBatching();
    return;
  }
  if (ticks == batchTicks_ || !port_.StampsArrivals()) return;
  batchTicks_ = window_.BatchTicks(ticks) ? ticks : 1;
}

int BatchLength(std::size_t taken, int polled, int current) {
  // Ticks of this rate that bring less than a batch may take, with a
  // quarter to spare when growing: a rate near a bound must not move the
  // length to and fro, each move setting the timers again.
  auto longest = [&](std::size_t spare) {
    int ticks = kBatchTicks;
    while (ticks > 1 && taken * static_cast<std::size_t>(ticks) * (4 + spare) >=
                            kMaxReadPerBatch * 4 * static_cast<std::size_t>(polled)) {
      --ticks;
    }
    return ticks;
  };
  const int fits = longest(0);
  if (fits < current) return fits;
  return std::max(current, longest(1));
}

void MonitorDialog::StopBatching() {
  if (!Batching()) return;
  batchTicks_ = 1;
  window_.BatchTicks(1);
}

void MonitorDialog::ReplayTicks(std::int64_t until) {
  constexpr std::int64_t kPeriodNs = std::int64_t{kLineTimerMs} * 1'000'000;
  ++tickDepth_;
  replaying_ = true;
  // Only a receive poll: nothing else runs while batching, and the controls
  // cannot have changed, as every change ends the batch first.
  for (std::int64_t at = lastLineTickNs_ + kPeriodNs; at <= until && portOpen; at += kPeriodNs) {
    lastLineTickNs_ = at;
    pollBy_ = true;
    pollByNs_ = at;
    PollReceive();
    pollBy_ = false;
  }
  replaying_ = false;
  ShowDueCounters();
  --tickDepth_;
  if (!pending_.empty()) SchedulePendingMessages();
}

void MonitorDialog::Wake() {
  if (Batching()) {
    // The ticks whose time has come are run now, as they would have been;
    // the next comes on the beat, and every one from then on.
    if (tickDepth_ == 0) ReplayTicks(clock_.MonotonicNs());
    StopBatching();
    return;
  }
  if (!resting_) return;
  resting_ = false;
  const std::int64_t skipped = window_.ResumeTimers();
  // Each skipped line tick was an empty poll: only the count of silent
  // ticks, which decides where the next frame ends, moved on. (While the
  // port is closed the line tick does nothing at all.)
  if (portOpen && skipped > 0) {
    rxFrame.idleTicks =
        static_cast<int>((rxFrame.idleTicks + skipped % kFrameEndIdleTicks) % kFrameEndIdleTicks);
  }
}

void MonitorDialog::TimerTick(int timerId) {
  if (tickDepth_ > 0) return;  // a tick never runs inside another tick
  ++tickDepth_;
  if (timerId == kLineTimerId) {
    ContinueFileIndex();
    LineTick();
  }
  if (timerId == kLampTimerId) DrawLamps();
  --tickDepth_;
  if (!pending_.empty()) SchedulePendingMessages();
}

void MonitorDialog::LineTick() {
  if (!portOpen) {
    if (lostDevice.retryOpen && ++lostDevice.retryTicks >= kReconnectRetryTicks) {
      lostDevice.retryTicks = 0;
      TryReconnect();
    }
    return;
  }
  for (int id : {kIdPeriod3, kIdPeriod2, kIdPeriod1, kIdCyclePeriod}) {
    if (controls_.Text(id).size() < 2) controls_.SetText(id, "10");
  }
  PullControls();
  for (RequestSlot& slot : slots) {
    if (slot.hexForm) slot.text = UpperCase(std::move(slot.text));
  }
  // Any step may lose the device; the rest of the tick then leaves it alone.
  StepFileCycling();
  if (!portOpen) return;
  StepAutoSends();
  if (!portOpen) return;
  StepRotation();
  if (!portOpen) return;
  PollReceive();
}

// ---- Messages ----------------------------------------------------------------------

void MonitorDialog::ReportMessage(const std::string& text) { Report(MessageKind::Plain, text); }

void MonitorDialog::ReportFileError(const std::string& text) { Report(MessageKind::FileError, text); }

void MonitorDialog::Report(MessageKind kind, const std::string& text) {
  if (terminating_) return;
  auto same = [&](const std::string& t) { return t == text; };
  if (std::any_of(openBoxes_.begin(), openBoxes_.end(), same)) return;
  if (tickDepth_ > 0) {
    bool queued = std::any_of(pending_.begin(), pending_.end(),
                              [&](const PendingMessage& m) { return m.text == text; });
    if (!queued) pending_.push_back({kind, text});
    return;
  }
  ShowNow(kind, text);
}

void MonitorDialog::ShowNow(MessageKind kind, const std::string& text) {
  openBoxes_.push_back(text);
  switch (kind) {
    case MessageKind::Plain:
      prompts_.Message(text);
      break;
    case MessageKind::FileError:
      prompts_.StopMessage(text);
      break;
  }
  auto open = std::find(openBoxes_.begin(), openBoxes_.end(), text);
  if (open != openBoxes_.end()) openBoxes_.erase(open);
}

void MonitorDialog::SchedulePendingMessages() {
  // A box already open shows the rest when it closes.
  if (showPosted_ || flushing_) return;
  if (window_.PostShowMessages()) {
    showPosted_ = true;
    return;
  }
  FlushPendingMessages();
}

void MonitorDialog::ShowPendingMessages() {
  showPosted_ = false;
  // Should it come inside a tick after all, that tick's end posts again.
  FlushPendingMessages();
}

void MonitorDialog::FlushPendingMessages() {
  // Boxes shown here are modal and let ticks run; those ticks queue their
  // own messages, which this loop then shows one after the other.
  if (flushing_ || tickDepth_ > 0) return;
  flushing_ = true;
  while (!pending_.empty() && !terminating_) {
    PendingMessage next = std::move(pending_.front());
    pending_.erase(pending_.begin());
    if (std::find(openBoxes_.begin(), openBoxes_.end(), next.text) != openBoxes_.end()) continue;
    ShowNow(next.kind, next.text);
  }
  flushing_ = false;
}

}  // namespace lirosa
