#include "store/state.h"

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
  return NameAt(GameSession.ClothesName.data(), 10, index);
}

const std::string& WhoreNameOf(int index) {
  return NameAt(GameSession.WhoreName.data(), 50, index);
}
