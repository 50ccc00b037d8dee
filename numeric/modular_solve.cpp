#include "numeric/modular_solve.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace unionbound {
namespace {

// Primes below 2^31: a product of two residues and a sum of a few fits in 64 bits.
constexpr std::uint64_t kPrimes[] = {2147483647, 2147483629, 2147483587};

std::uint64_t PowerModulo(std::uint64_t base, std::uint64_t exponent, std::uint64_t p) {
  std::uint64_t result = 1;
  base %= p;
  for (; exponent != 0; exponent >>= 1) {
    if (exponent & 1) {
      result = result * base % p;
    }
    base = base * base % p;
  }
  return result;
}

std::uint64_t InverseModulo(std::uint64_t a, std::uint64_t p) {
  return PowerModulo(a, p - 2, p);
}

// LU with row exchanges modulo P, a constant so that each % is a multiplication.
template <std::uint64_t P>
bool FactorModulo(std::vector<std::uint32_t>& a, std::vector<std::size_t>& rows, std::size_t size) {
  rows.resize(size);
  for (std::size_t i = 0; i < size; ++i) {
    rows[i] = i;
  }
  for (std::size_t k = 0; k < size; ++k) {
    std::size_t pivot = k;
    while (pivot < size && a[pivot * size + k] == 0) {
      ++pivot;
    }
    if (pivot == size) {
      return false;
    }
    if (pivot != k) {
      std::swap_ranges(a.begin() + static_cast<std::ptrdiff_t>(k * size),
                       a.begin() + static_cast<std::ptrdiff_t>((k + 1) * size),
                       a.begin() + static_cast<std::ptrdiff_t>(pivot * size));
      std::swap(rows[k], rows[pivot]);
    }
    const std::uint64_t inverse = InverseModulo(a[k * size + k], P);
    const std::uint32_t* pivot_row = &a[k * size];
    for (std::size_t i = k + 1; i < size; ++i) {
      std::uint32_t* row = &a[i * size];
      if (row[k] == 0) {
        continue;
      }
      const std::uint64_t factor = row[k] * inverse % P;
      row[k] = static_cast<std::uint32_t>(factor);
      const std::uint64_t negated = P - factor;
      for (std::size_t j = k + 1; j < size; ++j) {
        row[j] = static_cast<std::uint32_t>((row[j] + negated * pivot_row[j]) % P);
      }
    }
  }
  return true;
}

std::uint32_t Residue(const mpz_class& x, std::uint64_t p) {
  return static_cast<std::uint32_t>(mpz_fdiv_ui(x.get_mpz_t(), static_cast<unsigned long>(p)));
}

// a/b with |a|, b <= sqrt(modulus / 2) and a = b u (mod modulus), or false when there is none.
bool Reconstruct(const mpz_class& u, const mpz_class& modulus, const mpz_class& bound,
                 mpz_class& numerator, mpz_class& denominator) {
  mpz_class r0 = modulus;
  mpz_class r1 = u;
  mpz_class t0 = 0;
  mpz_class t1 = 1;
  mpz_class q;
  mpz_class next;
  while (r1 > bound) {
    mpz_fdiv_q(q.get_mpz_t(), r0.get_mpz_t(), r1.get_mpz_t());
    next = r0 - q * r1;
    r0 = std::move(r1);
    r1 = std::move(next);
    next = t0 - q * t1;
    t0 = std::move(t1);
    t1 = std::move(next);
  }
  if (t1 == 0 || abs(t1) > bound) {
    return false;
  }
  numerator = t1 < 0 ? mpz_class(-r1) : r1;
  denominator = abs(t1);
  return gcd(numerator, denominator) == 1;
}

}  // namespace

