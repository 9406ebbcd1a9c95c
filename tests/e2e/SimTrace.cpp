#include "e2e/SimTrace.h"

#include <fstream>
#include <sstream>

namespace lirosa::test {

namespace {

bool ParseKind(const std::string& word, SimEvent::Kind& kind) {
  if (word == "OPEN") kind = SimEvent::Kind::Open;
  else if (word == "CLOSE") kind = SimEvent::Kind::Close;
  else if (word == "RX") kind = SimEvent::Kind::Rx;
  else if (word == "TX") kind = SimEvent::Kind::Tx;
  else return false;
  return true;
}

}  // namespace

std::vector<SimEvent> ReadSimTrace(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::stringstream content;
  content << file.rdbuf();
  const std::string text = content.str();

  std::vector<SimEvent> events;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
    std::istringstream line(text.substr(start, end - start));
    std::string word;
    SimEvent event{};
    if (!(line >> word) || !ParseKind(word, event.kind) || !(line >> event.micros)) continue;
    std::string byte;
    while (line >> byte) event.hex += (event.hex.empty() ? "" : " ") + byte;
    events.push_back(std::move(event));
  }
  return events;
}

std::vector<SimMessage> JoinChunks(const std::vector<SimEvent>& events) {
  std::vector<SimMessage> messages;
  bool open = false;  // the last message may still take chunks
  for (const SimEvent& event : events) {
    if (event.kind == SimEvent::Kind::Open || event.kind == SimEvent::Kind::Close) {
      open = false;
      continue;
    }
    if (open && messages.back().kind == event.kind) {
      messages.back().lastMicros = event.micros;
      messages.back().hex += " " + event.hex;
      continue;
    }
    messages.push_back({event.kind, event.micros, event.micros, event.hex});
    open = true;
  }
  return messages;
}

std::size_t CountMessages(const std::string& path, SimEvent::Kind kind) {
  std::size_t count = 0;
  for (const SimMessage& message : JoinChunks(ReadSimTrace(path))) {
    if (message.kind == kind) ++count;
  }
  return count;
}

}  // namespace lirosa::test
