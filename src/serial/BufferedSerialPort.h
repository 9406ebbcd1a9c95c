#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "serial/SerialPort.h"

namespace lirosa {

class PosixSerialPort;

// A POSIX serial port whose input is drained by a thread of its own.
//
// The driver's input queue holds only 4095 bytes, so a reader that empties
// it once per 10 ms tick tops out near 400 KB/s: a faster device is
// throttled (pseudo-terminal) or overruns its UART. Here a reader thread
// sleeps in poll() on the descriptor and moves whatever arrives into a
// buffer of kCapacity bytes; QueuedCount and Read serve the window from that
// buffer, at whatever pace its ticks keep.
//
// When the buffer is full the thread stops reading until there is room
// again, so the kernel's queue fills and the sender is held back (a pseudo-
// terminal throttles its writer; a UART without flow control overruns in the
// driver) instead of bytes being dropped in here.
//
// A device that goes away (read of 0 or an error, hang-up) stops the thread;
// the loss is reported by QueuedCount and Read only once every byte read
// before it has been delivered.
//
// Each store is stamped with the time the reader took it from the device
// (steady clock), so that QueuedCountBy can tell what had arrived by a tick
// that the window replays instead of running it on time.
//
// Threads: the reader thread only reads the descriptor and fills the
// buffer. Everything else, configuration and writes included, runs on the
// caller's thread and passes through to the wrapped port. Close stops and
// joins the thread before the descriptor is closed.
class BufferedSerialPort final : public SerialPort {
 public:
  // 8 MiB: several seconds of a full-speed USB device while the window is
  // busy, and far more than any serial line fills between two ticks.
  static constexpr std::size_t kCapacity = 8 * 1024 * 1024;

  // `port` must outlive this object and is used only through it.
  explicit BufferedSerialPort(PosixSerialPort& port, std::size_t capacity = kCapacity);
  ~BufferedSerialPort() override;
  BufferedSerialPort(const BufferedSerialPort&) = delete;
  BufferedSerialPort& operator=(const BufferedSerialPort&) = delete;

  // Opens the wrapped port and starts the reader. Fails as the wrapped port
  // does, or with the errno of starting the reader (the device is then
  // closed again).
  bool Open(const std::string& devicePath) override;
  bool IsOpen() const override;

  bool GetLineState(LineState& state) override;
  bool SetLineState(const LineState& state) override;
  bool SetTimeouts(const Timeouts& timeouts) override;
  bool SetQueueSizes(std::size_t input, std::size_t output) override;
  // Empties the buffer and the driver's queues; bytes the reader is moving
  // at that moment are dropped as well.
  bool Discard() override;
  bool SetDtr(bool on) override;

  int LastError() const override;
  void SetLastError(int error) override;

  // Bytes in the buffer; when it is empty and the reader has stopped on an
  // error, that error (negative).
  long QueuedCount() override;
  bool StampsArrivals() const override { return true; }
  long QueuedCountBy(std::int64_t ns) override;
  // Takes up to `count` bytes from the buffer; 0 when it is empty, or the
  // reader's error as QueuedCount gives it.
  long Read(std::uint8_t* buffer, std::size_t count) override;
  WriteResult Write(const std::uint8_t* data, std::size_t count) override;

  void Close() override;

  // The notice is called on the reader thread, with the buffer locked: it
  // must only hand the news on (post an event), never call back in here.
  void SetInputNotice(std::function<void()> notice) override;
  bool ArmInputNotice() override;

 private:
  void StopReader();
  void ReaderLoop(int fd);
  // Appends bytes the reader took, unless a Discard came since `generation`.
  void Store(const std::uint8_t* data, std::size_t count, std::uint64_t generation);
  // 0 for no error; else records it as the last error and returns it negated.
  long Failed(int error);
  // With mutex_ held: gives the armed notice, if any.
  void GiveNotice();
  void Wake();
  // With mutex_ held: forgets every arrival, the buffer being empty.
  void ForgetArrivals();

  PosixSerialPort& port_;
  const std::size_t capacity_;
  std::thread reader_;
  int wakeFd_ = -1;                        // eventfd: stop requested, or room made in a full buffer
  std::unique_ptr<std::uint8_t[]> chunk_;  // the reader thread's own

  // Guarded by mutex_.
  std::mutex mutex_;
  std::unique_ptr<std::uint8_t[]> ring_;
  std::size_t head_ = 0;  // oldest byte
  std::size_t size_ = 0;
  std::uint64_t generation_ = 0;  // counts Discards
  int readerError_ = 0;           // why the reader stopped, once it has
  // One entry per store not yet read through: the running count of bytes
  // stored up to its end, and when it came.
  struct Arrival {
    std::uint64_t end = 0;
    std::int64_t ns = 0;
  };
  std::deque<Arrival> arrivals_;
  std::uint64_t stored_ = 0;  // bytes stored since the buffer was last emptied
  std::uint64_t taken_ = 0;   // of those, bytes read
  bool waitingForRoom_ = false;
  bool stopping_ = false;
  std::function<void()> inputNotice_;
  bool noticeArmed_ = false;
};

}  // namespace lirosa
