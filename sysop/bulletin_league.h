// The league's standings as bulletin rows.
#pragma once

#include <string>
#include <vector>

#include "sysop/bulletin_rows.h"

// The league's standings; false with error when no league is set up in dir.
bool LeagueBulletinRows(const std::string& dir, std::vector<BulletinRow>& rows,
                        std::string& error);
