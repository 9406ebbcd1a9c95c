#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace lirosa::sim {

// The device's end of a pseudo-terminal: the master side, non-blocking.
//
// The simulator holds no descriptor of the port (the slave) while it runs.
// That is what lets it see the far end: while nobody has the port open the
// master polls as hung up and reads fail with EIO, which here only means
// "not open yet" or "closed for now" — the port can be opened again at any
// time. Create opens and closes the port once so that this holds from the
// start (a port never opened reads as merely empty).
class PtyEndpoint {
 public:
  enum class Io { Ok, WouldBlock, FarEndClosed, Failed };

  PtyEndpoint() = default;
  ~PtyEndpoint();
  PtyEndpoint(const PtyEndpoint&) = delete;
  PtyEndpoint& operator=(const PtyEndpoint&) = delete;

  // Creates the pair and sets the port to raw 8-bit mode (no echo, no line
  // editing, no CR/LF translation), so nothing the device sends comes back
  // before the far end configures the port itself. On failure returns false
  // with a reason in `error` and holds nothing.
  bool Create(std::string& error);

  int MasterFd() const { return master_; }
  // The path to give the terminal program, e.g. /dev/pts/3.
  const std::string& PortPath() const { return portPath_; }

  // Whether someone has the port open now (polls without waiting).
  bool FarEndOpen() const;

  // Reads what is waiting, at most `capacity` bytes, into `got`. EINTR is
  // retried; WouldBlock when nothing is there; FarEndClosed when nobody
  // has the port open; Failed with errno kept for anything else.
  Io Read(std::uint8_t* buffer, std::size_t capacity, std::size_t& got);
  // Writes what the pty takes now (possibly part), the count in `accepted`.
  Io Write(const std::uint8_t* data, std::size_t count, std::size_t& accepted);

  // Bytes the far end has not read yet, found through a descriptor of the
  // port opened for the question; negative errno when that is not possible
  // (an exclusive holder, for example).
  long FarEndUnread() const;

 private:
  int master_ = -1;
  std::string portPath_;
};

}  // namespace lirosa::sim
