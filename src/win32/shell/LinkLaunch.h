#pragma once

#include <string>

namespace lirosa {

// Opens a web address through the shell (ShellExecute "open"); the shell's
// result code, above 32 when opened (shell/LinkRules.h names the others).
int ShellOpen(const std::string& address, int showCommand);

// ShellOpen, and when the shell cannot open it, the handler registered for
// ".htm" run directly with the address (the about box's link): the result
// of that start, or the shell's code when no handler is registered.
int OpenWithHandlerFallback(const std::string& address, int showCommand);

// The registered handler's command line with the address in place of its
// "%1" (quoted or not; the command is cut there) or, without one, after the
// whole command; one blank before the address.
std::wstring HandlerCommandLine(const std::wstring& command, const std::wstring& address);

}  // namespace lirosa
