// What the calculators' solvers share: the refusal of a computation that goes past what a double
// holds, and the 6-byte real precision some calculators keep their working amounts in.
#pragma once

#include "platform/rtl/SysUtils.h"

#include <string>

// "These values have no solution.": the message of a computation that overflows.
extern const char* const MsgNoSolution;

// Runs Solve (which returns a message, empty when it solved); when it raises a floating-point
// error, Values are put back as they were and the result is MsgNoSolution.
template <typename Values, typename Solve>
std::string GuardedSolve(Values& v, Solve solve) {
    const Values before = v;
    try {
        return solve();
    } catch (const EMathError&) {
        v = before;
        return MsgNoSolution;
    }
}

// The value as the 6-byte real format holds it (a 40-bit mantissa); values beyond that format
// raise EOverflow.
double AsReal48(double value);
