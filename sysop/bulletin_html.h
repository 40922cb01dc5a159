// The bulletin as a web page.
#pragma once

#include <string>
#include <string_view>

#include "sysop/bulletin_rows.h"

// The box as one self-contained page: inline style, no fonts or files of its
// own.
BulletinStyle HtmlBulletinStyle();

// UTF-8 text made safe between tags and inside quoted attributes.
std::string EscapeHtml(std::string_view text);
