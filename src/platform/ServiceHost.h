#pragma once
// The service's web host and every address of the client derived from it.
// The build sets the default (CMake cache variable BALVEK_SERVICE_HOST); the
// environment variable of the same name, when set and not empty, overrides
// it at run time for tests and other deployments. It may carry a port
// ("127.0.0.1:8080").
#include <string>
#include <string_view>

namespace balvek::platform {

// Read at each call, so a test may change it between cases.
std::string ServiceHost();

// "http://" + host + "/": the home address the user agent names.
std::string ServiceHomeAddress();
// The default GAME page, and the prefix a shown page's address needs before
// it may raise notifications.
std::string GamePageAddress();
// The default HOME (script) page.
std::string ScriptPageAddress();
// The download address of a record by its identifier at the service.
std::string RecordAddress(std::string_view id);

}  // namespace balvek::platform
