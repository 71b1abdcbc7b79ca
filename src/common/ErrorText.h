// What the companion programs tell the user when a run ends on an error: never a
// library's own text such as "std::bad_alloc", which names a type, not a situation.
#pragma once

#include <string>

namespace kartovel::tools {

// The text for the exception being handled (call only inside a catch block), before the
// error display's full stop rule: an AppError's own text; for memory that ran out or a size
// no container can hold, a sentence saying so; for a file operation, the file and the
// system's reason; for anything else, a plain sentence.
std::string CurrentErrorText();

}  // namespace kartovel::tools
