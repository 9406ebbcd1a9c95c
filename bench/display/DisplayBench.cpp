// What one received record costs the window when the traffic display has
// been filling for a long time: the cost per record around record 1 000 and
// around record 1 000 000, measured in one run, with auto-clear off (the
// display then keeps the newest text within its bound). The reference is a
// second, young display measured around its record 1 000 in turns that
// alternate with the old one's around its last, so that the ratio holds
// when the machine itself gets faster or slower during the run; the cost
// around record 1 000 at the start of the run is printed as well.
//
// Records go in through the window logic (rendering, time stamp, the display
// step) into the real window's traffic view, offscreen, built as the program
// builds it; after every batch the event loop runs, so the display lays out
// and paints as it does after a tick. Two views are measured, each in a
// process of its own so that their memory is told apart: the display widget
// the program uses, and the plain-text editor it used before.
//
//   display_bench [--records N] [--old-records N] [--batch B] [--window W]
//                 [--same-line] [--view cells|editor]

#include <stdlib.h>
#include <time.h>

#include <QApplication>
#include <QPlainTextEdit>
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "app/ControlIds.h"
#include "app/MonitorDialog.h"
#include "gui/DialogLook.h"
#include "gui/MonitorWindow.h"
#include "gui/QtDialogControls.h"
#include "gui/QtTrafficView.h"
#include "gui/QtWindowHost.h"
#include "gui/TrafficWidget.h"
#include "PlainTextTrafficView.h"
#include "support/Fakes.h"

namespace {

using Stopwatch = std::chrono::steady_clock;

constexpr double kTargetRatio = 1.2;
constexpr double kTargetStallMs = 16;
constexpr long kEarlyRecord = 1000;
constexpr long kLongRun = 20000;  // records in the long window, trims included

struct Options {
  long records = 1'000'000;
  long oldRecords = 0;  // for the editor; 0: as many as --records
  long batch = 10;
  long window = 1000;
  bool sameLine = false;
  std::string view;  // empty: both, each in a child process
};

bool Usage(const char* program) {
  std::fprintf(stderr,
               "usage: %s [--records N] [--old-records N] [--batch B] [--window W] "
               "[--same-line] [--view cells|editor]\n",
               program);
  return false;
}

bool ParseOptions(int argc, char** argv, Options& options) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--same-line") {
      options.sameLine = true;
      continue;
    }
    if (arg == "--view" && i + 1 < argc) {
      options.view = argv[++i];
      if (options.view != "cells" && options.view != "editor") return Usage(argv[0]);
      continue;
    }
    if ((arg == "--records" || arg == "--old-records" || arg == "--batch" || arg == "--window") &&
        i + 1 < argc) {
      char* end = nullptr;
      const long value = std::strtol(argv[++i], &end, 10);
      if (*end != '\0' || value <= 0) return Usage(argv[0]);
      (arg == "--records"       ? options.records
       : arg == "--old-records" ? options.oldRecords
       : arg == "--batch"       ? options.batch
                                : options.window) = value;
      continue;
    }
    return Usage(argv[0]);
  }
  if (options.oldRecords == 0) options.oldRecords = options.records;
  if (options.window % options.batch != 0 ||
      std::min(options.records, options.oldRecords) < 2 * kEarlyRecord ||
      std::min(options.records, options.oldRecords) < options.window) {
    std::fprintf(stderr, "the window must be whole batches, and --records at least %ld\n",
                 2 * kEarlyRecord);
    return false;
  }
  return true;
}

long StatusKib(const char* field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  const std::size_t length = std::strlen(field);
  while (std::getline(status, line)) {
    if (line.compare(0, length, field) == 0) return std::strtol(line.c_str() + length, nullptr, 10);
  }
  return -1;
}

// Per batch: the time from its first append to the end of the event-loop
// turn after it, and what the display held then.
struct Batch {
  double seconds = 0;
  double cpuSeconds = 0;  // this thread's CPU time: what other programs take is left out
  double appendCpuSeconds = 0;  // of which the appends, before the event loop ran
  std::size_t held = 0;
  bool trimmed = false;  // the view dropped its oldest text during the batch
};

