#pragma once

#include "app/Prompts.h"

namespace lirosa {

// The file chooser of the capture file and the file to send: text files
// only, ".txt" added to a name without a suffix. `mustExist` false lets the
// user name a file that is still to be made.
inline FileChoice TextFileChoice(bool mustExist) {
  FileChoice choice;
  choice.filterName = "文本文件(*.txt)";
  choice.filterPattern = "*.txt";
  choice.defaultSuffix = "txt";
  choice.mustExist = mustExist;
  return choice;
}

}  // namespace lirosa
