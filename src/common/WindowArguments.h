// The command line of a window program: --help and --version are answered without a
// window; anything else it does not take is refused with a message rather than ignored.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace kartovel {

struct WindowArguments {
  enum class Action { OpenWindow, PrintAndExit, Refuse };
  Action What = Action::OpenWindow;
  std::string Output;                 // for standard output (help, version)
  std::string Error;                  // for standard error (the refusal and the usage)
  std::vector<std::string> Operands;  // the paths the program takes, in order
};

// What a window program takes besides --help and --version.
struct WindowProgramUsage {
  std::string Name;         // "kartovel"
  std::string Description;  // one sentence
  std::string OperandName;  // "FILE", or empty when the program takes no operand
  std::string Help;         // further lines of --help (where files live ...)
};

// Reads the arguments (without the program's own name and without the toolkit's options).
WindowArguments ParseWindowArguments(const std::vector<std::string>& arguments,
                                     const WindowProgramUsage& usage);

// The arguments less the toolkit's own options as they may stand before the toolkit has
// taken them out: every one-dash option and the argument after it (its possible value).
// What is left can be answered before the toolkit starts, without a display.
std::vector<std::string> WithoutToolkitOptions(const std::vector<std::string>& arguments);

// The exit status of a refused command line.
inline constexpr int kWindowUsageExit = 2;

// The arguments of main, read once before the toolkit needs a display (its own options
// left aside, final false) and again once it has taken them out (final true). Help and
// version are printed and a refusal told here; then the exit status to end with, else
// none and `arguments` holds what the window takes.
std::optional<int> AnswerWindowArguments(int argc, char* argv[], bool final,
                                         const WindowProgramUsage& usage,
                                         WindowArguments& arguments);

}  // namespace kartovel