struct Span {
  long first = 0;  // records, 1-based, inclusive
  long last = 0;
  double microsPerRecord = 0;
  double cpuMicrosPerRecord = 0;
  double appendMicrosPerRecord = 0;
  double worstBatchMs = 0;
  double medianCpuMicrosPerRecord = 0;  // of the batches: a preempted batch does not count
  int trims = 0;
  std::size_t held = 0;
};

// The records [first, last], which start and end on batch boundaries.
Span Summarize(const std::vector<Batch>& batches, long batch, long first, long last) {
  Span span{first, last, 0, 0, 0, 0, 0, 0, 0};
  std::vector<double> perBatch;
  double total = 0;
  double cpu = 0;
  double append = 0;
  for (long b = (first - 1) / batch; b < last / batch; ++b) {
    total += batches[b].seconds;
    cpu += batches[b].cpuSeconds;
    perBatch.push_back(batches[b].cpuSeconds);
    append += batches[b].appendCpuSeconds;
    span.worstBatchMs = std::max(span.worstBatchMs, batches[b].seconds * 1e3);
    if (batches[b].trimmed) ++span.trims;
    span.held = batches[b].held;
  }
  if (!perBatch.empty()) {
    const auto middle = perBatch.begin() + static_cast<std::ptrdiff_t>(perBatch.size() / 2);
    std::nth_element(perBatch.begin(), middle, perBatch.end());
    span.medianCpuMicrosPerRecord = *middle * 1e6 / static_cast<double>(batch);
  }
  span.microsPerRecord = total * 1e6 / static_cast<double>(last - first + 1);
  span.cpuMicrosPerRecord = cpu * 1e6 / static_cast<double>(last - first + 1);
  span.appendMicrosPerRecord = append * 1e6 / static_cast<double>(last - first + 1);
  return span;
}

// The first record of a window of `width` records centred on record
// `centre`, on batch boundaries, inside the run.
long WindowStart(long batch, long records, long centre, long width) {
  long first = centre - width / 2 + 1;
  first = ((first - 1) / batch) * batch + 1;
  first = std::clamp(first, 1L, records - width + 1);
  return ((first - 1) / batch) * batch + 1;
}

Span Around(const std::vector<Batch>& batches, long batch, long records, long centre,
            long width) {
  const long first = WindowStart(batch, records, centre, width);
  return Summarize(batches, batch, first, first + width - 1);
}

void PrintSpan(const std::string& label, const Span& span) {
  std::printf("%-22s %8ld-%-8ld %9.1f %9.1f %9.1f %9.1f %9.2f %6d %11zu\n", label.c_str(),
              span.first, span.last, span.appendMicrosPerRecord, span.cpuMicrosPerRecord,
              span.medianCpuMicrosPerRecord, span.microsPerRecord, span.worstBatchMs, span.trims,
              span.held);
}

double ThreadCpuSeconds() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// A window with its logic and a traffic view, set up as a long capture
// session would use it: auto-clear off, hex, time stamps.
struct Rig {
  Rig(bool editor, bool sameLine, const std::string& settings) {
    using namespace lirosa;
    if (editor) {
      // The editor in the display's place, set up as the program set it up.
      TrafficWidget& cells = window.TrafficDisplay();
      auto* edit = new QPlainTextEdit(&window);
      edit->setGeometry(cells.geometry());
      edit->setLineWrapMode(QPlainTextEdit::WidgetWidth);
      edit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
      edit->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
      edit->document()->setUndoRedoEnabled(false);
      cells.hide();
      shown = std::make_unique<PlainTextTrafficView>(*edit, PlainTextTrafficView::kDefaultCapacity,
                                                     PlainTextTrafficView::Updates::Deferred);
    } else {
      // As the program builds it.
      shown = std::make_unique<QtTrafficView>(window.TrafficDisplay());
    }
    logic = std::make_unique<MonitorDialog>(
        Platform{controls, prompts, *shown, port, clock, host, {}, settings});
    window.Attach(logic.get());
    // The tick does not run (nothing would pull them back from the boxes),
    // so the boxes only show them.
    logic->autoClear = 0;
    logic->hexDisplay = 1;
    logic->timeStamp = 1;
    logic->newLine = sameLine ? 0 : 1;
    logic->showSent = 0;
    controls.SetCheck(kIdAutoClear, logic->autoClear);
    controls.SetCheck(kIdHexDisplay, logic->hexDisplay);
    controls.SetCheck(kIdTimeStamp, logic->timeStamp);
    controls.SetCheck(kIdNewLine, logic->newLine);
    window.show();
    QCoreApplication::processEvents();
  }
  ~Rig() { window.Attach(nullptr); }

