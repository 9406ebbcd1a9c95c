#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

#include "app/Clock.h"
#include "app/DialogControls.h"
#include "app/Prompts.h"
#include "app/WindowHost.h"
#include "display/TrafficView.h"
#include "serial/DeviceWatch.h"
#include "serial/SerialPort.h"
#include "transmit/LineIndex.h"

namespace lirosa {

inline constexpr const char* kAppTitle = "Lirosa4.5";

inline constexpr std::size_t kChunkSize = 1024;         // at most read per poll
inline constexpr std::size_t kFrameSize = 4096;         // a frame holds at most 4095 bytes
inline constexpr std::size_t kSendBufferSize = 4096;
inline constexpr std::size_t kChecksumBufferSize = 1024;
inline constexpr int kAutoSendTickMs = 14;  // credited per tick to auto sends and file cycling
inline constexpr int kCycleTickMs = 10;     // credited per tick to the periodic rotation
inline constexpr int kFrameEndIdleTicks = 4;
// Bytes taken from the driver in one tick at most. The driver is emptied
// chunk by chunk so a fast line is never throttled to one chunk a tick, but
// a flood must not keep the window from its other events: 64 KiB a tick is
// more than 6 MB/s at the 10 ms tick, far beyond any serial line, while the
// work of one tick stays bounded. What is left waits for the next tick.
inline constexpr std::size_t kMaxReadPerTick = 64 * 1024;
// While the window only receives, its timers fire once every this many
// line periods at most (ten times a second, as often as a reader needs the
// display to move) and the ticks in between are replayed. A batch holds
// fewer ticks on a line that would bring kMaxReadPerBatch in that time, so
// that the work of one firing stays bounded to that of two ticks at their
// most; a line too fast for two ticks a batch is taken every tick.
inline constexpr int kBatchTicks = 10;
inline constexpr std::size_t kMaxReadPerBatch = 2 * kMaxReadPerTick;
// Ticks a batch holds on a line whose last firing took `taken` bytes in
// `polled` ticks, while `current` ticks make one now (1: every tick).
int BatchLength(std::size_t taken, int polled, int current);
// Line ticks between two tries of a lost device that is back but would not
// open yet.
inline constexpr int kReconnectRetryTicks = 20;

// Line parameters as list positions (not line values) plus the port name.
struct PortSettings {
  std::string portName;
  int baudIndex = 0;
  int dataBitsIndex = 0;
  int parityIndex = 0;
  int stopBitsIndex = 0;
  friend bool operator==(const PortSettings&, const PortSettings&) = default;
};

// One of the three requests.
struct RequestSlot {
  std::string text;  // UTF-8, line breaks as CR LF
  int hexForm = 0;
  int autoSend = 0;
  int periodMs = 0;
  int inAllRequests = 0;
  int autoTickCount = 0;
  std::vector<std::uint8_t> checksumArea;  // the request decoded for the checksum tool
};

enum class PacingMode { Periodic = 0, ResponseDriven = 1 };

struct CycleSettings {
  int periodMs = 0;
  PacingMode pacingMode = PacingMode::Periodic;
  int responseTimeoutS = 5;
  int maxRetries = 1;
  int sendOnce = 0;
};

struct AllRequestsCycle {
  bool running = false;
  int index = 0;  // slot reached last, 0 = none yet
  int cycleTickCount = 0;
};

// Shared by the rotation and file cycling, which never run together.
struct ResponseWait {
  bool awaitingResponse = false;
  std::time_t lastSendTime = 0;
  int retryCount = 0;
};

struct FileSendJob {
  std::string path;
  bool running = false;
  int lineCount = 0;
  int nextLine = 1;  // 1-based
  int tickCount = 0;
  // The chosen file is still being read through: lineCount is not known yet.
  bool counting = false;
  // A step found the file changed and waits until it has been read through.
  bool stepOwed = false;
};

// Running totals since start-up or the last reset; 64-bit so a long day of
// traffic never wraps them.
struct TrafficCounters {
  std::int64_t requestsSent = 0;
  std::int64_t sentBytes = 0;
  std::int64_t receivedFrames = 0;
  std::int64_t receivedBytes = 0;
};

struct RxFrame {
  std::vector<std::uint8_t> chunk;  // bytes of the latest poll
  std::vector<std::uint8_t> frame;  // bytes of the frame being gathered
  int idleTicks = 0;
  bool frameIdle = false;
};

// Which of the three kinds of traffic record is being emitted.
enum class RecordKind { Received, RequestEcho, FileLine };

// Control notifications that reach the window logic.
enum class Notification { Clicked, SelectionChanged };

// Window size kinds, as the toolkit reports a size change.
enum class SizeKind { Restored = 0, Minimized = 1, Maximized = 2, Other = 3 };

// Everything outside the window logic, passed in so that tests can stand in
// for each part.
struct Platform {
  DialogControls& controls;
  Prompts& prompts;
  TrafficView& view;
  SerialPort& port;
  Clock& clock;
  WindowHost& window;
  // Serial devices found on this machine, offered after COM1 ... COM20.
  std::function<std::vector<ListEntry>()> listPorts;
  // Folder of set.log and data.log; empty means the per-user folder.
  std::string settingsDirectory;
  // Tells of devices coming and going; none means the list is refreshed
  // only when it is opened, and a lost device is reopened only by the user.
  DeviceWatch* deviceWatch = nullptr;
  // The device tree: sysfs (consoles) and the device folder (COMn names,
  // stable names). Tests point both at folders of their own.
  std::string sysRoot = "/sys";
  std::string devRoot = "/dev";
};

// A device that went away while open, waited for until it comes back at the
// same path or under the same stable name.
struct LostDevice {
  bool waiting = false;
  std::string path;        // the path that was open
  std::string stableName;  // its /dev/serial/by-id name then, or empty
  std::string nodeFolder;  // the folder of the node the path led to
  bool retryOpen = false;  // it is there but did not open yet
  int retryTicks = 0;
};

// The main window: its state and every handler of its message table.
//
// All operations run on one thread, one at a time, as the toolkit delivers
// events. A modal prompt opened by a button handler lets timer ticks run
// meanwhile; a message raised inside a tick is shown after that tick. The
// operations are defined in the folder of their subsystem (serial/,
// display/, transmit/, checksum/, shell/); this folder holds start-up, data
// exchange, dispatch, the tick and the settings files.
class MonitorDialog {
 public:
  explicit MonitorDialog(const Platform& platform);
  ~MonitorDialog();
  MonitorDialog(const MonitorDialog&) = delete;
  MonitorDialog& operator=(const MonitorDialog&) = delete;

