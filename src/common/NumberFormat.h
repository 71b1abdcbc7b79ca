// Number formats of the program's texts: the general format (15 significant digits)
// and the fixed "%20.14f" format of the task and list files.
#pragma once

#include <string>

namespace kartovel {

// General format with the given decimal separator: 15 significant digits, trailing
// zeros dropped, fixed notation for magnitudes in [0.0001, 1e15), else "1.5E-5" style.
std::string FormatGeneral(double value, char decimalSeparator);

// General format with the user's decimal separator.
std::string FormatGeneral(double value);

// "%20.14f": 14 decimals with a point, right-aligned in a field of 20 characters.
std::string FormatFixed(double value);

// Appends FormatFixed(value) to out; the cheap form for writers of many lines.
void AppendFixed(std::string& out, double value);

}  // namespace kartovel