  // Records first..first+count-1 (a MODBUS answer to "read one holding
  // register", its value counting up), then the event-loop turn after them.
  Batch Append(long first, long count) {
    Batch batch;
    std::uint8_t frame[7] = {0x01, 0x03, 0x02, 0x00, 0x00, 0xB8, 0x44};
    const std::size_t before = shown->TextLength();
    const auto start = Stopwatch::now();
    const double cpuStart = ThreadCpuSeconds();
    for (long record = first; record < first + count; ++record) {
      frame[3] = static_cast<std::uint8_t>(record >> 8);
      frame[4] = static_cast<std::uint8_t>(record);
      logic->ShowReceived(frame, sizeof frame);
    }
    // The held records go into the document here at the latest; the
    // widget paints them in this turn, not at its next frame, so that
    // every turn is measured as if a frame were due.
    shown->TextLength();
    if (window.TrafficDisplay().isVisible()) window.TrafficDisplay().ShowNow();
    batch.appendCpuSeconds = ThreadCpuSeconds() - cpuStart;
    QCoreApplication::processEvents();
    batch.cpuSeconds = ThreadCpuSeconds() - cpuStart;
    batch.seconds = std::chrono::duration<double>(Stopwatch::now() - start).count();
    batch.held = shown->TextLength();
    // Appends only add: less text means the oldest was dropped.
    batch.trimmed = batch.held < before;
    return batch;
  }

  lirosa::MonitorWindow window;
  lirosa::QtDialogControls controls{window.Controls()};
  std::unique_ptr<lirosa::TrafficView> shown;
  lirosa::QtWindowHost host{window};
  lirosa::test::FakePrompts prompts;
  lirosa::test::FakeSerialPort port;
  lirosa::SystemClock clock;
  std::unique_ptr<lirosa::MonitorDialog> logic;
};

}  // namespace

