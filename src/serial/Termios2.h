#pragma once

#include <cstdint>

namespace lirosa {

class SystemCalls;

// The part of a terminal's termios2 record that the serial port uses, as
// plain values. The kernel's own header clashes with <termios.h> and
// <pty.h>, so it stays inside Termios2.cpp.
struct Termios2Line {
  std::uint32_t speed = 9600;  // bit/s; the input speed follows it
  int characterSize = 8;       // 5..8
  bool parityEnable = false;   // PARENB
  bool parityOdd = false;      // PARODD
  bool parityStick = false;    // CMSPAR: the parity bit is 1 with PARODD, else 0
  bool twoStopBits = false;    // CSTOPB
  bool inputParityCheck = false;
  bool hardwareFlow = false;  // CRTSCTS
  bool xonOutput = false;     // IXON
  bool xonInput = false;      // IXOFF
  std::uint8_t startChar = 0x11;
  std::uint8_t stopChar = 0x13;
  friend bool operator==(const Termios2Line&, const Termios2Line&) = default;
};

// Reads the record of the terminal `fd` (TCGETS2). Returns 0 or the errno.
int ReadTermios2(SystemCalls& calls, int fd, Termios2Line& line);

// Puts the terminal in raw mode (no line editing, echo, signals, character
// translation or output processing), with CLOCAL|CREAD, VMIN=1/VTIME=0 and
// the values of `line`, in one TCSETS2. Everything else in the record (HUPCL
// among it) keeps its value. A speed with a kernel code is set by that code,
// any other by BOTHER; CIBAUD is cleared so input runs at the output speed.
// Returns 0 or the errno; a speed of 0 or a character size outside 5..8 is
// EINVAL (speed 0 would hang up the line).
int WriteTermios2(SystemCalls& calls, int fd, const Termios2Line& line);

}  // namespace lirosa