  // ---- Window events, delivered by the toolkit -----------------------------
  void InitDialog();
  // The message table: one control notification to its handler. Returns
  // false when the table has no entry for it.
  bool OnCommand(int id, Notification notification);
  void OnClose();   // title-bar close
  // SIGTERM, SIGINT: closes as OnClose does, but no box may wait for a
  // click, so whatever would be reported from here on is dropped; what can
  // be saved is saved.
  void OnTerminate();
  void OnOk();      // the dialog's OK: ends without saving (Enter never sends it)
  void OnCancel();  // Esc: ends without saving
  void OnTimer(int timerId);
  void OnSize(SizeKind kind, int width, int height);
  void OnSysCommand(int command);

  // An idle window costs nothing: once a round of ticks finds nothing to do
  // and nothing under way (RestIfQuiet), the timers stop until something
  // can change. Every event above wakes them, and so must the window for a
  // control whose content changes and the port for its input (PostWake).
  // The ticks skipped meanwhile are accounted as empty polls, so frames end
  // exactly as if the timers had run all along.
  //
  // A window that only receives (nothing sends, cycles, reads a file or
  // waits for a box) is woken once every BatchLength periods instead, if
  // the port stamps arrivals and the host can batch: the line ticks in
  // between are replayed first, each taking only the bytes that had
  // arrived by its time, so frames end on the same ticks as with every
  // tick run. Wake ends a batch the same way and returns to every tick.
  void Wake();
  bool Resting() const { return resting_; }
  bool Batching() const { return batchTicks_ > 1; }
  int BatchTicksNow() const { return batchTicks_; }

