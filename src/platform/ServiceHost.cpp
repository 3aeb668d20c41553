#include "platform/ServiceHost.h"

#include <cstdlib>

namespace balvek::platform {

std::string ServiceHost() {
  const char* value = std::getenv("BALVEK_SERVICE_HOST");
  return value && *value ? std::string(value) : std::string(BALVEK_SERVICE_HOST);
}

std::string ServiceHomeAddress() { return "http://" + ServiceHost() + "/"; }

std::string GamePageAddress() { return ServiceHomeAddress() + "0/"; }

std::string ScriptPageAddress() { return ServiceHomeAddress() + "1/script/"; }

std::string RecordAddress(std::string_view id) {
  std::string url = ServiceHomeAddress() + "0/log/?";
  url += id;
  return url;
}

}  // namespace balvek::platform
