#pragma once

// Runs the sequencer's chip functions against a real box with the step timer
// in virtual time: a timer step is ticked once what it waits for has come.

#include "VirtualStepTimer.h"
#include "orvane/link/Sequencer.h"

#include <QTest>
#include <functional>

namespace linktest {

// Whether the running timer step has what it waits for.
inline bool StepHasItsReply(const orvane::Sequencer &seq) {
  switch (seq.StepState) {
  case orvane::Step::WriteData: return true;
  case orvane::Step::ReadData: return seq.PacketCount > 0 && seq.ReplyText.contains("ok");
  default: return seq.PacketCount > 0;
  }
}

// Lets the running function go on until done() holds or the function ends:
// each timer step gets its tick as soon as its reply has come (or, from a
// box that stays silent, after replyWaitMs of real time).
inline void DriveUntil(orvane::Sequencer &seq, VirtualStepTimer &clock,
                       const std::function<bool()> &done, int replyWaitMs = 3000) {
  while (seq.Busy() && !done()) {
    // A silent box gets its tick all the same.
    (void)QTest::qWaitFor([&] { return done() || !seq.Busy() || StepHasItsReply(seq); },
                          replyWaitMs);
    if (!seq.Busy() || done()) {
      break;
    }
    clock.advanceToNextTick();
  }
}

} // namespace linktest
