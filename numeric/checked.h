#pragma once

namespace unionbound {

// A routine's value with how the routine went. When `status` reports a failed precondition,
// `value` is the routine's fallback (0, an empty sequence, an undefined number, ...). The library
// never prints; the programs turn a status into what the user sees.
template <class Value, class Status>
struct Checked {
  Value value;
  Status status;
};

}  // namespace unionbound
