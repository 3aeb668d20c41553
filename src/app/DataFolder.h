#pragma once
// The data folder is the client's working directory, so that "./config.ini"
// and "00.dat" resolve there.
namespace balvek::app {

// Prepares the data folder and makes it the current directory, as start-up
// does. False when there is no local application data folder to put it in.
bool EnterDataFolder();

}  // namespace balvek::app
