// balvek-script [--quiet] FILE.js [ARGS...]: runs a page script headless.
#include <iostream>
#include <string_view>

#include "app/ScriptRunner.h"

int main(int argc, char** argv) {
  balvek::app::ScriptRunOptions options;
  int i = 1;
  for (; i < argc && std::string_view(argv[i]).starts_with("--"); ++i) {
    if (std::string_view(argv[i]) == "--quiet") {
      options.quiet = true;
    } else {
      std::cerr << "unknown option " << argv[i] << '\n';
      return 2;
    }
  }
  if (i >= argc) {
    std::cerr << "usage: balvek-script [--quiet] FILE.js [ARGS...]\n";
    return 2;
  }
  options.file = argv[i++];
  for (; i < argc; ++i) options.args.emplace_back(argv[i]);
  return balvek::app::RunScriptFile(options, std::cout, std::cerr);
}
