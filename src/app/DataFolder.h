#pragma once
// Start-up of every program of the client: the data folder becomes the
// working directory, so that "./config.ini" and "00.dat" resolve there, and
// the process decides whether it is the game client.
#include <string>

namespace balvek::app {

// False only in the analyzer-only start; decides the toolbar layout, the
// first page and the record-folder check.
bool GameClientMode();

// Prepares the data folder and makes it the current directory; when it was
// the current directory already and the program file (`programPath`,
// without folder and extension) is exactly "logana", the process is the
// analyzer alone. Writes "--- BALVEK". False, after the message
// "CSIDL_LOCAL_APPDATA failed" (caption "BALVEK"), when there is no local
// application data folder to put it in.
bool EnterDataFolder(const std::string& programPath);

// The running program's file, as the system names it.
std::string ProgramPath();

}  // namespace balvek::app