// One view's run, in this process.
int RunView(Options options, int argc, char** argv) {
  using namespace lirosa;
  const bool editor = options.view == "editor";
  if (editor) options.records = options.oldRecords;
  std::string settings =
      (std::filesystem::temp_directory_path() / "lirosa-display-XXXXXX").string();
  if (mkdtemp(settings.data()) == nullptr) {
    std::perror("mkdtemp");
    return 1;
  }

  QApplication app(argc, argv);
  ApplyDialogLook(app);
  Rig rig(editor, options.sameLine, settings);
  const long rssStart = StatusKib("VmRSS:");
  // A second, young display of the same kind, filled while the first is
  // around its last records: its cost around record 1 000 is measured in
  // turns alternating with the first's, so that a machine that gets slower
  // or faster during the run moves both alike.
  const std::string youngSettings = settings + "/young";
  std::filesystem::create_directory(youngSettings);
  Rig youngRig(editor, options.sameLine, youngSettings);

  const long total = options.records + options.window / 2;
  const long batchCount = (total + options.batch - 1) / options.batch;
  std::vector<Batch> batches(static_cast<std::size_t>(batchCount));
  const long youngFirst = WindowStart(options.batch, total, kEarlyRecord, options.window);
  const long lateFirst = WindowStart(options.batch, total, options.records, options.window);
  std::vector<Batch> youngBatches;
  long youngNext = 1;
  long rssEarly = 0;
  std::fprintf(stderr, "appending %ld records, %ld per event-loop turn ...\n", total,
               options.batch);
  const auto runStart = Stopwatch::now();
  for (long b = 0; b < batchCount; ++b) {
    const long first = b * options.batch + 1;
    if (first == lateFirst) {
      while (youngNext < youngFirst) {  // not measured
        youngRig.Append(youngNext, options.batch);
        youngNext += options.batch;
      }
    }
    if (first >= lateFirst && youngNext < youngFirst + options.window) {
      youngBatches.push_back(youngRig.Append(youngNext, options.batch));
      youngNext += options.batch;
    }
    batches[b] = rig.Append(first, options.batch);
    if ((b + 1) * options.batch == kEarlyRecord + options.window / 2) rssEarly = StatusKib("VmRSS:");
  }
  // Elapsed, and this thread's CPU time: on a busy machine the first also
  // holds the time other programs had the processor.
  double worstMs = 0;
  double worstCpuMs = 0;
  std::size_t worstAt = 0, worstCpuAt = 0;
  double worstTrimCpuMs = 0;
  long trimTurns = 0;
  for (std::size_t b = 0; b < batches.size(); ++b) {
    const Batch& batch = batches[b];
    if (batch.seconds * 1e3 > worstMs) {
      worstMs = batch.seconds * 1e3;
      worstAt = b;
    }
    if (batch.cpuSeconds * 1e3 > worstCpuMs) {
      worstCpuMs = batch.cpuSeconds * 1e3;
      worstCpuAt = b;
    }
    if (batch.trimmed) {
      ++trimTurns;
      worstTrimCpuMs = std::max(worstTrimCpuMs, batch.cpuSeconds * 1e3);
    }
  }
  const double runSeconds = std::chrono::duration<double>(Stopwatch::now() - runStart).count();

  // A wider display (as when the window is maximized) breaks every line it
  // holds again: the event-loop turn that does it, and the one back.
  QWidget* display = rig.window.TrafficDisplay().isVisible()
                         ? static_cast<QWidget*>(&rig.window.TrafficDisplay())
                         : rig.window.findChild<QPlainTextEdit*>();
  double rewrapMs[2] = {0, 0};
  const QSize normal = display->size();
  for (int turn = 0; turn < 2; ++turn) {
    const auto start = Stopwatch::now();
    display->resize(turn == 0 ? QSize(normal.width() + 240, normal.height()) : normal);
    rig.shown->LineCount();
    QCoreApplication::processEvents();
    rewrapMs[turn] = std::chrono::duration<double>(Stopwatch::now() - start).count() * 1e3;
  }
  const long rssEnd = StatusKib("VmRSS:");
  const long rssPeak = StatusKib("VmHWM:");

  const Span early = Around(batches, options.batch, total, kEarlyRecord, options.window);
  const Span late = Around(batches, options.batch, total, options.records, options.window);
  Span young = Summarize(youngBatches, options.batch, 1, options.window);
  young.first = youngFirst;
  young.last = youngFirst + options.window - 1;
  const Span longRun = Around(batches, options.batch, total, options.records,
                              std::min(kLongRun, total - 2 * kEarlyRecord) / options.batch *
                                  options.batch);

  std::printf(
      "\nDisplay (%s): records through the window logic into the traffic view,\n"
      "offscreen (auto-clear off, hex, time stamps, %s; %ld records per event-loop\n"
      "turn, each turn's layout and paint included)\n\n",
      editor ? "the plain-text editor of before" : "the display widget",
      options.sameLine ? "records on one line" : "a line per record", options.batch);
  std::printf("%-22s %17s %9s %9s %9s %9s %9s %6s %11s\n", "around record", "records",
              "append us", "cpu us", "median us", "wall us", "worst ms", "trims", "chars held");
  PrintSpan("1 000", early);
  PrintSpan(std::to_string(options.records), late);
  PrintSpan("1 000, young display", young);
  PrintSpan(std::to_string(options.records) + " (long)", longRun);
  const double startRatio = late.cpuMicrosPerRecord / early.cpuMicrosPerRecord;
  const double ratio = late.cpuMicrosPerRecord / young.cpuMicrosPerRecord;
  const double medianRatio = late.medianCpuMicrosPerRecord / young.medianCpuMicrosPerRecord;
  std::printf("\nper record: append us, this thread's CPU time in the appends; cpu us, with\n"
              "the event-loop turns (layout, paint) as well; median us, the same for the median\n"
              "batch; wall us, elapsed. worst ms: the\n"
              "slowest batch; trims: batches in which the view dropped its oldest text;\n"
              "young display: a second one, around its record 1 000 in turns alternating with\n"
              "the first's around its last.\n");
  std::printf("\nratio around record %ld / a young display around record %ld, side by side: "
              "%.2f cpu (%.2f appends only, %.2f wall); target <= %.1f: %s\n",
              options.records, kEarlyRecord, ratio,
              late.appendMicrosPerRecord / young.appendMicrosPerRecord,
              late.microsPerRecord / young.microsPerRecord, kTargetRatio,
              ratio <= kTargetRatio ? "met" : "MISSED");
  std::printf("median batch, the same: %.2f cpu\n", medianRatio);
  std::printf("ratio around record %ld / around record %ld at the start of the run: %.2f cpu "
              "(the machine's drift during the run included)\n",
              options.records, kEarlyRecord, startRatio);
  std::printf("long window (%ld records, trims included) / around record %ld at the start: "
              "%.2f cpu\n",
              longRun.last - longRun.first + 1, kEarlyRecord,
              longRun.cpuMicrosPerRecord / early.cpuMicrosPerRecord);

  // How the cost goes along the run: the mean of each tenth of it.
  std::printf("\nalong the run, cpu us per record in each tenth:");
  const long tenth = total / 10 / options.batch * options.batch;
  for (int part = 0; part < 10 && tenth > 0; ++part) {
    const Span span = Summarize(batches, options.batch, part * tenth + 1, (part + 1) * tenth);
    std::printf(" %.0f", span.cpuMicrosPerRecord);
  }
  std::printf("\n");
  std::printf("VmRSS: %.1f MB at the start, %.1f MB after record %ld, %.1f MB at the end "
              "(peak %.1f MB)\n",
              rssStart / 1024.0, rssEarly / 1024.0, kEarlyRecord + options.window / 2,
              rssEnd / 1024.0, rssPeak / 1024.0);
  std::printf("%ld records in %.1f s; worst event-loop turn of the whole run %.1f ms elapsed, "
              "%.1f ms CPU\n",
              total, runSeconds, worstMs, worstCpuMs);
  // What made the worst turns: a wall time far above its CPU time is the
  // machine's other work, not the display's.
  auto describe = [&](std::size_t b) {
    const Batch& batch = batches[b];
    std::printf("  turn of records %ld-%ld: %.1f ms elapsed, %.1f ms CPU (%.1f in the appends), %s\n",
                static_cast<long>(b) * options.batch + 1,
                static_cast<long>(b + 1) * options.batch, batch.seconds * 1e3,
                batch.cpuSeconds * 1e3, batch.appendCpuSeconds * 1e3,
                batch.trimmed ? "oldest text dropped in it" : "no trim");
  };
  std::printf("worst turn by elapsed time, and by CPU time:\n");
  describe(worstAt);
  describe(worstCpuAt);
  std::printf("turns with a trim: %ld, the worst of them %.1f ms CPU\n", trimTurns, worstTrimCpuMs);
  std::printf("a display 240 px wider, with all of it held: %.1f ms, and back: %.1f ms\n",
              rewrapMs[0], rewrapMs[1]);
  // For the side-by-side table of the parent.
  std::printf("summary %s %ld %.2f %.2f %.2f %.2f %.1f %.1f %.1f %.1f %.1f\n",
              options.view.c_str(), options.records, young.cpuMicrosPerRecord,
              late.cpuMicrosPerRecord, ratio, medianRatio, worstMs, worstCpuMs, rssStart / 1024.0,
              rssEnd / 1024.0, rssPeak / 1024.0);
  std::fflush(stdout);

  std::error_code ignored;
  std::filesystem::remove_all(settings, ignored);
  return 0;
}

