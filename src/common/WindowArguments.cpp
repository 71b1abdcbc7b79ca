// The small command line of the window programs, written out by hand: a program that
// takes at most one path needs no option parser.
#include "common/WindowArguments.h"

#include <cstdio>
#include <utility>

#include "common/ProgramVersion.h"

namespace kartovel {

namespace {

std::string UsageLine(const WindowProgramUsage& usage) {
  std::string line = "Usage: " + usage.Name + " [--help] [--version]";
  if (!usage.OperandName.empty()) {
    line += " [" + usage.OperandName + "]";
  }
  return line + "\n";
}

WindowArguments Refusal(const WindowProgramUsage& usage, const std::string& reason) {
  WindowArguments result;
  result.What = WindowArguments::Action::Refuse;
  result.Error = usage.Name + ": " + reason + "\n" + UsageLine(usage) + "Try '" + usage.Name +
                 " --help' for more information.\n";
  return result;
}

WindowArguments Printed(std::string text) {
  WindowArguments result;
  result.What = WindowArguments::Action::PrintAndExit;
  result.Output = std::move(text);
  return result;
}

bool IsOneDashOption(const std::string& argument) {
  return argument.size() > 1 && argument[0] == '-' && argument[1] != '-';
}

}  // namespace

std::vector<std::string> WithoutToolkitOptions(const std::vector<std::string>& arguments) {
  std::vector<std::string> left;
  for (size_t i = 0; i < arguments.size(); ++i) {
    if (arguments[i] == "--") {
      left.insert(left.end(), arguments.begin() + static_cast<std::ptrdiff_t>(i), arguments.end());
      break;
    }
    if (IsOneDashOption(arguments[i])) {
      ++i;  // and its value, if it has one
    } else {
      left.push_back(arguments[i]);
    }
  }
  return left;
}

WindowArguments ParseWindowArguments(const std::vector<std::string>& arguments,
                                     const WindowProgramUsage& usage) {
  WindowArguments result;
  bool operandsOnly = false;
  for (const std::string& argument : arguments) {
    if (!operandsOnly && argument == "--help") {
      return Printed(UsageLine(usage) + usage.Description + "\n" + usage.Help);
    }
    if (!operandsOnly && argument == "--version") {
      return Printed(VersionLine(usage.Name));
    }
    if (!operandsOnly && argument == "--") {
      operandsOnly = true;
    } else if (!operandsOnly && argument.size() > 1 && argument.front() == '-') {
      return Refusal(usage, "unknown option \"" + argument + "\"");
    } else if (result.Operands.size() >= (usage.OperandName.empty() ? 0U : 1U)) {
      return Refusal(usage, "unexpected argument \"" + argument + "\"");
    } else {
      result.Operands.push_back(argument);
    }
  }
  return result;
}

std::optional<int> AnswerWindowArguments(int argc, char* argv[], bool final,
                                         const WindowProgramUsage& usage,
                                         WindowArguments& arguments) {
  const std::vector<std::string> given(argv + 1, argv + argc);
  arguments = ParseWindowArguments(final ? given : WithoutToolkitOptions(given), usage);
  if (arguments.What == WindowArguments::Action::PrintAndExit) {
    std::fputs(arguments.Output.c_str(), stdout);
    return 0;
  }
  if (arguments.What == WindowArguments::Action::Refuse) {
    std::fputs(arguments.Error.c_str(), stderr);
    return kWindowUsageExit;
  }
  return std::nullopt;
}

}  // namespace kartovel
