// How the sysop tool writes a stored name or a worth into its tables and lines.
#pragma once

#include <string>

// Text fit for one tab-separated field or one line: control bytes (a tab or
// line end inside a stored name would break the columns) become '?'.
std::string FieldText(const std::string& text);

// A net worth in whole dollars, without grouping, as the game shows it.
std::string NetWorthText(double worth);
