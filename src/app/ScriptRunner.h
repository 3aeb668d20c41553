#pragma once
// The headless page runner: one page script in a fresh context whose
// window.external is the client's external object, run to completion on the
// main loop.
#include <iosfwd>
#include <string>
#include <vector>

namespace balvek::app {

struct ScriptRunOptions {
  std::string file;               // the page script
  std::vector<std::string> args;  // scriptArgs
  bool quiet = false;             // no "STATUS" texts
  std::string address;            // the address box's text; empty: the script's file:// address
  std::string record_folder;      // stored as the record folder ([LOG] PATH) before the run; empty: as it is
};

// Runs in the data folder until the script calls exit(code) or nothing is left to do (no timer,
// no pending message, no attached work). print() writes lines to `out`;
// status texts, message boxes and uncaught exceptions ("FILE:LINE: message")
// go to `err`. The analysis cache is saved at the end if it changed.
// Returns the exit code: exit's argument, 0, or 1 after an uncaught
// exception or an unreadable file.
int RunScriptFile(const ScriptRunOptions& options, std::ostream& out, std::ostream& err);

}  // namespace balvek::app