namespace {

struct Summary {
  std::string view;
  long records = 0;
  double early = 0, late = 0, ratio = 0, medianRatio = 0, worstMs = 0, worstCpuMs = 0,
         rssStart = 0, rssEnd = 0, rssPeak = 0;
  bool found = false;
};

// Runs this program again for one view, passing its output through, and
// picks up its summary line.
Summary RunChild(const std::string& self, const std::string& view, const Options& options) {
  const std::string command = "'" + self + "' --view " + view + " --records " +
                              std::to_string(options.records) + " --old-records " +
                              std::to_string(options.oldRecords) + " --batch " +
                              std::to_string(options.batch) + " --window " +
                              std::to_string(options.window) +
                              (options.sameLine ? " --same-line" : "");
  Summary summary;
  FILE* child = popen(command.c_str(), "r");
  if (child == nullptr) return summary;
  char line[512];
  while (std::fgets(line, sizeof line, child) != nullptr) {
    char name[32] = {};
    if (std::sscanf(line, "summary %31s %ld %lf %lf %lf %lf %lf %lf %lf %lf %lf", name,
                    &summary.records, &summary.early, &summary.late, &summary.ratio,
                    &summary.medianRatio, &summary.worstMs, &summary.worstCpuMs,
                    &summary.rssStart, &summary.rssEnd, &summary.rssPeak) == 11) {
      summary.view = name;
      summary.found = true;
      continue;
    }
    std::fputs(line, stdout);
  }
  std::fflush(stdout);
  if (pclose(child) != 0) summary.found = false;
  return summary;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!ParseOptions(argc, argv, options)) return 2;
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  if (!options.view.empty()) return RunView(options, argc, argv);

