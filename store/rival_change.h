// A change to another player's record made on the record as it is on disk
// at that moment, not on a copy read before the caller's last key.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "store/caller.h"
#include "store/records.h"
#include "store/spend.h"

// What a step posts, written under the step's lock.
struct StepNews {
  PlayerKey To;  // the rival's key: his handle, or his real name before he is carried over
  std::string Line;
};

// How a step against a rival ended.
enum class RivalStep : uint8_t {
  kWritten,     // his record was written
  kUnchanged,   // change left him as he was, or he is no longer in the file
  kNotCovered,  // the caller's record as it stands did not cover the price: nothing moved
};

// One action against player `number` (1-based), as one step: under an
// exclusive lock on kordavin.ply the caller's own record is brought to how it
// stands (store/own_record.h, AdoptOwnRecordIn), so that what he takes or
// pays is reckoned on what both hold now; the price is checked against it
// (kNotCovered, with nothing written, when it no longer covers it: change
// pays it, since a chosen target gone meanwhile costs nothing); the rival's
// record is read and handed to change,
// which alters it and GameSession (the caller pays here: cash, time), adds
// the news to post, and returns whether his record is to be written. When
// there is news, kordavin.msg's lock is taken next; refused, the session
// ends with nothing written. Then, with hang-ups held: his record (when
// change said so and he is still in the file), the caller's own record (when
// it changed, merged as any store of his is) and the news are written, and
// the files are closed. change
// must not send: it collects its lines and the action tells them after the
// step. A caller whose own place is gone ends the session with nothing
// written.
RivalStep ChangeRivalInOneStep(
    int32_t number, const Price& price,
    const std::function<bool(PlayerRecord& rival, std::vector<StepNews>& news)>& change);
// The same at no price; returns whether his record was written.
bool ChangeRivalInOneStep(
    int32_t number, const std::function<bool(PlayerRecord& rival, std::vector<StepNews>& news)>& change);

// ChangeRivalInOneStep for an action that posts its news
// itself: his record and the caller's are written in one step, the news
// after it.
bool ChangeRival(int32_t number, const std::function<bool(PlayerRecord& rival)>& change);
