#include "store/records.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace {

static_assert(player_at::kKeyKind == player_at::kName + 1 + kNameCapacity);
static_assert(player_at::kWhoreCount == player_at::kBbsAlias + 1 + kAliasCapacity);
static_assert(player_at::kWhoreCondoms == player_at::kWhoreNameIndex + kMaxWhores);
static_assert(player_at::kWhoreRate == player_at::kWhoreCondoms + kMaxWhores);
static_assert(player_at::kWhoreHours == player_at::kWhoreRate + 4 * kMaxWhores);
static_assert(player_at::kWhoreDays == player_at::kWhoreHours + kMaxWhores);
static_assert(player_at::kClothesLevel == player_at::kWhoreDays + 2 * kMaxWhores);
static_assert(player_at::kTimeLeft + 2 == kPlayerRecordSize);
static_assert(kPlayerRecordSize == 276);

namespace config_at {
constexpr size_t kWinnerName = 0;
constexpr size_t kWinnerKind = 31;
constexpr size_t kWinnerAlias = 32;
constexpr size_t kRerollDay = 83;
}  // namespace config_at

static_assert(config_at::kRerollDay == config_at::kWinnerAlias + 1 + kAliasCapacity);
static_assert(config_at::kRerollDay + 1 == kGameConfigSize);
static_assert(kGameConfigSize == 84 && kGameConfigFileSize == 128);

namespace news_at {
constexpr size_t kTo = 0;
constexpr size_t kToKind = 51;
constexpr size_t kLine1 = 52;
constexpr size_t kLine2 = 130;
}  // namespace news_at

static_assert(news_at::kToKind == news_at::kTo + 1 + kAliasCapacity);
static_assert(news_at::kLine2 == news_at::kLine1 + 1 + kNewsLineCapacity);
static_assert(news_at::kLine2 + 1 + kNewsLineCapacity == kNewsMessageSize);
static_assert(kNewsMessageSize == 208);

namespace node_at {
constexpr size_t kName = 0;
constexpr size_t kPageFlag = 31;
constexpr size_t kMessage = 32;
}  // namespace node_at

static_assert(node_at::kPageFlag == node_at::kName + 1 + kNameCapacity);
static_assert(node_at::kMessage + 1 + kNodeMessageCapacity == kNodeRecordSize);
static_assert(kNodeRecordSize == 112 && kNodeFileSize == 128);

// Text longer than the field is cut; the bytes after it stay zero, so a
// record never carries leftovers of a longer earlier text.
void PutString(uint8_t* out, size_t capacity, std::string_view text) {
  size_t length = std::min(text.size(), capacity);
  out[0] = static_cast<uint8_t>(length);
  std::memcpy(out + 1, text.data(), length);
}

// A damaged length byte must not reach past the field into its neighbour.
std::string GetString(const uint8_t* in, size_t capacity) {
  size_t length = std::min<size_t>(in[0], capacity);
  return std::string(reinterpret_cast<const char*>(in + 1), length);
}

void PutU16(uint8_t* out, uint16_t value) {
  out[0] = static_cast<uint8_t>(value & 0xFF);
  out[1] = static_cast<uint8_t>(value >> 8);
}

void PutU32(uint8_t* out, uint32_t value) {
  for (int i = 0; i < 4; ++i) out[i] = static_cast<uint8_t>(value >> (8 * i));
}

int16_t GetI16(const uint8_t* in) {
  return static_cast<int16_t>(static_cast<uint16_t>(in[0] | (in[1] << 8)));
}

int32_t GetI32(const uint8_t* in) {
  uint32_t value = 0;
  for (int i = 0; i < 4; ++i) value |= static_cast<uint32_t>(in[i]) << (8 * i);
  return static_cast<int32_t>(value);
}

