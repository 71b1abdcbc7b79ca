// The map viewer: shows the tiles of a download task in place. Takes an optional path
// of a task file or tile list; without one it asks for a file at start.
#include <QApplication>
#include <QTimer>

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "MapViewerWindow.h"
#include "common/WindowArguments.h"

namespace {

const kartovel::WindowProgramUsage kUsage{
    "mapviewer", "Kartovel's map viewer: shows the tiles of a download task in place.", "FILE",
    "FILE is a task file (.qtsk) or its tile list (_list.txt); without it the viewer asks\n"
    "for one. Map tiles shown around the task are cached in $XDG_CACHE_HOME/kartovel/.\n"};

// The arguments, read once before the toolkit needs a display (its own options left aside)
// and again once it has taken them out; an exit status when the program ends here.
std::optional<int> AnswerArguments(int argc, char* argv[], bool final,
                                   kartovel::WindowArguments& arguments) {
  std::vector<std::string> given(argv + 1, argv + argc);
  arguments = kartovel::ParseWindowArguments(final ? given : kartovel::WithoutToolkitOptions(given),
                                             kUsage);
  if (arguments.What == kartovel::WindowArguments::Action::PrintAndExit) {
    std::fputs(arguments.Output.c_str(), stdout);
    return 0;
  }
  if (arguments.What == kartovel::WindowArguments::Action::Refuse) {
    std::fputs(arguments.Error.c_str(), stderr);
    return kartovel::kWindowUsageExit;
  }
  return std::nullopt;
}

}  // namespace

int main(int argc, char* argv[]) {
  kartovel::WindowArguments arguments;
  if (const std::optional<int> status = AnswerArguments(argc, argv, false, arguments)) {
    return *status;
  }
  QApplication application(argc, argv);
  if (const std::optional<int> status = AnswerArguments(argc, argv, true, arguments)) {
    return *status;
  }
  QApplication::setApplicationName(QStringLiteral("Map Viewer"));
  kartovel::tools::MapViewerWindow window;
  window.show();
  if (!arguments.Operands.empty()) {
    window.OpenPath(QString::fromStdString(arguments.Operands.front()));
  } else {
    QTimer::singleShot(0, &window, [&window] { window.OpenWithDialog(); });
  }
  return QApplication::exec();
}