bool ModularSystem::Factor(const std::vector<std::int8_t>& matrix, std::size_t size) {
  size_ = 0;
  if (matrix.size() != size * size) {
    return false;
  }
  matrix_ = matrix;
  // Hadamard's bound on the determinant and on every numerator of Cramer's rule, from the
  // smaller of the products of the row norms and of the column norms.
  double log_rows = 0.0;
  double log_columns = 0.0;
  for (std::size_t i = 0; i < size; ++i) {
    double row = 0.0;
    double column = 0.0;
    for (std::size_t j = 0; j < size; ++j) {
      row += matrix[i * size + j] * matrix[i * size + j];
      column += matrix[j * size + i] * matrix[j * size + i];
    }
    log_rows += 0.5 * std::log2(std::max(row, 1.0));
    log_columns += 0.5 * std::log2(std::max(column, 1.0));
  }
  log2_columns_ = std::min(log_rows, log_columns);
  for (const std::uint64_t p : kPrimes) {
    lu_.assign(size * size, 0);
    for (std::size_t k = 0; k < size * size; ++k) {
      lu_[k] = static_cast<std::uint32_t>(matrix[k] < 0 ? p - static_cast<std::uint64_t>(-matrix[k])
                                                        : static_cast<std::uint64_t>(matrix[k]));
    }
    bool factored = false;
    switch (p) {
      case kPrimes[0]:
        factored = FactorModulo<kPrimes[0]>(lu_, rows_, size);
        break;
      case kPrimes[1]:
        factored = FactorModulo<kPrimes[1]>(lu_, rows_, size);
        break;
      default:
        factored = FactorModulo<kPrimes[2]>(lu_, rows_, size);
        break;
    }
    if (factored) {
      prime_ = p;
      size_ = size;
      return true;
    }
  }
  return false;
}

// P A = L U. For A x = b: L U x = P b. For A^T x = b: U^T L^T (P x) = b.
std::vector<std::uint32_t> ModularSystem::ResidueSolve(std::vector<std::uint32_t> b,
                                                       bool transposed) const {
  const std::size_t size = size_;
  const std::uint64_t p = prime_;
  std::vector<std::uint64_t> v(size);
  if (!transposed) {
    for (std::size_t k = 0; k < size; ++k) {
      v[k] = b[rows_[k]];
    }
    for (std::size_t i = 0; i < size; ++i) {
      std::uint64_t sum = v[i];
      const std::uint32_t* row = &lu_[i * size];
      for (std::size_t j = 0; j < i; ++j) {
        sum = (sum + (p - row[j]) * v[j]) % p;
      }
      v[i] = sum;
    }
    for (std::size_t i = size; i-- > 0;) {
      std::uint64_t sum = v[i];
      const std::uint32_t* row = &lu_[i * size];
      for (std::size_t j = i + 1; j < size; ++j) {
        sum = (sum + (p - row[j]) * v[j]) % p;
      }
      v[i] = sum * InverseModulo(row[i], p) % p;
    }
    std::vector<std::uint32_t> x(size);
    for (std::size_t k = 0; k < size; ++k) {
      x[k] = static_cast<std::uint32_t>(v[k]);
    }
    return x;
  }
  // U^T z = b, column by column: once z_j is known it leaves every later equation.
  for (std::size_t k = 0; k < size; ++k) {
    v[k] = b[k];
  }
  for (std::size_t j = 0; j < size; ++j) {
    const std::uint32_t* row = &lu_[j * size];
    v[j] = v[j] * InverseModulo(row[j], p) % p;
    const std::uint64_t negated = (p - v[j]) % p;
    for (std::size_t i = j + 1; i < size; ++i) {
      v[i] = (v[i] + negated * row[i]) % p;
    }
  }
  // L^T w = z, from the last row up.
  for (std::size_t j = size; j-- > 0;) {
    const std::uint32_t* row = &lu_[j * size];
    const std::uint64_t negated = (p - v[j]) % p;
    for (std::size_t i = 0; i < j; ++i) {
      v[i] = (v[i] + negated * row[i]) % p;
    }
  }
  std::vector<std::uint32_t> x(size);
  for (std::size_t k = 0; k < size; ++k) {
    x[rows_[k]] = static_cast<std::uint32_t>(v[k]);
  }
  return x;
}

