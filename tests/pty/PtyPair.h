#pragma once

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace lirosa::test {

using Millis = std::chrono::milliseconds;
constexpr Millis kDeadline{2000};

// Asks `done` until it says yes or `timeout` has passed; returns its last
// answer. Bytes cross a pty a few milliseconds after they are written.
template <typename Done>
bool WaitUntil(Done done, Millis timeout = kDeadline) {
  const auto end = std::chrono::steady_clock::now() + timeout;
  while (!done()) {
    if (std::chrono::steady_clock::now() >= end) return false;
    ::poll(nullptr, 0, 1);
  }
  return true;
}

// A fresh pseudo-terminal pair. The master plays the device at the far end;
// the port under test opens the slave by its path. The slave descriptor of
// openpty stays open so the test can read the line settings through it.
class PtyPair {
 public:
  PtyPair() {
    if (::openpty(&master_, &slave_, nullptr, nullptr, nullptr) != 0) return;
    char name[128] = {};
    if (::ttyname_r(slave_, name, sizeof name) == 0) path_ = name;
    ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
    ::fcntl(master_, F_SETFD, FD_CLOEXEC);
    ::fcntl(slave_, F_SETFD, FD_CLOEXEC);
  }
  ~PtyPair() {
    CloseMaster();
    if (slave_ >= 0) ::close(slave_);
  }
  PtyPair(const PtyPair&) = delete;
  PtyPair& operator=(const PtyPair&) = delete;

  bool ok() const { return master_ >= 0 && slave_ >= 0 && !path_.empty(); }
  int master() const { return master_; }
  int slave() const { return slave_; }
  const std::string& path() const { return path_; }

  // Hangs up the slave side, as an unplugged adapter does.
  void CloseMaster() {
    if (master_ >= 0) ::close(master_);
    master_ = -1;
  }

  // Writes every byte at the far end within the deadline.
  bool Send(const std::vector<std::uint8_t>& bytes) {
    std::size_t sent = 0;
    WaitUntil([&] {
      const ssize_t n = ::write(master_, bytes.data() + sent, bytes.size() - sent);
      if (n > 0) sent += static_cast<std::size_t>(n);
      return sent == bytes.size() || (n < 0 && errno != EAGAIN && errno != EINTR);
    });
    return sent == bytes.size();
  }

  // What arrives at the far end, up to `count` bytes or the deadline.
  std::vector<std::uint8_t> Receive(std::size_t count) {
    std::vector<std::uint8_t> bytes(count);
    std::size_t got = 0;
    WaitUntil([&] {
      const ssize_t n = ::read(master_, bytes.data() + got, count - got);
      if (n > 0) got += static_cast<std::size_t>(n);
      return got == count || (n < 0 && errno != EAGAIN && errno != EINTR);
    });
    bytes.resize(got);
    return bytes;
  }

 private:
  int master_ = -1;
  int slave_ = -1;
  std::string path_;
};

}  // namespace lirosa::test