  const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
  const Summary cells = RunChild(self, "cells", options);
  const Summary editor = RunChild(self, "editor", options);
  if (!cells.found || !editor.found) {
    std::fprintf(stderr, "a view's run failed\n");
    return 1;
  }
  std::printf("\nSide by side (cpu us per record around the last record, and around record 1 000\n"
              "of a young display in alternating turns; worst: the slowest event-loop turn of\n"
              "the whole run, trims included)\n\n");
  std::printf("%-28s %9s %9s %9s %7s %7s %9s %9s %16s\n", "view", "records", "us @1e3",
              "us @last", "ratio", "median", "worst ms", "(cpu ms)", "RSS MB start-end");
  for (const Summary* each : {&cells, &editor}) {
    std::printf("%-28s %9ld %9.2f %9.2f %7.2f %7.2f %9.1f %9.1f %7.1f-%-7.1f\n",
                each == &cells ? "display widget (cells)" : "plain-text editor (before)",
                each->records, each->early, each->late, each->ratio, each->medianRatio,
                each->worstMs, each->worstCpuMs, each->rssStart, each->rssEnd);
  }
  std::printf("\ndisplay widget: ratio %.2f (median batch %.2f), target <= %.1f: %s; worst turn "
              "%.1f ms elapsed (%.1f ms CPU), target <= %.0f: %s; cost per record around the last %.1fx less than the "
              "editor's\n",
              cells.ratio, cells.medianRatio, kTargetRatio,
              cells.ratio <= kTargetRatio ? "met" : "MISSED",
              cells.worstMs, cells.worstCpuMs, kTargetStallMs,
              cells.worstMs <= kTargetStallMs ? "met" : "MISSED",
              editor.late / cells.late);
  return 0;
}
