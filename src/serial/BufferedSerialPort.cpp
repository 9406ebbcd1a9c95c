#include "serial/BufferedSerialPort.h"

#include <poll.h>
#include <pthread.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <system_error>
#include <utility>

#include "serial/PosixSerialPort.h"

namespace lirosa {

namespace {

// The most one read() asks for. A tty hands over at most its line
// discipline's 4095 bytes at a time anyway.
constexpr std::size_t kReadChunk = 64 * 1024;

}  // namespace

BufferedSerialPort::BufferedSerialPort(PosixSerialPort& port, std::size_t capacity)
    : port_(port), capacity_(std::max<std::size_t>(capacity, 1)) {}

BufferedSerialPort::~BufferedSerialPort() {
  Close();
  if (wakeFd_ >= 0) ::close(wakeFd_);
}

bool BufferedSerialPort::Open(const std::string& devicePath) {
  Close();
  if (wakeFd_ < 0) {
    wakeFd_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wakeFd_ < 0) {
      port_.SetLastError(errno);
      return false;
    }
  }
  if (!port_.Open(devicePath)) return false;
  {
    std::lock_guard lock(mutex_);
    if (!ring_) ring_.reset(new (std::nothrow) std::uint8_t[capacity_]);
    head_ = 0;
    size_ = 0;
    ForgetArrivals();
    readerError_ = 0;
    waitingForRoom_ = false;
    stopping_ = false;
  }
  chunk_.reset(new (std::nothrow) std::uint8_t[kReadChunk]);
  int error = ring_ && chunk_ ? 0 : ENOMEM;
  if (error == 0) {
    try {
      reader_ = std::thread(&BufferedSerialPort::ReaderLoop, this, port_.Descriptor());
      pthread_setname_np(reader_.native_handle(), "lirosa-reader");
    } catch (const std::system_error& failure) {
      error = failure.code().value();
    }
  }
  if (error == 0) return true;
  port_.Close();
  port_.SetLastError(error);
  return false;
}

bool BufferedSerialPort::IsOpen() const { return port_.IsOpen(); }

bool BufferedSerialPort::GetLineState(LineState& state) { return port_.GetLineState(state); }

bool BufferedSerialPort::SetLineState(const LineState& state) { return port_.SetLineState(state); }

bool BufferedSerialPort::SetTimeouts(const Timeouts& timeouts) {
  return port_.SetTimeouts(timeouts);
}

bool BufferedSerialPort::SetQueueSizes(std::size_t input, std::size_t output) {
  return port_.SetQueueSizes(input, output);
}

bool BufferedSerialPort::Discard() {
  // The driver first: a chunk the reader took from it before the flush is
  // then either in the buffer (cleared below) or still on its way, and the
  // new generation makes Store drop it.
  const bool flushed = port_.Discard();
  bool wake = false;
  {
    std::lock_guard lock(mutex_);
    head_ = 0;
    size_ = 0;
    ForgetArrivals();
    ++generation_;
    wake = std::exchange(waitingForRoom_, false);
  }
  if (wake) Wake();
  return flushed;
}

bool BufferedSerialPort::SetDtr(bool on) { return port_.SetDtr(on); }

int BufferedSerialPort::LastError() const { return port_.LastError(); }

void BufferedSerialPort::SetLastError(int error) { port_.SetLastError(error); }

long BufferedSerialPort::QueuedCount() {
  if (!port_.IsOpen()) return port_.QueuedCount();
  int error = 0;
  {
    std::lock_guard lock(mutex_);
    if (size_ > 0) return static_cast<long>(size_);
    error = readerError_;
  }
  return Failed(error);
}

long BufferedSerialPort::QueuedCountBy(std::int64_t ns) {
  if (!port_.IsOpen()) return port_.QueuedCount();
  int error = 0;
  {
    std::lock_guard lock(mutex_);
    if (size_ > 0) {
      std::uint64_t by = taken_;
      for (const Arrival& arrival : arrivals_) {
        if (arrival.ns > ns) break;
        by = arrival.end;
      }
      return static_cast<long>(std::min<std::uint64_t>(by - taken_, size_));
    }
    error = readerError_;
  }
  return Failed(error);
}

void BufferedSerialPort::ForgetArrivals() {
  arrivals_.clear();
  stored_ = 0;
  taken_ = 0;
}

long BufferedSerialPort::Read(std::uint8_t* buffer, std::size_t count) {
  if (!port_.IsOpen()) return port_.Read(buffer, count);
  std::size_t taken = 0;
  int error = 0;
  bool wake = false;
  {
    std::lock_guard lock(mutex_);
    taken = std::min(count, size_);
    const std::size_t first = std::min(taken, capacity_ - head_);
    std::memcpy(buffer, ring_.get() + head_, first);
    std::memcpy(buffer + first, ring_.get(), taken - first);
    head_ = (head_ + taken) % capacity_;
    size_ -= taken;
    taken_ += taken;
    while (!arrivals_.empty() && arrivals_.front().end <= taken_) arrivals_.pop_front();
    // A full buffer is refilled in large steps, not a chunk per Read.
    if (waitingForRoom_ && capacity_ - size_ >= std::min(kReadChunk, capacity_ / 2 + 1)) {
      waitingForRoom_ = false;
      wake = true;
    }
    error = readerError_;
  }
  if (wake) Wake();
  if (taken > 0 || count == 0) return static_cast<long>(taken);
  return Failed(error);
}

