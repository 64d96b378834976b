// Text helpers for messages and the summary.
#pragma once

#include <string>
#include <string_view>

namespace inspect {

// The text in double quotes; quotes, backslashes and bytes outside printable ASCII as \xNN.
std::string quoted(std::string_view text);
// A number as "%g" prints it.
std::string number_text(double value);

}  // namespace inspect
