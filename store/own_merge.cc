#include "store/own_merge.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <limits>
#include <vector>

namespace {

struct Whore {
  uint8_t name = 0;
  uint8_t condoms = 0;
  int32_t rate = 0;
  uint8_t hours = 0;
  int16_t days = 0;
};

std::vector<Whore> RosterOf(const PlayerRecord& player) {
  std::vector<Whore> roster;
  const int count = std::min<int>(player.WhoreCount, kMaxWhores);
  for (int k = 0; k < count; ++k) {
    roster.push_back({player.WhoreNameIndex[k], player.WhoreCondoms[k], player.WhoreRate[k],
                      player.WhoreHours[k], player.WhoreDays[k]});
  }
  return roster;
}

// Slots past the roster keep what they held: a save writes all twenty as
// they stand in memory.
void SetRoster(PlayerRecord& player, const std::vector<Whore>& roster) {
  const int count = std::min<int>(static_cast<int>(roster.size()), kMaxWhores);
  for (int k = 0; k < count; ++k) {
    const Whore& w = roster[static_cast<size_t>(k)];
    player.WhoreNameIndex[k] = w.name;
    player.WhoreCondoms[k] = w.condoms;
    player.WhoreRate[k] = w.rate;
    player.WhoreHours[k] = w.hours;
    player.WhoreDays[k] = w.days;
  }
  player.WhoreCount = static_cast<uint8_t>(count);
}

// A whore keeps her name and her hours for as long as she works for him; her
// rate, days and condoms are what the caller's own save may have changed.
// Zero means she cannot be the same woman.
constexpr int kSameWoman = 4;
constexpr int kIdentical = kSameWoman + 3;
int Likeness(const Whore& a, const Whore& b) {
  if (a.name != b.name || a.hours != b.hours) return 0;
  return kSameWoman + (a.rate == b.rate) + (a.days == b.days) + (a.condoms == b.condoms);
}

constexpr int kUnmatched = -1;

// For each whore of base, her place in later (or kUnmatched): the likeliest
// way to read later as base with some whores gone and some added. Neither
// side ever reorders the ones that stay. Between two equally likely
// readings the one that has the earlier whore gone wins: a thief always
// lures the first.
std::vector<int> Align(const std::vector<Whore>& base, const std::vector<Whore>& later) {
  const size_t nb = base.size(), nl = later.size();
  std::vector<std::vector<int>> best(nb + 1, std::vector<int>(nl + 1, 0));
  for (size_t i = nb; i-- > 0;) {
    for (size_t j = nl; j-- > 0;) {
      const int like = Likeness(base[i], later[j]);
      const int matched = like == 0 ? 0 : like + best[i + 1][j + 1];
      best[i][j] = std::max({best[i + 1][j], best[i][j + 1], matched});
    }
  }
  std::vector<int> place(nb, kUnmatched);
  size_t i = 0, j = 0;
  while (i < nb && j < nl) {
    const int like = Likeness(base[i], later[j]);
    if (best[i][j] == best[i + 1][j]) {
      ++i;
    } else if (like != 0 && best[i][j] == like + best[i + 1][j + 1]) {
      place[i++] = static_cast<int>(j++);
    } else {
      ++j;
    }
  }
  return place;
}

template <typename T>
T Changed(const T& base, const T& mine, const T& on_disk) {
  return mine != base ? mine : on_disk;
}

Whore MergeWhore(const Whore& base, const Whore& mine, const Whore& on_disk) {
  return {on_disk.name, Changed(base.condoms, mine.condoms, on_disk.condoms),
          Changed(base.rate, mine.rate, on_disk.rate), on_disk.hours,
          Changed(base.days, mine.days, on_disk.days)};
}

// The whores that both still hold, in their order, then any the file holds
// that base never had, then the ones the caller took on.
std::vector<Whore> MergeRoster(const PlayerRecord& base, const PlayerRecord& mine,
                               const PlayerRecord& on_disk) {
  const std::vector<Whore> b = RosterOf(base), m = RosterOf(mine), d = RosterOf(on_disk);
  const std::vector<int> in_mine = Align(b, m), in_disk = Align(b, d);
  std::vector<bool> mine_kept(m.size(), false), disk_kept(d.size(), false);
  std::vector<Whore> merged;
  for (size_t i = 0; i < b.size(); ++i) {
    const int at_m = in_mine[i], at_d = in_disk[i];
    if (at_m != kUnmatched) mine_kept[static_cast<size_t>(at_m)] = true;
    if (at_d != kUnmatched) disk_kept[static_cast<size_t>(at_d)] = true;
    if (at_m == kUnmatched || at_d == kUnmatched) continue;
    merged.push_back(MergeWhore(b[i], m[static_cast<size_t>(at_m)], d[static_cast<size_t>(at_d)]));
  }
  for (size_t j = 0; j < d.size(); ++j) {
    if (!disk_kept[j]) merged.push_back(d[j]);
  }
  for (size_t j = 0; j < m.size(); ++j) {
    if (!mine_kept[j]) merged.push_back(m[j]);
  }
  return merged;
}

template <typename T>
T Moved(T base, T mine, T on_disk, T least) {
  const int64_t sum = int64_t{on_disk} + (int64_t{mine} - int64_t{base});
  return static_cast<T>(std::clamp<int64_t>(sum, least, std::numeric_limits<T>::max()));
}

}  // namespace

PlayerRecord MergeOwnRecord(const PlayerRecord& base, const PlayerRecord& mine,
                            const PlayerRecord& on_disk) {
  PlayerRecord merged = mine;
  merged.Name = Changed(base.Name, mine.Name, on_disk.Name);
  merged.BbsAlias = Changed(base.BbsAlias, mine.BbsAlias, on_disk.BbsAlias);
  merged.KeyKind = Changed(base.KeyKind, mine.KeyKind, on_disk.KeyKind);
  merged.ClothesLevel = Changed(base.ClothesLevel, mine.ClothesLevel, on_disk.ClothesLevel);
  merged.HouseStreet = Changed(base.HouseStreet, mine.HouseStreet, on_disk.HouseStreet);
  merged.AteFlameBurger = Changed(base.AteFlameBurger, mine.AteFlameBurger, on_disk.AteFlameBurger);
  merged.LastDay = Changed(base.LastDay, mine.LastDay, on_disk.LastDay);
  merged.TimeLeft = Changed(base.TimeLeft, mine.TimeLeft, on_disk.TimeLeft);
  merged.Cash = Moved(base.Cash, mine.Cash, on_disk.Cash, 0);
  merged.CondomStock = Moved(base.CondomStock, mine.CondomStock, on_disk.CondomStock,
                             std::numeric_limits<int16_t>::min());
  SetRoster(merged, MergeRoster(base, mine, on_disk));
  return merged;
}

bool RivalsChanged(const PlayerRecord& base, const PlayerRecord& on_disk) {
  if (base.Cash != on_disk.Cash || base.HouseStreet != on_disk.HouseStreet) return true;
  const std::vector<Whore> b = RosterOf(base), d = RosterOf(on_disk);
  return !std::equal(b.begin(), b.end(), d.begin(), d.end(),
                     [](const Whore& x, const Whore& y) { return Likeness(x, y) == kIdentical; });
}
