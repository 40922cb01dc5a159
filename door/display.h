// Prepared screen files (.ans / .asc), sent byte for byte.
#pragma once

#include <string_view>

void ShowFile(std::string_view name);
