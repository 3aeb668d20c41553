// balvek-script [OPTIONS] FILE.js [ARGS...]: runs a page script headless.
#include <filesystem>
#include <iostream>
#include <string_view>

#include "app/ScriptRunner.h"
#include "platform/Dialogs.h"

namespace {

int Usage() {
  std::cerr << "usage: balvek-script [OPTIONS] FILE.js [ARGS...]\n"
               "  --quiet                 no status texts\n"
               "  --record-folder PATH    make PATH the record folder ([LOG] PATH of config.ini)\n"
               "  --address URL           the address the page is shown at (game notices check it)\n"
               "  --answer yes|no         the answer to every yes/no question (default: the focused button)\n"
               "  --save-as PATH          the file every save dialog chooses (default: the dialog is cancelled)\n"
               "The data folder is $XDG_DATA_HOME/D-ORB/balvek/app (config.ini, 00.dat).\n";
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  balvek::app::ScriptRunOptions options;
  balvek::platform::ConsoleDialogOptions dialogs;
  int i = 1;
  for (; i < argc && std::string_view(argv[i]).starts_with("--"); ++i) {
    const std::string_view option = argv[i];
    const bool hasValue = i + 1 < argc;
    if (option == "--quiet") {
      options.quiet = true;
    } else if (option == "--record-folder" && hasValue) {
      options.record_folder = argv[++i];
    } else if (option == "--address" && hasValue) {
      options.address = argv[++i];
    } else if (option == "--answer" && hasValue) {
      const std::string_view answer = argv[++i];
      if (answer != "yes" && answer != "no") return Usage();
      dialogs.question_answer = answer == "yes" ? balvek::platform::IDYES : balvek::platform::IDNO;
    } else if (option == "--save-as" && hasValue) {
      // The runner works in the data folder: a relative path means the caller's folder.
      std::error_code error;
      dialogs.save_as = std::filesystem::absolute(argv[++i], error).string();
    } else {
      std::cerr << "unknown option " << option << '\n';
      return Usage();
    }
  }
  if (i >= argc) return Usage();
  balvek::platform::SetConsoleDialogOptions(dialogs);
  options.file = argv[i++];
  for (; i < argc; ++i) options.args.emplace_back(argv[i]);
  return balvek::app::RunScriptFile(options, std::cout, std::cerr);
}
