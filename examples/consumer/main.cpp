// The union of the shipped example's three events (each of probability 1/2, any two meeting with
// probability 1/4: S_1 = 3/2, S_2 = 3/4), and at least 3 of 10 independent events of probability
// 0.2 known by four binomial moments.
#include <unionbound/unionbound.h>

#include <iostream>

int main() {
  try {
    const unionbound::Bounds any = unionbound::SharpBounds(3, {"3/2", "3/4"});
    std::cout << "P(at least 1 of 3) in [" << any.lower.fraction << ", " << any.upper.fraction
              << "]\n";
    const unionbound::Bounds three =
        unionbound::SharpBounds(10, {"2", "1.8", "0.96", "0.336"}, unionbound::AtLeast(3));
    std::cout << "P(at least 3 of 10) in [" << three.lower.value << ", " << three.upper.value
              << "]\n";
    std::cout << "unionbound " << unionbound::Version() << "\n";
  } catch (const unionbound::Error& error) {
    std::cerr << "bounds_example: " << error.what() << "\n";
    return 1;
  }
}