WriteResult BufferedSerialPort::Write(const std::uint8_t* data, std::size_t count) {
  return port_.Write(data, count);
}

void BufferedSerialPort::Close() {
  StopReader();
  port_.Close();
  std::lock_guard lock(mutex_);
  // Nothing read from a closed device is handed out, and the memory a
  // flood took goes back.
  ring_.reset();
  head_ = 0;
  size_ = 0;
  ForgetArrivals();
  readerError_ = 0;
  noticeArmed_ = false;
}

void BufferedSerialPort::SetInputNotice(std::function<void()> notice) {
  std::lock_guard lock(mutex_);
  inputNotice_ = std::move(notice);
  noticeArmed_ = false;
}

bool BufferedSerialPort::ArmInputNotice() {
  std::lock_guard lock(mutex_);
  // Only a running reader can notice anything; input or a loss already
  // here would never be announced.
  if (!inputNotice_ || !reader_.joinable() || size_ > 0 || readerError_ != 0) return false;
  noticeArmed_ = true;
  return true;
}

void BufferedSerialPort::GiveNotice() {
  if (std::exchange(noticeArmed_, false)) inputNotice_();
}

void BufferedSerialPort::StopReader() {
  if (!reader_.joinable()) return;
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  Wake();
  reader_.join();
}

long BufferedSerialPort::Failed(int error) {
  if (error == 0) return 0;
  port_.SetLastError(error);
  return -error;
}

void BufferedSerialPort::Wake() {
  const std::uint64_t one = 1;
  // The counter cannot overflow in any real run; a failed write would only
  // mean the thread is already awake.
  [[maybe_unused]] const ssize_t written = ::write(wakeFd_, &one, sizeof one);
}

void BufferedSerialPort::Store(const std::uint8_t* data, std::size_t count,
                               std::uint64_t generation) {
  std::lock_guard lock(mutex_);
  if (generation != generation_) return;
  // The thread asked for no more than the room it saw, and only Read and
  // Discard change the size meanwhile, both making room.
  const std::size_t tail = (head_ + size_) % capacity_;
  const std::size_t first = std::min(count, capacity_ - tail);
  std::memcpy(ring_.get() + tail, data, first);
  std::memcpy(ring_.get(), data + first, count - first);
  size_ += count;
  stored_ += count;
  const std::int64_t now = std::chrono::duration_cast<std::chrono::nanoseconds>(
                               std::chrono::steady_clock::now().time_since_epoch())
                               .count();
  arrivals_.push_back({stored_, now});
  GiveNotice();
}

void BufferedSerialPort::ReaderLoop(int fd) {
  auto stop = [this](int error) {
    std::lock_guard lock(mutex_);
    readerError_ = error;
    GiveNotice();
  };
  for (;;) {
    std::size_t room = 0;
    {
      std::lock_guard lock(mutex_);
      if (stopping_) return;
      room = capacity_ - size_;
      // With no room the descriptor is left unread, so the kernel's queue
      // fills and holds the sender back; Read wakes the thread when there
      // is room again.
      waitingForRoom_ = room == 0;
    }
    pollfd watch[2] = {{wakeFd_, POLLIN, 0}, {fd, POLLIN, 0}};
    const nfds_t watched = room == 0 ? 1 : 2;
    if (::poll(watch, watched, -1) < 0) {
      if (errno == EINTR) continue;
      stop(errno);
      return;
    }
    if (watch[0].revents != 0) {
      std::uint64_t count = 0;
      [[maybe_unused]] const ssize_t got = ::read(wakeFd_, &count, sizeof count);
      continue;
    }
    const short events = watched == 2 ? watch[1].revents : 0;
    if (events == 0) continue;
    if ((events & POLLNVAL) != 0) {
      stop(EBADF);
      return;
    }
    // Taken after the wait, which may be long: only a Discard between here
    // and Store can make these bytes stale.
    std::uint64_t generation = 0;
    {
      std::lock_guard lock(mutex_);
      generation = generation_;
      room = capacity_ - size_;
    }
    const ssize_t got = ::read(fd, chunk_.get(), std::min(room, kReadChunk));
    if (got > 0) {
      Store(chunk_.get(), static_cast<std::size_t>(got), generation);
      continue;
    }
    // With VMIN=1 an empty non-blocking read is EAGAIN; 0 is the hung-up
    // device, and so is a hang-up with nothing left to read.
    if (got == 0) {
      stop(EIO);
      return;
    }
    const int error = errno;
    if (error == EINTR) continue;
    if (error == EAGAIN || error == EWOULDBLOCK) {
      if ((events & (POLLHUP | POLLERR)) == 0) continue;
      stop(EIO);
      return;
    }
    stop(error);
    return;
  }
}

}  // namespace lirosa
