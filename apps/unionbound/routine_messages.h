#pragma once

#include <string>

#include "numeric/combinatorics.h"
#include "numeric/lin_solve.h"
#include "numeric/vector_ops.h"

namespace unionbound {

// What the programs write on standard output for the status of a numerical routine, in the
// bytes the interactive program has always shown: the messages of ScalarProduct, vectsum and
// KSubsets bare (no line end, so what follows continues their line), every other one on a line
// of its own. Empty when the routine went well.
//
// Of these only LinSolve's can be met by the programs, in the walk's solve of its optimal basis
// (see ComputeBounds); the callers of the others never pass what would set their status.
std::string ScalarProductMessage(Lengths lengths);
std::string VectsumMessage(Lengths lengths);
std::string KSubsetsMessage(SubsetsStatus status);
std::string IntPowerMessage(PowerStatus status);
// One line for each entry left without a value.
std::string VectorIntPowerMessages(const PowersStatus& status);
// The size line first, then one line for each step that found no pivot.
std::string LinSolveMessages(const LinSolveStatus& status);

}  // namespace unionbound
