#include "casino/casino.h"

#include <cstdint>
#include <string>

#include "casino/blackjack.h"
#include "casino/dice.h"
#include "casino/roulette.h"
#include "casino/slots.h"
#include "casino/stake.h"
#include "door/input.h"
#include "door/output.h"
#include "door/platform.h"
#include "door/text.h"
#include "game/command_codes.h"
#include "game/loop.h"
#include "game/menus.h"
#include "store/records.h"
#include "store/rules.h"
#include "store/state.h"

namespace {

// Both live only while EnterCasino runs; OutOfCash reaches into them to end
// the loop from inside a pass.
int16_t CasinoCommand = 0;
bool LeaveCasino = false;

struct CasinoChoice {
  char key;
  int16_t code;
  const char* label;
  int location;  // place the key walks to, or -1 to stay
};

constexpr CasinoChoice kCasinoChoices[] = {
    {'C', kCodeCraps, "Craps", -1},
    {'B', kCodeBlackJack, "Black Jack", -1},
    {'D', kCodeDiceBlackJack, "Dice Black Jack", -1},
    {'U', kCodeGuts, "Guts", -1},
    {'E', kCodeRoulette, "Roulette", -1},
    {'S', kCodeSlotMachine, "Slot Machine", -1},
    {'T', kCodeTimeCheck, "Time Check", -1},
    {'Q', kCodeQuit, "Quit", -1},
    {'A', kCodeAnsiToggle, "Ansi Toggle", -1},
    {'?', kCodeHelp, "Help", -1},
    {'I', kCodeInformation, "Information", -1},
    {'O', kCodeOnlineDocumentation, "Online Documentation", -1},
    {'R', kCodeReturnToStreets, "Return to Streets", 0},
    {'G', kCodeGoToSheinens, "Go to Flaming Sheinen's", 1},
    {'V', kCodeVisitPete, "Visit Stiff Pete", 2},
};

int32_t& Cash() { return GameSession.Player.Cash; }

void CasinoPrompt() {
  ShowCasinoCash();
  WriteText("[|02CASINO|06]|14: ");
  const uint8_t key = GetKeyFrom("GVRCBDUESTQA?IO", false);
  for (const CasinoChoice& choice : kCasinoChoices) {
    if (static_cast<uint8_t>(choice.key) != key) continue;
    CasinoCommand = choice.code;
    if (choice.location >= 0) GameSession.Location = static_cast<uint8_t>(choice.location);
    WriteLine(std::string("|11") + choice.label);
    return;
  }
}

void RunCasinoCommand() {
  switch (CasinoCommand) {
    case kCodeCraps: PlayCraps(); break;
    case kCodeBlackJack: PlayBlackJack(); break;
    case kCodeDiceBlackJack: PlayDiceBlackJack(); break;
    case kCodeGuts: PlayGuts(); break;
    case kCodeRoulette: PlayRoulette(); break;
    case kCodeSlotMachine: PlaySlotMachine(); break;
    case kCodeTimeCheck: TimeCheck(); break;
    case kCodeQuit: QuitGame(); break;
    case kCodeAnsiToggle: ToggleAnsi(); break;
    case kCodeHelp: ShowCasinoMenu(); break;
    case kCodeOnlineDocumentation: ShowDatLines(kDocFirstLine, kCasinoDocLastLine); break;
    default: break;  // walking out (1..3) and Information run nothing here
  }
}

// A gambler who sits long enough should not be able to learn the sequence, so
// the generator is now and then restarted from the clock.
void MaybeReseed() {
  if (Random(2) != 1) return;
  const LocalClock now = Host.Now();
  const int64_t seconds = (static_cast<int64_t>(now.Hour) * 60 + now.Minute) * 60 + now.Second;
  const int64_t mixed = seconds * 1000 + Host.MonotonicMs() % 1000;
  Host.SeedRandom(static_cast<uint32_t>(mixed & 0xFFFFFFFF));
}

void PlayCasinoPass() {
  CasinoBet.Stake = 0;
  CasinoPrompt();
  RunCasinoCommand();
  LetGoOfStakeHold();
  MaybeReseed();
  if (Cash() < 1) OutOfCash();
}

std::string Rule() { return "|14" + std::string(13, ' ') + std::string(24, '\xC4'); }

}  // namespace

void EnterCasino() {
  // Cash below 0 never reaches a record, but a caller without a dollar must
  // not be let in to bet against nothing.
  if (Cash() <= 0) {
    WriteLine("Come to the casino tomorrow, when you have some money.");
  } else {
    LeaveCasino = false;
    CasinoCommand = kCodeEnterCasino;
    while (!LeaveCasino && CasinoCommand > kLastWalkCode && GameSession.TimeLeft > 0) PlayCasinoPass();
  }
  if (Cash() < 0) Cash() = 0;
}

void ShowCasinoMenu() {
  WriteLine("|CR|14             Kordavin Casino Options");
  WriteLine(Rule());
  WriteLine("|14[B] |15Black Jack                |14[C] |15Craps");
  WriteLine("|14[D] |15Dice Black Jack           |14[E] |15Roulette");
  WriteLine("|14[G] |15Go to Flaming Sheinen's   |14[R] |15Return to Streets");
  WriteLine("|14[S] |15Slot Machine              |14[T] |15Time Check");
  WriteLine("|14[U] |15GUTS                      |14[V] |15Visit Stiff Pete");
  WriteLine(Rule());
  WriteLine("|14[A] |15Ansi Toggle               |14[O] |15Online Documentation");
  WriteLine("|14[?] |15Help                      |14[Q] |15Quit");
}

void OutOfCash() {
  WriteLine("|CR|13You are all out of cash, come back to the casino to tomorrow.");
  Cash() = 0;
  CasinoCommand = kCodeReturnToStreets;
  LeaveCasino = true;
}

void TimeCheck() { WriteLine("|CRThe time is " + ClockText(GameSession.TimeLeft, kDayUnits) + "."); }

void RegisterCasinoCommands() { SetCommandAction(kCodeEnterCasino, EnterCasino); }
