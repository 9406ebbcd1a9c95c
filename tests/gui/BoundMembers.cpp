#include "BoundMembers.h"

namespace lirosa::test {

BoundMembers ReadBound(const MonitorDialog& d) {
  BoundMembers b;
  b.port = d.portSettings;
  for (std::size_t i = 0; i < 3; ++i) {
    const RequestSlot& s = d.slots[i];
    b.texts[i] = s.text;
    b.hex[i] = s.hexForm;
    b.autoSend[i] = s.autoSend;
    b.period[i] = s.periodMs;
    b.inAll[i] = s.inAllRequests;
  }
  b.cyclePeriod = d.cycle.periodMs;
  b.timeout = d.cycle.responseTimeoutS;
  b.retries = d.cycle.maxRetries;
  b.once = d.cycle.sendOnce;
  b.filter = d.keywordFilter;
  b.newLine = d.newLine;
  b.stamp = d.timeStamp;
  b.hexDisplay = d.hexDisplay;
  b.autoClear = d.autoClear;
  b.showSent = d.showSent;
  b.keyword = d.keyword;
  b.captureFile = d.captureFileName;
  return b;
}

void WriteBound(MonitorDialog& d, const BoundMembers& b) {
  d.portSettings = b.port;
  for (std::size_t i = 0; i < 3; ++i) {
    RequestSlot& s = d.slots[i];
    s.text = b.texts[i];
    s.hexForm = b.hex[i];
    s.autoSend = b.autoSend[i];
    s.periodMs = b.period[i];
    s.inAllRequests = b.inAll[i];
  }
  d.cycle.periodMs = b.cyclePeriod;
  d.cycle.responseTimeoutS = b.timeout;
  d.cycle.maxRetries = b.retries;
  d.cycle.sendOnce = b.once;
  d.keywordFilter = b.filter;
  d.newLine = b.newLine;
  d.timeStamp = b.stamp;
  d.hexDisplay = b.hexDisplay;
  d.autoClear = b.autoClear;
  d.showSent = b.showSent;
  d.keyword = b.keyword;
  d.captureFileName = b.captureFile;
}

}  // namespace lirosa::test