void ModularSystem::Multiply(const std::vector<std::uint32_t>& x, bool transposed,
                             std::vector<std::int64_t>& out) const {
  const std::size_t size = size_;
  out.assign(size, 0);
  for (std::size_t i = 0; i < size; ++i) {
    for (std::size_t j = 0; j < size; ++j) {
      const std::int8_t a = transposed ? matrix_[j * size + i] : matrix_[i * size + j];
      if (a != 0) {
        out[i] += a * static_cast<std::int64_t>(x[j]);
      }
    }
  }
}

IntegerSolution ModularSystem::Solve(const std::vector<mpz_class>& b, bool transposed) const {
  const std::size_t size = size_;
  IntegerSolution solution;
  if (size == 0 || b.size() != size) {
    return solution;
  }
  // Cramer's rule: every numerator and the determinant are at most the Hadamard bound times the
  // norm of b, so once p^k passes twice the square of that the reconstruction is certain. Trials at
  // k = 1, 2, 4, ... end far sooner for most systems, each checked by one exact product.
  double log_b = 0.0;
  for (const mpz_class& value : b) {
    log_b = std::max(log_b, static_cast<double>(mpz_sizeinbase(value.get_mpz_t(), 2)));
  }
  log_b += 0.5 * std::log2(static_cast<double>(size)) + 1.0;
  const double needed_bits = 2.0 * (log2_columns_ + log_b) + 4.0;
  const auto most_steps = static_cast<std::size_t>(needed_bits / 30.0) + 2;

  const std::uint64_t p = prime_;
  std::vector<mpz_class> residual = b;
  std::vector<mpz_class> lifted(size, 0);
  mpz_class power = 1;
  std::vector<std::uint32_t> residues(size);
  std::vector<std::int64_t> product;
  mpz_class numerator;
  mpz_class denominator;
  std::size_t next_trial = 1;
  for (std::size_t step = 1; step <= most_steps; ++step) {
    for (std::size_t i = 0; i < size; ++i) {
      residues[i] = Residue(residual[i], p);
    }
    const std::vector<std::uint32_t> digit = ResidueSolve(residues, transposed);
    Multiply(digit, transposed, product);
    bool zero = true;
    for (std::size_t i = 0; i < size; ++i) {
      residual[i] -= product[i];
      mpz_divexact_ui(residual[i].get_mpz_t(), residual[i].get_mpz_t(),
                      static_cast<unsigned long>(p));
      zero = zero && residual[i] == 0;
      lifted[i] += power * digit[i];
    }
    power *= static_cast<unsigned long>(p);
    if (zero) {
      // The lift ended: the solution is the integer vector lifted so far.
      solution.numerators = std::move(lifted);
      solution.denominator = 1;
      return solution;
    }
    if (step != next_trial && step != most_steps) {
      continue;
    }
    next_trial *= 2;
    const mpz_class bound = sqrt(mpz_class(power / 2));
    mpz_class common = 1;
    bool reconstructed = true;
    for (std::size_t i = 0; i < size && reconstructed; ++i) {
      const mpz_class scaled = mpz_class(common * lifted[i]) % power;
      reconstructed = Reconstruct(scaled, power, bound, numerator, denominator);
      common *= denominator;
    }
    if (!reconstructed) {
      continue;
    }
    std::vector<mpz_class> numerators(size);
    const mpz_class half = power / 2;
    for (std::size_t i = 0; i < size; ++i) {
      numerators[i] = mpz_class(common * lifted[i]) % power;
      if (numerators[i] > half) {
        numerators[i] -= power;
      }
    }
    // A numerators = common b, exactly, or the lift goes on.
    bool solves = true;
    mpz_class sum;
    for (std::size_t i = 0; i < size && solves; ++i) {
      sum = 0;
      for (std::size_t j = 0; j < size; ++j) {
        const std::int8_t a = transposed ? matrix_[j * size + i] : matrix_[i * size + j];
        if (a == 1) {
          sum += numerators[j];
        } else if (a != 0) {
          sum += a * numerators[j];
        }
      }
      solves = sum == common * b[i];
    }
    if (solves) {
      solution.numerators = std::move(numerators);
      solution.denominator = std::move(common);
      return solution;
    }
  }
  return solution;
}

}  // namespace unionbound
