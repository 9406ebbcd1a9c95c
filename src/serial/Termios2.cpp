// Only these two system headers: <asm/termbits.h> defines its own struct
// termios and clashes with <termios.h>.
#include <sys/ioctl.h>
#include <asm/termbits.h>

#include "serial/Termios2.h"
#include "serial/SystemCalls.h"

#include <cerrno>

namespace lirosa {
namespace {

struct SpeedCode {
  std::uint32_t speed;
  tcflag_t code;
};

constexpr SpeedCode kSpeedCodes[] = {
    {50, B50},           {75, B75},           {110, B110},         {134, B134},
    {150, B150},         {200, B200},         {300, B300},         {600, B600},
    {1200, B1200},       {1800, B1800},       {2400, B2400},       {4800, B4800},
    {9600, B9600},       {19200, B19200},     {38400, B38400},     {57600, B57600},
    {115200, B115200},   {230400, B230400},   {460800, B460800},   {500000, B500000},
    {576000, B576000},   {921600, B921600},   {1000000, B1000000}, {1152000, B1152000},
    {1500000, B1500000}, {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000},
    {3500000, B3500000}, {4000000, B4000000},
};

tcflag_t CodeForSpeed(std::uint32_t speed) {
  for (const SpeedCode& entry : kSpeedCodes) {
    if (entry.speed == speed) return entry.code;
  }
  return BOTHER;
}

std::uint32_t SpeedOf(const termios2& record) {
  const tcflag_t code = record.c_cflag & CBAUD;
  if (code == BOTHER) return record.c_ospeed;
  for (const SpeedCode& entry : kSpeedCodes) {
    if (entry.code == code) return entry.speed;
  }
  // B0 (hung up) or a code this table does not know: the kernel keeps the
  // numeric speed next to the code.
  return record.c_ospeed;
}

int CharacterSizeOf(tcflag_t cflag) {
  switch (cflag & CSIZE) {
    case CS5:
      return 5;
    case CS6:
      return 6;
    case CS7:
      return 7;
    default:
      return 8;
  }
}

tcflag_t CharacterSizeFlag(int size) {
  switch (size) {
    case 5:
      return CS5;
    case 6:
      return CS6;
    case 7:
      return CS7;
    default:
      return CS8;
  }
}

void SetFlag(tcflag_t& flags, tcflag_t bit, bool on) {
  if (on) {
    flags |= bit;
  } else {
    flags &= ~bit;
  }
}

int GetRecord(SystemCalls& calls, int fd, termios2& record) {
  if (calls.Ioctl(fd, TCGETS2, &record) != 0) return errno;
  return 0;
}

}  // namespace

int ReadTermios2(SystemCalls& calls, int fd, Termios2Line& line) {
  termios2 record{};
  if (const int error = GetRecord(calls, fd, record)) return error;
  line.speed = SpeedOf(record);
  line.characterSize = CharacterSizeOf(record.c_cflag);
  line.parityEnable = (record.c_cflag & PARENB) != 0;
  line.parityOdd = (record.c_cflag & PARODD) != 0;
  line.parityStick = (record.c_cflag & CMSPAR) != 0;
  line.twoStopBits = (record.c_cflag & CSTOPB) != 0;
  line.inputParityCheck = (record.c_iflag & INPCK) != 0;
  line.hardwareFlow = (record.c_cflag & CRTSCTS) != 0;
  line.xonOutput = (record.c_iflag & IXON) != 0;
  line.xonInput = (record.c_iflag & IXOFF) != 0;
  line.startChar = record.c_cc[VSTART];
  line.stopChar = record.c_cc[VSTOP];
  return 0;
}

int WriteTermios2(SystemCalls& calls, int fd, const Termios2Line& line) {
  if (line.speed == 0 || line.characterSize < 5 || line.characterSize > 8) {
    return EINVAL;
  }
  termios2 record{};
  if (const int error = GetRecord(calls, fd, record)) return error;

  record.c_iflag &= ~(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IUCLC | IXANY |
                      IMAXBEL | IGNPAR);
  SetFlag(record.c_iflag, INPCK, line.inputParityCheck);
  SetFlag(record.c_iflag, IXON, line.xonOutput);
  SetFlag(record.c_iflag, IXOFF, line.xonInput);
  record.c_oflag &= ~OPOST;
  record.c_lflag &= ~(ECHO | ECHONL | ICANON | ISIG | IEXTEN);

  record.c_cflag &= ~(CBAUD | CIBAUD | CSIZE | CSTOPB | PARENB | PARODD | CMSPAR | CRTSCTS);
  record.c_cflag |=
      CLOCAL | CREAD | CodeForSpeed(line.speed) | CharacterSizeFlag(line.characterSize);
  SetFlag(record.c_cflag, CSTOPB, line.twoStopBits);
  SetFlag(record.c_cflag, PARENB, line.parityEnable);
  SetFlag(record.c_cflag, PARODD, line.parityOdd);
  SetFlag(record.c_cflag, CMSPAR, line.parityStick);
  SetFlag(record.c_cflag, CRTSCTS, line.hardwareFlow);
  record.c_ospeed = line.speed;
  record.c_ispeed = line.speed;

  // With O_NONBLOCK, VMIN=1 makes an empty queue read as EAGAIN, so that a
  // read of 0 bytes can only mean the device has gone.
  record.c_cc[VMIN] = 1;
  record.c_cc[VTIME] = 0;
  record.c_cc[VSTART] = line.startChar;
  record.c_cc[VSTOP] = line.stopChar;

  if (calls.Ioctl(fd, TCSETS2, &record) != 0) return errno;
  return 0;
}

}  // namespace lirosa
