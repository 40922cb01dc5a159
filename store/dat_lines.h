// Where each text of kordavin.dat stands, by line number from 1. Sysops edit
// the file by hand and every node reads it by these numbers, so no text ever
// moves; the documentation is the file's last part, so it can grow.
#pragma once

#include <cstddef>

#include "store/rules.h"

// The name lists: ten clothes levels and fifty whore names, each cut to its
// length wherever it is shown.
constexpr int kFirstClothesLine = 3;
constexpr int kClothesNames = kTopClothesLevel;
constexpr size_t kClothesNameLength = 30;
constexpr int kFirstWhoreLine = 16;
constexpr size_t kWhoreNameLength = 15;
constexpr int kLastNameLine = kFirstWhoreLine + kWhoreNames - 1;

// A run of lines shown together, both ends included.
struct DatLines {
  int first;
  int last;
};

// What a caller sees looking round each place, and what its owner says.
constexpr DatLines kSheinensLook{67, 70};
constexpr DatLines kPetesLook{72, 75};
constexpr DatLines kSheinenSpeaks{77, 85};
constexpr DatLines kPeteSpeaks{87, 92};

// The online documentation; the casino shows one line more, its own, after
// the rest.
constexpr int kDocFirstLine = 94;
constexpr int kDocLastLine = 108;
constexpr int kCasinoDocLastLine = kDocLastLine + 1;