  // ---- Data exchange (app/) --------------------------------------------------
  // Reads every bound control into its member in the fixed order; stops at
  // the first numeric box that is not a whole number, after reporting it.
  bool PullControls();
  void PushControls();

  // ---- Settings (app/) -------------------------------------------------------
  void LoadSettings();
  bool SaveSettings();
  std::string SettingsDirectory() const { return settingsDirectory; }

  // ---- Port session (serial/) -------------------------------------------------
  int OpenPort();
  int ClosePort();
  void TogglePort();
  void OnPortListChange();
  // Enter in the port list's typed text: that name becomes the port, opened.
  void OnPortNameEntered();
  void OnLineListChange();
  // The device went away under us: close as a port change does, tell once,
  // and wait for it to come back.
  void HandleDeviceGone();
  // Devices came or went (the device watch): refreshes the port list and
  // reopens a lost device that is back, with the same line settings.
  void OnDevicesChanged();
  // The port list is about to open: it shows the devices there are now,
  // keeping the selection or the typed text.
  void RefreshPortList();
  // Device path for a port name: COMn is <devRoot>/ttyS(n-1), a bare name
  // is <devRoot>/name, a path is itself.
  static std::string DevicePath(const std::string& portName, const std::string& devRoot = "/dev");

  // ---- Tick (app/) -------------------------------------------------------------
  void TimerTick(int timerId);

  // ---- Receive polling (serial/) -------------------------------------------
  std::size_t ReadPortChunk();
  void PollReceive();
  void EndFrame();
  static bool ContainsKeyword(const std::uint8_t* data, std::size_t n, const std::uint8_t* key,
                              std::size_t k);

  // ---- Traffic display (display/) ------------------------------------------
  std::string RenderBytes(const std::uint8_t* bytes, std::size_t length) const;
  void ShowReceived(const std::uint8_t* bytes, std::size_t length);
  void EchoSent(const std::uint8_t* bytes, std::size_t length);
  // Shows and captures one record as its kind's rules say.
  void EmitRecord(RecordKind kind, const std::string& dataText);
  // The display step; returns the text with time stamp and tag in front.
  std::string AppendRecord(const std::string& text, const std::string& tag, Colour colour);
  void ClearDisplay();

  // ---- Capture (display/) --------------------------------------------------
  void ToggleCapture();
  void ChooseCaptureFile();
  void CaptureRecord(const std::string& text);

  // ---- Pause and counters (display/) -----------------------------------------
  void ToggleDisplay();
  void ResetCounters();
  void ShowCounter(int id, std::int64_t value);
  void ShowDueCounters();

  // ---- Request slots and sending (transmit/) ---------------------------------
  void SendRequest(int slot);
  void ClearRequest(int slot);
  // The write loop shared by requests and file lines; returns the bytes the
  // port accepted.
  std::size_t WriteToPort(const std::uint8_t* data, std::size_t count);

  // ---- Cyclic sending (transmit/) --------------------------------------------
  void OnAutoBox(int slot);
  void OnRepeatBox(int slot);
  void OnPacingPeriodic();
  void OnPacingResponseDriven();
  void OnSendOnce();
  void ToggleAllRequests();
  void StepAllRequests();
  void StepAutoSends();
  void StepRotation();

  // ---- File sending (transmit/) ----------------------------------------------
  void ChooseSendFile();
  void ToggleFileCycling();
  void StepFileCycling();
  void SendNextFileLine();
  // Reads the next slice of the file being indexed, on every line tick
  // whether the port is open or not; shows the line count once known.
  void ContinueFileIndex();

  // ---- Checksum tool (checksum/) ---------------------------------------------
  void AppendChecksum(int slot);

  // ---- Window shell (shell/) -------------------------------------------------
  void DrawLamps();
  void ToggleStayOnTop();
  void ApplyLayout(SizeKind kind, int width, int height);
  void ShowAbout();

