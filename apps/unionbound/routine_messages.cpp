#include "apps/unionbound/routine_messages.h"

#include <cstddef>
#include <cstdint>

namespace unionbound {

std::string ScalarProductMessage(Lengths lengths) {
  return lengths == Lengths::kDifferent ? "Scalar product: wrong sizes!" : "";
}

std::string VectsumMessage(Lengths lengths) {
  return lengths == Lengths::kDifferent ? "wrong sizes of the vectors in vectsum" : "";
}

std::string KSubsetsMessage(SubsetsStatus status) {
  return status == SubsetsStatus::kNegativeSize ? "in KSubsets, k<0" : "";
}

std::string IntPowerMessage(PowerStatus status) {
  switch (status) {
    case PowerStatus::kNegativeExponent:
      return "negative exponent does not yield integer\n";
    case PowerStatus::kZeroToZero:
      return "zero^zero is not defined\n";
    case PowerStatus::kDefined:
      break;
  }
  return "";
}

std::string VectorIntPowerMessages(const PowersStatus& status) {
  std::string lines;
  for (std::size_t i = 0; i < status.undefined_entries; ++i) {
    lines += IntPowerMessage(status.reason);
  }
  return lines;
}

std::string LinSolveMessages(const LinSolveStatus& status) {
  std::string lines = status.size_problem ? "Size problem in the input of LinSolve.\n" : "";
  for (std::int32_t step = 0; step < status.singular_steps; ++step) {
    lines += "(LinSolve) The matrix A is singular.\n";
  }
  return lines;
}

}  // namespace unionbound
