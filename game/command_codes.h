// The codes a place's menu or the casino prompt hands to the loop that runs
// the action. Each place has its own block: 4-13 the street corner, 21-26
// Flaming Sheinen's, 41-45 Stiff Pete's, 60-68 the casino, 99 and up every
// place; 1-3 only report a walk the menu has already made.
#pragma once

#include <cstdint>

enum CommandCode : int16_t {
  kCodeReturnToStreets = 1,
  kCodeGoToSheinens = 2,
  kCodeVisitPete = 3,

  kCodeWhoreStatistics = 4,
  kCodeYourStatistics = 5,
  kCodeExamineRival = 6,
  kCodeSetUpWhoreHouse = 7,
  kCodeStealFromPimp = 8,
  kCodeMoveStreet = 9,
  kCodeFirebombHouse = 10,
  kCodeDisbandWhore = 11,
  kCodePlayerRankings = 12,
  kCodeHousePrices = 13,

  kCodeHireAgent = 21,
  kCodeTalkToWomen = 22,
  kCodeSpeakToSheinen = 23,
  kCodeEatFlameBurger = 24,
  kCodePoliceTip = 25,
  kCodeGiveCondoms = 26,

  kCodeExamineWardrobe = 41,
  kCodeBuyClothes = 42,
  kCodeSpeakToPete = 43,
  kCodeBuyCondoms = 44,
  kCodeClothesPrices = 45,

  // The door into the casino, then the casino's own prompt (65 is free).
  kCodeEnterCasino = 60,
  kCodeCraps = 61,
  kCodeBlackJack = 62,
  kCodeDiceBlackJack = 63,
  kCodeGuts = 64,
  kCodeRoulette = 66,
  kCodeSlotMachine = 67,
  kCodeTimeCheck = 68,

  // No key gives it: the menu turns any key of a caller who may buy
  // Flaming Sheinen's into the purchase that wins the game.
  kCodeBuyTheBar = 99,

  kCodeQuit = 100,
  kCodeAnsiToggle = 101,
  kCodeHelp = 102,
  kCodeInformation = 103,
  kCodeOnlineDocumentation = 104,
  kCodeWhoIsOn = 105,
  kCodePagePimp = 106,
  kCodeLeague = 107,
};

// Codes up to this one are walks, which run nothing.
constexpr int kLastWalkCode = kCodeVisitPete;
constexpr int kMaxCommandCode = kCodeLeague;
