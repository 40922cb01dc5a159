#include "store/state.h"

#include <algorithm>
#include <limits>

GameSessionRecord GameSession;

void ResetGameSession() { GameSession = GameSessionRecord{}; }

namespace {

// Indexes come from records on disk; anything outside a list reads as a
// blank name instead of reaching past it.
const std::string& NameAt(const std::string* names, int count, int index) {
  static const std::string kNoName;
  if (index < 1 || index > count) return kNoName;
  return names[index];
}

}  // namespace

const std::string& ClothesNameOf(int index) {
  return NameAt(GameSession.ClothesName.data(), kClothesNames, index);
}

const std::string& WhoreNameOf(int index) {
  return NameAt(GameSession.WhoreName.data(), kWhoreNames, index);
}

void TakeTime(int units) {
  const int left = std::max<int>(GameSession.TimeLeft - units, std::numeric_limits<int16_t>::min());
  GameSession.TimeLeft = static_cast<int16_t>(std::min<int>(left, std::numeric_limits<int16_t>::max()));
}
