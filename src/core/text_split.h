// Cutting a text at every separator.
#pragma once

#include <string>
#include <vector>

// The pieces between the separators, empty ones included: "a;;b" gives
// "a", "", "b"; an empty text gives one empty piece.
std::vector<std::string> splitAt(const std::string& text, char separator);
