// The removal's second confirmation as the user reads it, for the tests that drive the dialog and
// the program.
#pragma once

#include <string>
#include <vector>

// The second confirmation that lists these pieces, in this order.
std::wstring SecondConfirmationText(const std::vector<std::wstring>& pieces);
