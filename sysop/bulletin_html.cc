// The bulletin as a web page, for boards that show door scores on their site.
// It is one file with nothing to fetch, so it can be copied anywhere a web
// server reads, and it looks as the callers see the ANSI screen.
#include "sysop/bulletin_html.h"

#include <string>

#include "sysop/cp437.h"

namespace {

// The colours of the game's colour numbers on a colour PC screen.
constexpr const char* kPalette[16] = {
    "#000000", "#0000aa", "#00aa00", "#00aaaa", "#aa0000", "#aa00aa", "#aa5500", "#aaaaaa",
    "#555555", "#5555ff", "#55ff55", "#55ffff", "#ff5555", "#ff55ff", "#ffff55", "#ffffff",
};

std::string HtmlPaint(int color, const std::string& text) {
  return "<span class=\"c" + std::to_string(color & 15) + "\">" + EscapeHtml(Cp437ToUtf8(text)) +
         "</span>";
}

std::string PageHead() {
  std::string head =
      "<!DOCTYPE html>\n"
      "<html lang=\"en\">\n"
      "<head>\n"
      "<meta charset=\"utf-8\">\n"
      "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
      "<title>Kordavin: The Top Pimps</title>\n"
      "<style>\n"
      "body { background: #000000; color: #aaaaaa; margin: 1em; }\n"
      "pre { font-family: \"DejaVu Sans Mono\", \"Liberation Mono\", Menlo, Consolas, "
      "\"Courier New\", monospace; font-size: 16px; line-height: normal; margin: 0; }\n";
  for (int color = 0; color < 16; ++color) {
    head += ".c" + std::to_string(color) + " { color: " + kPalette[color] + "; }\n";
  }
  return head + "</style>\n</head>\n<body>\n<pre>";
}

}  // namespace

std::string EscapeHtml(std::string_view text) {
  std::string escaped;
  escaped.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '<': escaped += "&lt;"; break;
      case '>': escaped += "&gt;"; break;
      case '&': escaped += "&amp;"; break;
      case '"': escaped += "&quot;"; break;
      case '\'': escaped += "&#39;"; break;
      default: escaped += c;
    }
  }
  return escaped;
}

BulletinStyle HtmlBulletinStyle() {
  return BulletinStyle{true, HtmlPaint, PageHead(), "\n", "</pre>\n</body>\n</html>\n"};
}
