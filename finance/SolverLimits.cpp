#include "finance/SolverLimits.h"

#include "platform/rtl/Real48.h"

const char* const MsgNoSolution = "These values have no solution.\n\nPlease Try Again";

double AsReal48(double value) {
    Byte bytes[6];
    DoubleToReal48(value, bytes);
    return Real48ToDouble(bytes);
}
