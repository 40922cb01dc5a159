// The login bulletin: the top pimps by net worth and whether the game is
// running or won, as an ANSI screen in CP437, as plain text and as a web page.
#include "sysop/bulletin.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <map>
#include <numeric>

#include "door/text.h"
#include "store/home_board.h"
#include "store/rules.h"
#include "sysop/bulletin_html.h"
#include "sysop/bulletin_league.h"
#include "sysop/datafiles.h"
#include "sysop/field_text.h"
#include "sysop/sysop.h"

namespace {

constexpr size_t kInnerWidth = 77;  // 79 columns with the two side rules
constexpr size_t kTopPlayers = 10;
constexpr size_t kTopBoards = 10;
constexpr int kBoardColor = 14;
constexpr int kBorderColor = 9;
constexpr int kTitleColor = 14;
constexpr int kHeadColor = 11;
constexpr int kRankColor = 11;
constexpr int kNameColor = 12;
constexpr int kWorthColor = 2;
constexpr int kWhoresColor = 14;
constexpr int kStateColor = 13;
constexpr int kTextColor = 7;

using Piece = BulletinPiece;
using Row = BulletinRow;

struct BoxChars {
  std::string top_left, top_right, bottom_left, bottom_right, tee_left, tee_right, side;
  char rule;
};

const BoxChars kCp437Box = {"\xDA", "\xBF", "\xC0", "\xD9", "\xC3", "\xB4", "\xB3", '\xC4'};
const BoxChars kPlainBox = {"+", "+", "+", "+", "+", "+", "|", '-'};

std::string AnsiPaint(int color, const std::string& text) {
  static const char kCodes[] = "04261537";
  const int base = color & 7;
  return std::string("\x1B[") + (color > 7 ? "1;3" : "0;3") + kCodes[base] + "m" + text;
}

std::string PlainPaint(int, const std::string& text) { return text; }

const BulletinStyle kAnsiStyle = {true, AnsiPaint, "\x1B[0m\x1B[2J\x1B[H", "\r\n",
                                  "\x1B[0m\r\n"};
const BulletinStyle kPlainStyle = {false, PlainPaint, "", "\r\n", "\r\n"};

std::string Right(const std::string& text, size_t width) {
  return text.size() >= width ? text : std::string(width - text.size(), ' ') + text;
}

std::string Left(const std::string& text, size_t width) {
  return text.size() >= width ? text.substr(0, width) : text + std::string(width - text.size(), ' ');
}

std::vector<size_t> TopPlayers(const std::vector<PlayerRecord>& players) {
  std::vector<size_t> order(players.size());
  std::iota(order.begin(), order.end(), size_t{0});
  std::vector<double> worth;
  worth.reserve(players.size());
  for (const PlayerRecord& player : players) worth.push_back(NetWorth(player));
  // Equal worth ranks the later player first, as the game's rankings do.
  const size_t shown = std::min(order.size(), kTopPlayers);
  std::partial_sort(order.begin(), order.begin() + static_cast<std::ptrdiff_t>(shown), order.end(),
                    [&](size_t a, size_t b) {
                      return worth[a] != worth[b] ? worth[a] > worth[b] : a > b;
                    });
  order.resize(shown);
  return order;
}

Row RankRow(size_t rank, const PlayerRecord& player) {
  return {{kRankColor, " " + Right(std::to_string(rank), 2) + ".  "},
          {kNameColor, Left(FieldText(player.Name), 30)},
          {kWorthColor, Right("$" + NetWorthText(NetWorth(player)), 16)},
          {kWhoresColor, "      " + Right(std::to_string(player.WhoreCount), 2)}};
}

// One home board's standing: its players' worth added up.
struct BoardStanding {
  std::string tag;     // as the first of its players carries it
  double worth = 0;    // the sum of its players' NetWorth
  size_t players = 0;  // how many of the game's players call from it
};

// Boards by their players' worth, best first; none when no player's handle
// names a home board. Tags that differ only in case are one board.
std::vector<BoardStanding> RankBoards(const std::vector<PlayerRecord>& players) {
  std::vector<BoardStanding> boards;
  std::map<std::string, size_t> at;  // upper-cased tag to its place in boards
  for (const PlayerRecord& player : players) {
    const std::string tag = HomeBoardOf(player);
    if (tag.empty()) continue;
    const auto [found, added] = at.try_emplace(UpperText(tag), boards.size());
    if (added) boards.push_back({tag, 0, 0});
    BoardStanding& board = boards[found->second];
    board.worth += NetWorth(player);
    ++board.players;
  }
  std::stable_sort(boards.begin(), boards.end(), [](const BoardStanding& a,
                                                    const BoardStanding& b) {
    return a.worth > b.worth;
  });
  if (boards.size() > kTopBoards) boards.resize(kTopBoards);
  return boards;
}

void AddBoardRows(const std::vector<PlayerRecord>& players, std::vector<Row>& rows) {
  const std::vector<BoardStanding> boards = RankBoards(players);
  if (boards.empty()) return;
  rows.push_back({});
  rows.push_back({{kHeadColor, Left(" Rank", 6) + Left("Home board", 30) + Right("Net Worth", 16) +
                                   Right("Pimps", 8)}});
  for (size_t i = 0; i < boards.size(); ++i) {
    rows.push_back({{kRankColor, " " + Right(std::to_string(i + 1), 2) + ".  "},
                    {kBoardColor, Left("[" + boards[i].tag + "]", 30)},
                    {kWorthColor, Right("$" + NetWorthText(boards[i].worth), 16)},
                    {kWhoresColor, Right(std::to_string(boards[i].players), 8)}});
  }
}

std::vector<Row> StateRows(const GameConfig& config, size_t player_count) {
  if (config.WinnerName.empty()) {
    return {{{kStateColor, " The game is running. Pimps in the game: " +
                               std::to_string(player_count)}}};
  }
  std::vector<Row> rows = {
      {{kStateColor, " Game over! "},
       {kNameColor, FieldText(config.WinnerName)},
       {kStateColor, " bought Flaming Sheinen's Restaurant."}}};
  // A bulletin is public, and the tool cannot tell a board that gives no
  // handles from one whose winner won before the game went over to them: a
  // name kept as a real name is left to the sysop's own screens.
  if (config.WinnerKind == kKeyedByHandle) {
    rows.push_back({{kStateColor, " Winner's alias: "}, {kNameColor, FieldText(config.WinnerAlias)}});
  }
  if (config.RerollDay >= 1 && config.RerollDay <= kRerollDayRange.high) {
    rows.push_back({{kStateColor, " A new game starts on the " + Ordinal(config.RerollDay) +
                                      " of the month."}});
  } else {
    rows.push_back({{kStateColor, " A new game starts when the sysop resets it."}});
  }
  return rows;
}

// One row between the side rules, cut or filled to the box's width.
std::string RenderRow(const Row& row, const BoxChars& box, const BulletinStyle& style) {
  if (row.empty()) {
    return style.paint(kBorderColor,
                       box.tee_left + std::string(kInnerWidth, box.rule) + box.tee_right) +
           style.line_end;
  }
  std::string line = style.paint(kBorderColor, box.side);
  size_t used = 0;
  for (const Piece& piece : row) {
    const std::string text = piece.text.substr(0, kInnerWidth - used);
    line += style.paint(piece.color, text);
    used += text.size();
  }
  return line + std::string(kInnerWidth - used, ' ') + style.paint(kBorderColor, box.side) +
         style.line_end;
}

// Written aside and renamed into place, so a caller logging in while the
// nightly event runs sees the old bulletin or the new one, never half.
bool WriteWholeFile(const std::string& path, const std::string& bytes, SysopIo& io) {
  const std::string staging = path + ".new";
  {
    std::ofstream out(staging, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
      std::remove(staging.c_str());
      io.err << "kordavin-sysop: cannot write " << path << "\n";
      return false;
    }
  }
  if (std::rename(staging.c_str(), path.c_str()) == 0) return true;
  std::remove(staging.c_str());
  io.err << "kordavin-sysop: cannot write " << path << "\n";
  return false;
}

}  // namespace

