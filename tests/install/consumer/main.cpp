// Prints the sharp bounds of the README's three events; .ci/run compares the line.
#include <unionbound/unionbound.h>

#include <iostream>

int main() {
  const unionbound::Bounds bounds = unionbound::SharpBounds(3, {"3/2", "3/4"});
  std::cout << bounds.lower.fraction << " " << bounds.upper.fraction << " " << unionbound::Version()
            << "\n";
  return bounds.lower.fraction == "3/4" && bounds.upper.fraction == "1" ? 0 : 1;
}