void PutWhoreSlots(uint8_t* out, const PlayerRecord& player) {
  for (size_t k = 0; k < kMaxWhores; ++k) {
    out[player_at::kWhoreNameIndex + k] = player.WhoreNameIndex[k];
    out[player_at::kWhoreCondoms + k] = player.WhoreCondoms[k];
    PutU32(out + player_at::kWhoreRate + 4 * k, static_cast<uint32_t>(player.WhoreRate[k]));
    out[player_at::kWhoreHours + k] = player.WhoreHours[k];
    PutU16(out + player_at::kWhoreDays + 2 * k, static_cast<uint16_t>(player.WhoreDays[k]));
  }
}

void GetWhoreSlots(const uint8_t* in, PlayerRecord& player) {
  for (size_t k = 0; k < kMaxWhores; ++k) {
    player.WhoreNameIndex[k] = in[player_at::kWhoreNameIndex + k];
    player.WhoreCondoms[k] = in[player_at::kWhoreCondoms + k];
    player.WhoreRate[k] = GetI32(in + player_at::kWhoreRate + 4 * k);
    player.WhoreHours[k] = in[player_at::kWhoreHours + k];
    player.WhoreDays[k] = GetI16(in + player_at::kWhoreDays + 2 * k);
  }
}

}  // namespace

PlayerBytes EncodePlayer(const PlayerRecord& player) {
  PlayerBytes out{};
  uint8_t* p = out.data();
  PutString(p + player_at::kName, kNameCapacity, player.Name);
  p[player_at::kKeyKind] = player.KeyKind;
  PutString(p + player_at::kBbsAlias, kAliasCapacity, player.BbsAlias);
  p[player_at::kWhoreCount] = player.WhoreCount;
  PutWhoreSlots(p, player);
  p[player_at::kClothesLevel] = player.ClothesLevel;
  p[player_at::kHouseStreet] = player.HouseStreet;
  PutU32(p + player_at::kCash, static_cast<uint32_t>(player.Cash));
  PutU16(p + player_at::kCondomStock, static_cast<uint16_t>(player.CondomStock));
  p[player_at::kAteFlameBurger] = player.AteFlameBurger;
  p[player_at::kLastDay] = player.LastDay;
  PutU16(p + player_at::kTimeLeft, static_cast<uint16_t>(player.TimeLeft));
  return out;
}

PlayerRecord DecodePlayer(const uint8_t* bytes) {
  PlayerRecord player;
  player.Name = GetString(bytes + player_at::kName, kNameCapacity);
  player.KeyKind = bytes[player_at::kKeyKind];
  player.BbsAlias = GetString(bytes + player_at::kBbsAlias, kAliasCapacity);
  // Every loop over the slots trusts this count, so it may never exceed them.
  player.WhoreCount = std::min<uint8_t>(bytes[player_at::kWhoreCount], kMaxWhores);
  GetWhoreSlots(bytes, player);
  player.ClothesLevel = bytes[player_at::kClothesLevel];
  player.HouseStreet = bytes[player_at::kHouseStreet];
  player.Cash = GetI32(bytes + player_at::kCash);
  player.CondomStock = GetI16(bytes + player_at::kCondomStock);
  player.AteFlameBurger = bytes[player_at::kAteFlameBurger];
  player.LastDay = bytes[player_at::kLastDay];
  player.TimeLeft = GetI16(bytes + player_at::kTimeLeft);
  return player;
}

ConfigBytes EncodeConfig(const GameConfig& config) {
  ConfigBytes out{};
  PutString(out.data() + config_at::kWinnerName, kNameCapacity, config.WinnerName);
  out[config_at::kWinnerKind] = config.WinnerKind;
  PutString(out.data() + config_at::kWinnerAlias, kAliasCapacity, config.WinnerAlias);
  out[config_at::kRerollDay] = config.RerollDay;
  return out;
}

GameConfig DecodeConfig(const uint8_t* bytes) {
  GameConfig config;
  config.WinnerName = GetString(bytes + config_at::kWinnerName, kNameCapacity);
  config.WinnerKind = bytes[config_at::kWinnerKind];
  config.WinnerAlias = GetString(bytes + config_at::kWinnerAlias, kAliasCapacity);
  config.RerollDay = bytes[config_at::kRerollDay];
  return config;
}