std::vector<BulletinRow> BulletinRows(const std::vector<PlayerRecord>& players,
                                      const GameConfig& config) {
  std::vector<Row> rows = {{{kTitleColor, Left("", 26) + "Kordavin: The Top Pimps"}}, {}};
  const std::vector<size_t> top = TopPlayers(players);
  if (top.empty()) {
    rows.push_back({{kTextColor, " No pimps have joined this game yet."}});
  } else {
    rows.push_back({{kHeadColor, Left(" Rank", 6) + Left("Pimp", 30) + Right("Net Worth", 16) +
                                     Right("Whores", 8)}});
    for (size_t i = 0; i < top.size(); ++i) rows.push_back(RankRow(i + 1, players[top[i]]));
  }
  AddBoardRows(players, rows);
  rows.push_back({});
  for (Row& row : StateRows(config, players.size())) rows.push_back(row);
  return rows;
}

std::string RenderBulletin(const std::vector<BulletinRow>& rows, const BulletinStyle& style) {
  const BoxChars& box = style.box_drawing ? kCp437Box : kPlainBox;
  std::string screen = style.begin;
  screen += style.paint(kBorderColor,
                        box.top_left + std::string(kInnerWidth, box.rule) + box.top_right) +
            style.line_end;
  for (const Row& row : rows) screen += RenderRow(row, box, style);
  screen += style.paint(kBorderColor,
                        box.bottom_left + std::string(kInnerWidth, box.rule) + box.bottom_right);
  return screen + style.end;
}

int BulletinCommand(const SysopRequest& request, SysopIo& io) {
  if (request.ans.empty() && request.asc.empty() && request.html.empty()) {
    io.err << "kordavin-sysop: bulletin needs --ans FILE, --asc FILE or --html FILE\n"
           << "Try 'kordavin-sysop --help'.\n";
    return kSysopUsage;
  }
  std::vector<PlayerRecord> players;
  GameConfig config;
  std::string warning, error;
  std::vector<Row> rows;
  if (request.league) {
    if (!LeagueBulletinRows(request.dir, rows, error)) {
      io.err << "kordavin-sysop: " << error << "\n";
      return kSysopRefused;
    }
  } else {
    if (!ReadAllPlayers(request.dir, players, warning, error) ||
        !ReadGameConfig(request.dir, config, error)) {
      io.err << "kordavin-sysop: " << error << "\n";
      return kSysopRefused;
    }
    // A cut-off last record is reported, but the whole records still make a
    // bulletin: the callers should not lose it over one damaged player.
    if (!warning.empty()) io.err << "kordavin-sysop: " << warning << "\n";
    rows = BulletinRows(players, config);
  }
  bool ok = true;
  if (!request.ans.empty()) {
    ok = WriteWholeFile(request.ans, RenderBulletin(rows, kAnsiStyle), io) && ok;
  }
  if (!request.asc.empty()) {
    ok = WriteWholeFile(request.asc, RenderBulletin(rows, kPlainStyle), io) && ok;
  }
  if (!request.html.empty()) {
    ok = WriteWholeFile(request.html, RenderBulletin(rows, HtmlBulletinStyle()), io) && ok;
  }
  return ok && warning.empty() ? kSysopOk : kSysopRefused;
}