  // ---- Messages ----------------------------------------------------------------
  // The program's own message (no icon) and a file error (stop icon). Inside
  // a tick they wait until the tick has returned (WindowHost::
  // PostShowMessages); a message whose box is open or that is waiting
  // already is not added again.
  void ReportMessage(const std::string& text);
  void ReportFileError(const std::string& text);
  // Shows the messages ticks left waiting, one box after the other.
  void ShowPendingMessages();

  // ---- Window state ------------------------------------------------------------
  PortSettings portSettings;
  bool portOpen = false;
  LostDevice lostDevice;
  std::array<RequestSlot, 3> slots;
  CycleSettings cycle;
  AllRequestsCycle allRequests;
  ResponseWait responseWait;
  FileSendJob fileJob;
  // Line starts of fileJob.path, so that a step reads its one line without
  // scanning the file from the top; rebuilt whenever the file changes.
  LineIndex fileLines;
  bool displayActive = true;
  int hexDisplay = 1;
  int autoClear = 1;
  int timeStamp = 0;
  int newLine = 0;
  int showSent = 0;
  int keywordFilter = 0;
  std::string keyword;
  int displayRows = 15;
  int lineChars = 84;
  bool maximizedOnce = false;
  bool capturing = false;
  std::string captureFileName = "data.txt";
  TrafficCounters counters;
  RxFrame rxFrame;
  bool txActivity = false;
  bool rxActivity = false;
  bool stayOnTop = false;
  std::string settingsDirectory;
  // A port named on the command line: opened at start-up instead of the
  // stored one (the other stored values stay).
  std::string startPort;

 private:
  enum class MessageKind { Plain, FileError };
  struct PendingMessage {
    MessageKind kind;
    std::string text;
  };
  void ShowNow(MessageKind kind, const std::string& text);
  void Report(MessageKind kind, const std::string& text);
  void FlushPendingMessages();
  void SchedulePendingMessages();
  void LineTick();
  void RestIfQuiet();
  // Replays, as receive polls, the line ticks due from the last one run up
  // to `until`.
  void ReplayTicks(std::int64_t until);
  void StopBatching();
  // Opens and configures `devicePath` with portSettings; on failure the
  // device is released and `failure` holds the message to show.
  bool OpenDevice(const std::string& devicePath, std::string& failure);
  void RememberOpenDevice(const std::string& devicePath);
  void TryReconnect();
  void StopWaitingForDevice();
  void WatchDevices();
  std::vector<ListEntry> PortEntries() const;

  DialogControls& controls_;
  Prompts& prompts_;
  TrafficView& view_;
  SerialPort& port_;
  Clock& clock_;
  WindowHost& window_;
  std::function<std::vector<ListEntry>()> listPorts_;
  DeviceWatch* deviceWatch_;
  std::string sysRoot_;
  std::string devRoot_;

  int tickDepth_ = 0;
  bool flushing_ = false;
  bool showPosted_ = false;  // ShowPendingMessages is on its way
  bool terminating_ = false;  // OnTerminate: no more boxes
  std::vector<PendingMessage> pending_;
  std::vector<std::string> openBoxes_;
  // A numeric box that failed in a tick's pull is reported once, until it
  // reads as a number again.
  int pullFailedId_ = 0;
  // The lamps as last painted: an idle window repaints nothing.
  LampFrame shownLamps_;
  bool lampsShown_ = false;
  bool resting_ = false;  // the timers are paused
  int batchTicks_ = 1;  // the timers fire once every this many periods
  std::int64_t lastLineTickNs_ = 0;  // when the last line tick ran, or stood
  std::size_t takenThisRound_ = 0;   // bytes the last firing's line ticks read
  int polledThisRound_ = 0;           // and how many line ticks polled
  bool replaying_ = false;  // ticks of a batch are being replayed
  bool framesShownDue_ = false;
  bool bytesShownDue_ = false;
  // Set while a replayed tick polls: only bytes that had arrived by then.
  std::int64_t pollByNs_ = 0;
  bool pollBy_ = false;
};

}  // namespace lirosa
