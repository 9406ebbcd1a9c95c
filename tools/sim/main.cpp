// lirosa-sim: plays a serial device on a pseudo-terminal for the end-to-end
// tests, the benchmarks and the demo. See SimUsage (or --help) for the
// command line and README.md beside this file for the output formats.

#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

#include "PortLink.h"
#include "PtyEndpoint.h"
#include "SimDevice.h"
#include "SimLog.h"
#include "SimLoop.h"
#include "SimOptions.h"

namespace {

volatile std::sig_atomic_t gStopSignal = 0;

extern "C" void OnStopSignal(int signal) {
  gStopSignal = signal;
}

constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP};

// Blocks the stop signals (the loop unblocks them only while it waits) and
// returns the mask to wait with.
sigset_t InstallStopSignals() {
  sigset_t stops;
  sigemptyset(&stops);
  for (int signal : kStopSignals) {
    sigaddset(&stops, signal);
  }
  sigset_t waitMask;
  sigprocmask(SIG_BLOCK, &stops, &waitMask);
  for (int signal : kStopSignals) {
    sigdelset(&waitMask, signal);
  }

  struct sigaction action {};
  action.sa_handler = OnStopSignal;
  sigemptyset(&action.sa_mask);
  for (int signal : kStopSignals) {
    sigaction(signal, &action, nullptr);
  }
  // A reader of stdout that has gone must not kill the device.
  std::signal(SIGPIPE, SIG_IGN);
  return waitMask;
}

int Fail(const std::string& reason) {
  std::fprintf(stderr, "lirosa-sim: %s\n", reason.c_str());
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace lirosa::sim;

  SimOptions options;
  if (auto error = ParseSimOptions(std::vector<std::string>(argv + 1, argv + argc), options); !error.empty()) {
    std::fprintf(stderr, "lirosa-sim: %s\nTry 'lirosa-sim --help'.\n", error.c_str());
    return 2;
  }
  if (options.help) {
    std::fputs(SimUsage(), stdout);
    return 0;
  }
  if (options.version) {
    std::printf("lirosa-sim %s\n", LIROSA_VERSION);
    return 0;
  }

  const sigset_t waitMask = InstallStopSignals();

  std::string error;
  SimLog log;
  if (!options.logPath.empty() && !log.Open(options.logPath, error)) {
    return Fail(error);
  }
  PtyEndpoint pty;
  if (!pty.Create(error)) {
    return Fail(error);
  }
  PortLink link;
  if (!options.linkPath.empty() && !link.Create(options.linkPath, pty.PortPath(), error)) {
    return Fail(error);
  }

  // The first line is the whole contract with whoever started us: once it
  // is out, the port (and the link) can be opened.
  std::printf("%s\n", pty.PortPath().c_str());
  std::fflush(stdout);

  auto device = MakeSimDevice(options);
  SimLoop loop(pty, *device, log, stdout);
  return loop.Run(gStopSignal, waitMask, options.exitWhenDone);
}