NewsBytes EncodeNews(const NewsMessage& message) {
  NewsBytes out{};
  PutString(out.data() + news_at::kTo, kAliasCapacity, message.To);
  out[news_at::kToKind] = message.ToKind;
  PutString(out.data() + news_at::kLine1, kNewsLineCapacity, message.Line1);
  PutString(out.data() + news_at::kLine2, kNewsLineCapacity, message.Line2);
  return out;
}

NewsMessage DecodeNews(const uint8_t* bytes) {
  NewsMessage message;
  message.To = GetString(bytes + news_at::kTo, kAliasCapacity);
  message.ToKind = bytes[news_at::kToKind];
  message.Line1 = GetString(bytes + news_at::kLine1, kNewsLineCapacity);
  message.Line2 = GetString(bytes + news_at::kLine2, kNewsLineCapacity);
  return message;
}

NodeBytes EncodeNode(const NodeRecord& node) {
  NodeBytes out{};
  PutString(out.data() + node_at::kName, kNameCapacity, node.Name);
  out[node_at::kPageFlag] = node.PageFlag;
  PutString(out.data() + node_at::kMessage, kNodeMessageCapacity, node.Message);
  return out;
}

NodeRecord DecodeNode(const uint8_t* bytes) {
  NodeRecord node;
  node.Name = GetString(bytes + node_at::kName, kNameCapacity);
  node.PageFlag = bytes[node_at::kPageFlag];
  node.Message = GetString(bytes + node_at::kMessage, kNodeMessageCapacity);
  return node;
}

PlayerRecord NewPlayer() { return PlayerRecord{}; }

bool RaiseNegativeCash(PlayerRecord& player) {
  if (player.Cash >= 0) return false;
  player.Cash = 0;
  return true;
}

int32_t AddCash(int32_t cash, int64_t amount) {
  constexpr int64_t kHigh = std::numeric_limits<int32_t>::max();
  constexpr int64_t kLow = std::numeric_limits<int32_t>::min();
  // Clamping the amount first keeps the 64-bit sum itself from overflowing.
  int64_t step = std::clamp<int64_t>(amount, 2 * kLow, 2 * kHigh);
  return static_cast<int32_t>(std::clamp<int64_t>(cash + step, kLow, kHigh));
}

namespace {

std::string_view PeekString(const uint8_t* in, size_t capacity) {
  return std::string_view(reinterpret_cast<const char*>(in + 1), std::min<size_t>(in[0], capacity));
}

}  // namespace

PlayerStanding PeekStanding(const uint8_t* bytes) {
  PlayerStanding standing;
  standing.Name = PeekString(bytes + player_at::kName, kNameCapacity);
  standing.BbsAlias = PeekString(bytes + player_at::kBbsAlias, kAliasCapacity);
  standing.KeyKind = bytes[player_at::kKeyKind];
  standing.WhoreCount = std::min<uint8_t>(bytes[player_at::kWhoreCount], kMaxWhores);
  standing.Worth = GetI32(bytes + player_at::kCash);
  for (size_t k = 0; k < standing.WhoreCount; ++k) {
    const int64_t earning = static_cast<int64_t>(bytes[player_at::kWhoreHours + k]) *
                            GetI32(bytes + player_at::kWhoreRate + 4 * k);
    standing.Worth += static_cast<double>(earning);
  }
  return standing;
}

double NetWorth(const PlayerRecord& player) {
  double worth = player.Cash;
  int count = std::min<int>(player.WhoreCount, kMaxWhores);
  for (int k = 0; k < count; ++k) {
    // In 64 bits: a damaged rate must not wrap a rival's worth negative.
    int64_t earning = static_cast<int64_t>(player.WhoreHours[k]) * player.WhoreRate[k];
    worth += static_cast<double>(earning);
  }
  return worth;
}
