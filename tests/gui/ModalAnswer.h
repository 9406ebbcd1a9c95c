#pragma once

#include <functional>

class QWidget;

namespace lirosa::test {

// Runs `answer` on the next modal window to open (a message box, a file
// dialog, the checksum dialog), from inside that window's event loop, so a
// test can drive a prompt that blocks its caller. Call it just before the
// call that opens the window. If no modal window has opened within
// `deadlineMs`, nothing is run; a modal window still open at the deadline
// is rejected, so a test may fail but never hangs.
void AnswerNextModal(std::function<void(QWidget& modal)> answer, int deadlineMs = 5000);

}  // namespace lirosa::test
