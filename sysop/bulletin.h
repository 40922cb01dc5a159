// The login bulletin's content, and the forms it is written in: an ANSI
// screen in CP437, plain text, and a web page.
#pragma once

#include <string>
#include <vector>

#include "store/records.h"
#include "sysop/bulletin_rows.h"

// The top pimps by net worth and whether the game runs or is won.
std::vector<BulletinRow> BulletinRows(const std::vector<PlayerRecord>& players,
                                      const GameConfig& config);

// The rows in a box 79 columns wide.
std::string RenderBulletin(const std::vector<BulletinRow>& rows, const BulletinStyle& style);
