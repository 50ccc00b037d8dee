#include "bounds/atom_program.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <chrono>
#include <cmath>
#include <random>
#include <stdexcept>
#include <utility>

#include "bounds/clock.h"
#include "numeric/modular_solve.h"

namespace unionbound {
namespace {

// A column of the program: an atom (the bit mask of the events that occur), or, from
// `AtomData::atoms` on, the artificial column of one row.
using Column = std::int64_t;

constexpr double kTolerance = 1e-9;

std::int32_t EventCount(std::uint32_t subset) {
  return std::popcount(subset);
}

std::string ShortDecimal(const Rational& value) {
  char buffer[32];
  const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, NearestDouble(value));
  return error == std::errc() ? std::string(buffer, end) : value.get_str();
}

// "events 1 and 4" or "event 2".
std::string NamedEvents(std::uint32_t subset) {
  return (EventCount(subset) == 1 ? "event " : "events ") + EventWords(subset);
}

// What an atom of the distribution of the events of `among` means: the events of `occur`
// occur and the others among them do not.
std::string AtomWords(std::uint32_t among, std::uint32_t occur) {
  const std::uint32_t absent = among & ~occur;
  if (occur == 0) {
    return EventCount(among) == 1 ? NamedEvents(among) + " does not occur"
                                  : "none of events " + EventWords(among) + " occurs";
  }
  std::string words = NamedEvents(occur) + (EventCount(occur) == 1 ? " occurs" : " occur");
  if (absent != 0) {
    words += " and " + NamedEvents(absent) + (EventCount(absent) == 1 ? " does not" : " do not");
  }
  return words;
}

bool Counted(const Question& question, std::uint32_t atom) {
  const std::int32_t k = EventCount(atom);
  return CountsAtLeast(question) ? k >= CountedFrom(question) : k == question.r;
}

// The program's fixed data.
struct AtomData {
  std::int32_t n = 0;
  std::int32_t order = 0;
  Question question;
  std::vector<std::uint32_t> rows;   // row 0 is the empty intersection, then the file's order
  std::vector<std::int32_t> row_of;  // for each subset of events, its row, or -1
  std::vector<double> b;
  std::vector<mpz_class> b_scaled;  // b times `scale`, whole numbers
  mpz_class scale;

  std::size_t size() const { return rows.size(); }
  Column atoms() const { return Column{1} << n; }
  bool Artificial(Column column) const { return column >= atoms(); }
};

AtomData MakeData(const Question& question, std::int32_t n, std::int32_t order,
                  const std::vector<Rational>& values) {
  AtomData data;
  data.n = n;
  data.order = order;
  data.question = question;
  data.rows = {0};
  const std::vector<std::uint32_t> subsets = SubsetsInFileOrder(n, order);
  data.rows.insert(data.rows.end(), subsets.begin(), subsets.end());
  data.row_of.assign(static_cast<std::size_t>(data.atoms()), -1);
  for (std::size_t i = 0; i < data.rows.size(); ++i) {
    data.row_of[data.rows[i]] = static_cast<std::int32_t>(i);
  }
  data.scale = 1;
  for (const Rational& value : values) {
    data.scale = lcm(data.scale, value.get_den());
  }
  data.b = {1.0};
  data.b_scaled = {data.scale};
  for (const Rational& value : values) {
    data.b.push_back(NearestDouble(value));
    data.b_scaled.push_back(value.get_num() * (data.scale / value.get_den()));
  }
  return data;
}

// The rows of a column: for an atom, every given intersection of events that all occur in it.
std::vector<std::int32_t> RowsOf(const AtomData& data, Column column) {
  if (data.Artificial(column)) {
    return {static_cast<std::int32_t>(column - data.atoms())};
  }
  const auto atom = static_cast<std::uint32_t>(column);
  std::vector<std::uint32_t> subsets = {0};
  for (std::uint32_t rest = atom; rest != 0; rest &= rest - 1) {
    const std::uint32_t bit = rest & (~rest + 1);
    const std::size_t before = subsets.size();
    for (std::size_t k = 0; k < before; ++k) {
      if (EventCount(subsets[k]) < data.order) {
        subsets.push_back(subsets[k] | bit);
      }
    }
  }
  std::vector<std::int32_t> rows(subsets.size());
  for (std::size_t k = 0; k < subsets.size(); ++k) {
    rows[k] = data.row_of[subsets[k]];
  }
  return rows;
}

// What is minimised: the artificial columns (the first phase), or the question's probability
// (its negative for the largest).
struct Objective {
  bool phase_one = false;
  Goal goal = Goal::kMinimum;
};

int Cost(const AtomData& data, const Objective& objective, Column column) {
  if (objective.phase_one) {
    return data.Artificial(column) ? 1 : 0;
  }
  if (data.Artificial(column) || !Counted(data.question, static_cast<std::uint32_t>(column))) {
    return 0;
  }
  return objective.goal == Goal::kMinimum ? 1 : -1;
}

std::vector<Column> ArtificialBasis(const AtomData& data) {
  std::vector<Column> basic(data.size());
  for (std::size_t i = 0; i < basic.size(); ++i) {
    basic[i] = data.atoms() + static_cast<Column>(i);
  }
  return basic;
}

// sum over the subsets T of each atom of values[T], for all atoms at once: n passes over 2^n.
void SubsetSums(std::vector<double>& values, std::int32_t n) {
  const std::size_t atoms = values.size();
  for (std::int32_t bit = 0; bit < n; ++bit) {
    const std::size_t step = std::size_t{1} << bit;
    for (std::size_t atom = 0; atom < atoms; ++atom) {
      if ((atom & step) != 0) {
        values[atom] += values[atom ^ step];
      }
    }
  }
}

std::vector<double> SpreadOverAtoms(const AtomData& data, const std::vector<double>& by_row) {
  std::vector<double> values(static_cast<std::size_t>(data.atoms()), 0.0);
  for (std::size_t i = 0; i < data.size(); ++i) {
    values[data.rows[i]] = by_row[i];
  }
  SubsetSums(values, data.n);
  return values;
}

// The simplex method in doubles, revised, with the inverse of the basis held dense. Only the
// atoms priced out so far take part in each step; when none of them improves, all 2^n atoms are
// priced at once and the best are added.
class FloatSimplex {
 public:
  explicit FloatSimplex(const AtomData& data)
      : data_(data),
        size_(data.size()),
        in_working_(static_cast<std::size_t>(data.atoms()), 0),
        atom_basic_(static_cast<std::size_t>(data.atoms()), 0) {}

  // The basis it ends on, optimal in doubles unless the pivots ran out; the start when that
  // cannot be factored. Each phase first runs on data mixed with a ten-thousandth of those of
  // a distribution of random positive weight on every atom: still feasible, and no longer
  // degenerate, so that the primal steps make progress instead of wandering among bases of one
  // vertex. The true data follow, with dual steps to mend the basic values the mixture moved
  // below 0 and primal steps to finish.
  std::vector<Column> Run(const Objective& objective, const std::vector<Column>& start,
                          std::int64_t& pivots) {
    basic_ = start;
    std::fill(atom_basic_.begin(), atom_basic_.end(), 0);
    for (const Column column : basic_) {
      if (!data_.Artificial(column)) {
        atom_basic_[static_cast<std::size_t>(column)] = 1;
        Work(column);
      }
    }
    rhs_ = Mixed();
    if (!Reinvert()) {
      return start;
    }
    if (!objective.phase_one) {
      DriveOutArtificials(pivots);
    }
    Primal(objective, pivots);
    rhs_ = data_.b;
    if (!Reinvert()) {
      return start;
    }
    for (int round = 0; round < 8; ++round) {
      const bool dual = Dual(objective, pivots);
      const bool primal = Primal(objective, pivots);
      if (!dual && !primal) {
        break;
      }
    }
    return basic_;
  }

  // Whether the last run ended on a basis the doubles take for feasible: its artificial
  // columns (of either phase) at 0 and its atoms at or above 0, within the tolerance.
  bool Feasible() const {
    for (std::size_t i = 0; i < size_; ++i) {
      if (data_.Artificial(basic_[i]) ? std::fabs(x_[i]) > kTolerance : x_[i] < -kTolerance) {
        return false;
      }
    }
    return true;
  }

 private:
  std::vector<double> Mixed() const {
    constexpr double kShare = 1e-4;
    std::mt19937_64 random(20261211);
    std::uniform_real_distribution<double> weight(0.5, 1.5);
    std::vector<double> above(static_cast<std::size_t>(data_.atoms()));
    for (double& w : above) {
      w = weight(random);
    }
    // P(all events of T occur) for these weights: the sums over the atoms containing T.
    for (std::int32_t bit = 0; bit < data_.n; ++bit) {
      const std::size_t step = std::size_t{1} << bit;
      for (std::size_t atom = 0; atom < above.size(); ++atom) {
        if ((atom & step) == 0) {
          above[atom] += above[atom | step];
        }
      }
    }
    std::vector<double> mixed(size_);
    for (std::size_t i = 0; i < size_; ++i) {
      mixed[i] = (1 - kShare) * data_.b[i] + kShare * above[data_.rows[i]] / above[0];
    }
    return mixed;
  }

  // After the first phase: each artificial column left in the basis (at 0) gives way to the
  // atom of the largest entry in its row, a step that moves no value. Left to the ratio test,
  // they would leave on whatever tiny entry came first, and the inverse would lose its digits.
  void DriveOutArtificials(std::int64_t& pivots) {
    for (std::size_t r = 0; r < size_; ++r) {
      if (!data_.Artificial(basic_[r])) {
        continue;
      }
      // The working atoms first; all 2^n only when none of them has an entry to pivot on.
      Column entering = -1;
      double largest = 1e-7;
      const auto consider = [&](Column atom, double entry) {
        if (!atom_basic_[static_cast<std::size_t>(atom)] && std::fabs(entry) > largest) {
          largest = std::fabs(entry);
          entering = atom;
        }
      };
      for (std::size_t k = 0; k < working_.size(); ++k) {
        consider(working_[k], RowEntry(r, k));
      }
      if (entering < 0) {
        const std::vector<double> row = SpreadOverAtoms(data_, RowOfInverse(r));
        for (Column atom = 0; atom < data_.atoms(); ++atom) {
          consider(atom, row[static_cast<std::size_t>(atom)]);
        }
      }
      if (entering < 0) {
        continue;
      }
      Work(entering);
      const std::vector<double> alpha = ColumnOf(entering);
      Pivot(r, alpha, x_[r] / alpha[r], entering);
      ++pivots;
    }
    Reinvert();
  }

  std::vector<double> RowOfInverse(std::size_t r) const {
    return std::vector<double>(binv_.begin() + static_cast<std::ptrdiff_t>(r * size_),
                               binv_.begin() + static_cast<std::ptrdiff_t>((r + 1) * size_));
  }

  // Row r of the inverse times the column of the k-th working atom.
  double RowEntry(std::size_t r, std::size_t k) const {
    double sum = 0.0;
    for (const std::int32_t row : working_rows_[k]) {
      sum += binv_[r * size_ + static_cast<std::size_t>(row)];
    }
    return sum;
  }

  // Primal steps until no atom improves; whether any was taken.
  bool Primal(const Objective& objective, std::int64_t& pivots) {
    const std::int64_t most = 400 * static_cast<std::int64_t>(size_) + 50000;
    std::int32_t degenerate_run = 0;
    bool moved = false;
    for (std::int64_t step = 0; step < most; ++step) {
      if (objective.phase_one && Infeasibility() <= kTolerance) {
        break;  // any feasible basis ends the first phase
      }
      const std::vector<double> y = Duals(objective);
      const bool careful = degenerate_run > 30;
      const Column entering = BestWorking(objective, y, careful);
      if (entering < 0) {
        if (!PriceAll(objective, y)) {
          break;
        }
        continue;
      }
      const std::vector<double> alpha = ColumnOf(entering);
      const std::ptrdiff_t leaving = Leaving(objective, alpha, careful);
      if (leaving < 0) {
        break;  // unbounded in doubles: the exact pivots decide
      }
      const auto r = static_cast<std::size_t>(leaving);
      const double theta = std::max(Level(r) / alpha[r], 0.0);
      degenerate_run = theta > kTolerance ? 0 : degenerate_run + 1;
      Pivot(r, alpha, theta, entering);
      moved = true;
      ++pivots;
      if (pivots % Refresh() == 0 && !Reinvert()) {
        break;
      }
    }
    return moved;
  }

  // Dual steps while a basic value lies below 0 (or an artificial one of the second phase away
  // from 0), each keeping every reduced cost of the 2^n atoms at or above 0; whether any was
  // taken.
  bool Dual(const Objective& objective, std::int64_t& pivots) {
    bool moved = false;
    for (std::size_t step = 0; step < 4 * size_ + 100; ++step) {
      std::ptrdiff_t leaving = -1;
      double worst = kTolerance;
      for (std::size_t i = 0; i < size_; ++i) {
        const bool stays_zero = data_.Artificial(basic_[i]) && !objective.phase_one;
        const double away = stays_zero ? std::fabs(x_[i]) : -x_[i];
        if (away > worst) {
          worst = away;
          leaving = static_cast<std::ptrdiff_t>(i);
        }
      }
      if (leaving < 0) {
        break;
      }
      const auto r = static_cast<std::size_t>(leaving);
      const double sign = x_[r] < 0 ? -1.0 : 1.0;
      const std::vector<double> y = Duals(objective);
      // The least ratio of reduced cost to pivot entry keeps every reduced cost at or above 0.
      // The working atoms are tried first: the primal steps that follow mend any atom outside
      // them that the step leaves below 0, and a pass over all 2^n atoms costs far more.
      Column entering = -1;
      double best_ratio = INFINITY;
      double best_pivot = 0.0;
      const auto consider = [&](Column atom, double entry, double reduced) {
        const double pivot = sign * entry;
        if (atom_basic_[static_cast<std::size_t>(atom)] || pivot <= kTolerance) {
          return;
        }
        const double ratio = std::max(reduced, 0.0) / pivot;
        if (ratio < best_ratio - kTolerance ||
            (ratio <= best_ratio + kTolerance && pivot > best_pivot)) {
          best_ratio = std::min(ratio, best_ratio);
          best_pivot = pivot;
          entering = atom;
        }
      };
      for (std::size_t k = 0; k < working_.size(); ++k) {
        double reduced = Cost(data_, objective, working_[k]);
        for (const std::int32_t row : working_rows_[k]) {
          reduced -= y[static_cast<std::size_t>(row)];
        }
        consider(working_[k], RowEntry(r, k), reduced);
      }
      if (entering < 0) {
        const std::vector<double> costs = SpreadOverAtoms(data_, y);
        const std::vector<double> row = SpreadOverAtoms(data_, RowOfInverse(r));
        for (Column atom = 0; atom < data_.atoms(); ++atom) {
          const auto a = static_cast<std::size_t>(atom);
          consider(atom, row[a], Cost(data_, objective, atom) - costs[a]);
        }
      }
      if (entering < 0) {
        break;  // no distribution has these data, as far as the doubles tell
      }
      Work(entering);
      const std::vector<double> alpha = ColumnOf(entering);
      if (std::fabs(alpha[r]) <= kTolerance) {
        break;
      }
      Pivot(r, alpha, x_[r] / alpha[r], entering);
      moved = true;
      ++pivots;
      if (pivots % Refresh() == 0 && !Reinvert()) {
        break;
      }
    }
    return moved;
  }

  // Pivots between fresh inversions: each costs about size^3, a pivot size^2.
  std::int64_t Refresh() const {
    return std::max<std::int64_t>(64, static_cast<std::int64_t>(size_));
  }

  std::vector<double> ColumnOf(Column column) const {
    const std::vector<std::int32_t> rows = RowsOf(data_, column);
    std::vector<double> alpha(size_, 0.0);
    for (std::size_t i = 0; i < size_; ++i) {
      double sum = 0.0;
      for (const std::int32_t r : rows) {
        sum += binv_[i * size_ + static_cast<std::size_t>(r)];
      }
      alpha[i] = sum;
    }
    return alpha;
  }

  // A basic value for the ratio test: rounding noise around 0 counts as 0, so that ties at a
  // degenerate vertex are ties.
  double Level(std::size_t i) const { return x_[i] > 1e-12 ? x_[i] : 0.0; }

 private:
  double Infeasibility() const {
    double sum = 0.0;
    for (std::size_t i = 0; i < size_; ++i) {
      if (data_.Artificial(basic_[i])) {
        sum += std::fabs(x_[i]);
      }
    }
    return sum;
  }

  void Work(Column atom) {
    if (!in_working_[static_cast<std::size_t>(atom)]) {
      in_working_[static_cast<std::size_t>(atom)] = 1;
      working_.push_back(atom);
      working_rows_.push_back(RowsOf(data_, atom));
    }
  }

  // Gauss-Jordan with partial pivoting on the basis matrix; false when it is singular.
  bool Reinvert() {
    const std::size_t size = size_;
    std::vector<double> a(size * size, 0.0);
    for (std::size_t k = 0; k < size; ++k) {
      for (const std::int32_t r : RowsOf(data_, basic_[k])) {
        a[static_cast<std::size_t>(r) * size + k] = 1.0;
      }
    }
    binv_.assign(size * size, 0.0);
    for (std::size_t i = 0; i < size; ++i) {
      binv_[i * size + i] = 1.0;
    }
    for (std::size_t k = 0; k < size; ++k) {
      std::size_t pivot = k;
      for (std::size_t i = k + 1; i < size; ++i) {
        if (std::fabs(a[i * size + k]) > std::fabs(a[pivot * size + k])) {
          pivot = i;
        }
      }
      if (std::fabs(a[pivot * size + k]) < 1e-11) {
        return false;
      }
      if (pivot != k) {
        for (std::size_t j = 0; j < size; ++j) {
          std::swap(a[k * size + j], a[pivot * size + j]);
          std::swap(binv_[k * size + j], binv_[pivot * size + j]);
        }
      }
      const double inverse = 1.0 / a[k * size + k];
      for (std::size_t j = k; j < size; ++j) {
        a[k * size + j] *= inverse;
      }
      for (std::size_t j = 0; j < size; ++j) {
        binv_[k * size + j] *= inverse;
      }
      for (std::size_t i = 0; i < size; ++i) {
        const double factor = a[i * size + k];
        if (i == k || factor == 0.0) {
          continue;
        }
        // The columns before k hold 0 in every row but their own already.
        for (std::size_t j = k + 1; j < size; ++j) {
          a[i * size + j] -= factor * a[k * size + j];
        }
        a[i * size + k] = 0.0;
        for (std::size_t j = 0; j < size; ++j) {
          binv_[i * size + j] -= factor * binv_[k * size + j];
        }
      }
    }
    x_.assign(size, 0.0);
    for (std::size_t i = 0; i < size; ++i) {
      double sum = 0.0;
      for (std::size_t j = 0; j < size; ++j) {
        sum += binv_[i * size + j] * rhs_[j];
      }
      x_[i] = sum;
    }
    return true;
  }

  std::vector<double> Duals(const Objective& objective) const {
    std::vector<double> y(size_, 0.0);
    for (std::size_t i = 0; i < size_; ++i) {
      const int cost = Cost(data_, objective, basic_[i]);
      if (cost == 0) {
        continue;
      }
      for (std::size_t j = 0; j < size_; ++j) {
        y[j] += cost * binv_[i * size_ + j];
      }
    }
    return y;
  }

  // The working atom of the most negative reduced cost (the first negative one when `careful`,
  // which cannot cycle), or -1 when none is below the tolerance.
  Column BestWorking(const Objective& objective, const std::vector<double>& y, bool careful) {
    Column best = -1;
    double best_cost = -kTolerance;
    for (std::size_t k = 0; k < working_.size(); ++k) {
      const Column atom = working_[k];
      if (atom_basic_[static_cast<std::size_t>(atom)]) {
        continue;
      }
      double reduced = Cost(data_, objective, atom);
      for (const std::int32_t r : working_rows_[k]) {
        reduced -= y[static_cast<std::size_t>(r)];
      }
      if (reduced < best_cost && (!careful || best < 0 || atom < best)) {
        best = atom;
        best_cost = careful ? -kTolerance : reduced;
      }
    }
    return best;
  }

  // Adds the atoms outside the working set with the most negative reduced costs; false when
  // there are none.
  bool PriceAll(const Objective& objective, const std::vector<double>& y) {
    const std::vector<double> sums = SpreadOverAtoms(data_, y);
    std::vector<std::pair<double, Column>> candidates;
    for (Column atom = 0; atom < data_.atoms(); ++atom) {
      const auto a = static_cast<std::size_t>(atom);
      if (in_working_[a]) {
        continue;
      }
      const double reduced = Cost(data_, objective, atom) - sums[a];
      if (reduced < -kTolerance) {
        candidates.emplace_back(reduced, atom);
      }
    }
    if (candidates.empty()) {
      return false;
    }
    const std::size_t most = std::max<std::size_t>(32, size_);
    if (candidates.size() > most) {
      std::nth_element(candidates.begin(), candidates.begin() + static_cast<std::ptrdiff_t>(most),
                       candidates.end());
      candidates.resize(most);
    }
    for (const auto& candidate : candidates) {
      Work(candidate.second);
    }
    return true;
  }

  // Harris's two passes: the largest pivot among the rows whose ratio is within the tolerance
  // of the least. In the second phase an artificial column in the basis must stay at 0, so it
  // leaves first whenever the entering column moves it.
  std::ptrdiff_t Leaving(const Objective& objective, const std::vector<double>& alpha,
                         bool careful) const {
    if (!objective.phase_one) {
      std::ptrdiff_t artificial = -1;
      for (std::size_t i = 0; i < size_; ++i) {
        if (data_.Artificial(basic_[i]) && std::fabs(alpha[i]) > kTolerance &&
            (artificial < 0 ||
             std::fabs(alpha[i]) > std::fabs(alpha[static_cast<std::size_t>(artificial)]))) {
          artificial = static_cast<std::ptrdiff_t>(i);
        }
      }
      if (artificial >= 0) {
        return artificial;
      }
    }
    // Bland's rule needs the true least ratio (ties broken by the least column), which a
    // tolerance would widen.
    const double slack = careful ? 0.0 : kTolerance;
    double bound = INFINITY;
    for (std::size_t i = 0; i < size_; ++i) {
      if (alpha[i] > kTolerance) {
        bound = std::min(bound, (Level(i) + slack) / alpha[i]);
      }
    }
    if (careful) {
      bound += 1e-14 * std::max(bound, 1.0);
    }
    std::ptrdiff_t leaving = -1;
    for (std::size_t i = 0; i < size_; ++i) {
      if (alpha[i] <= kTolerance || Level(i) / alpha[i] > bound) {
        continue;
      }
      const auto l = static_cast<std::size_t>(leaving);
      if (leaving < 0 || (careful ? basic_[i] < basic_[l] : alpha[i] > alpha[l])) {
        leaving = static_cast<std::ptrdiff_t>(i);
      }
    }
    return leaving;
  }

  void Pivot(std::size_t r, const std::vector<double>& alpha, double theta, Column entering) {
    const std::size_t size = size_;
    for (std::size_t i = 0; i < size; ++i) {
      x_[i] -= theta * alpha[i];
    }
    x_[r] = theta;
    const double inverse = 1.0 / alpha[r];
    double* pivot_row = &binv_[r * size];
    for (std::size_t j = 0; j < size; ++j) {
      pivot_row[j] *= inverse;
    }
    for (std::size_t i = 0; i < size; ++i) {
      if (i == r || alpha[i] == 0.0) {
        continue;
      }
      const double factor = alpha[i];
      double* row = &binv_[i * size];
      for (std::size_t j = 0; j < size; ++j) {
        row[j] -= factor * pivot_row[j];
      }
    }
    if (!data_.Artificial(basic_[r])) {
      atom_basic_[static_cast<std::size_t>(basic_[r])] = 0;
    }
    basic_[r] = entering;
    atom_basic_[static_cast<std::size_t>(entering)] = 1;
  }

  const AtomData& data_;
  std::size_t size_;
  std::vector<Column> working_;
  std::vector<std::vector<std::int32_t>> working_rows_;
  std::vector<char> in_working_;
  std::vector<char> atom_basic_;
  std::vector<Column> basic_;
  std::vector<double> binv_;  // row i belongs to basic_[i]
  std::vector<double> x_;
  std::vector<double> rhs_;  // the data the basic values solve for
};

enum class ExactEnd {
  kOptimal,
  kNotFeasible,  // the start basis is not feasible in exact arithmetic
  kFailed,       // a singular basis: the start was not a basis
  kGaveUp,       // more exact pivots than the program allows itself
};

// Exact pivots each solve their basis afresh and price all 2^n atoms; from the basis of the
// doubles only a few are needed. A run that needs far more ends with a refusal rather than
// working for hours.
std::int64_t MostExactPivots(const AtomData& data) {
  return 20 * static_cast<std::int64_t>(data.size()) + 2000;
}

struct ExactRun {
  ExactEnd end = ExactEnd::kFailed;
  std::vector<Column> basic;
  IntegerSolution x;  // the basic solution times data.scale
};

// The first atom outside the basis (in increasing order) whose reduced cost under the duals
// y is negative, in exact arithmetic, or -1. The doubles decide every atom whose reduced cost
// lies clearly away from 0; only the others are summed exactly.
Column FirstImproving(const AtomData& data, const Objective& objective, const IntegerSolution& y,
                      const std::vector<char>& atom_basic) {
  const std::size_t size = data.size();
  std::vector<double> y_double(size);
  std::vector<double> y_size(size);
  for (std::size_t i = 0; i < size; ++i) {
    y_double[i] = NearestDouble(Rational(y.numerators[i], y.denominator));
    y_size[i] = std::fabs(y_double[i]);
  }
  const std::vector<double> sums = SpreadOverAtoms(data, y_double);
  const std::vector<double> sizes = SpreadOverAtoms(data, y_size);
  mpz_class exact;
  for (Column atom = 0; atom < data.atoms(); ++atom) {
    const auto a = static_cast<std::size_t>(atom);
    if (atom_basic[a]) {
      continue;
    }
    const int cost = Cost(data, objective, atom);
    const double reduced = cost - sums[a];
    // Each sum adds at most n + 1 roundings to values rounded once: far below this margin.
    const double margin = 1e-11 * (std::abs(cost) + sizes[a]) + 1e-300;
    if (reduced > margin) {
      continue;
    }
    if (reduced < -margin) {
      return atom;
    }
    exact = cost * y.denominator;
    for (const std::int32_t r : RowsOf(data, atom)) {
      exact -= y.numerators[static_cast<std::size_t>(r)];
    }
    if (exact < 0) {
      return atom;
    }
  }
  return -1;
}

// The simplex method in exact arithmetic from a basis, with Bland's rules (the first improving
// atom enters; of the rows tied in the ratio test, the one of the least column leaves), which
// cannot cycle. Each pivot solves its basis afresh by p-adic lifting.
ExactRun ExactSimplex(const AtomData& data, const Objective& objective, std::vector<Column> basic,
                      std::int64_t& pivots) {
  const std::size_t size = data.size();
  ExactRun run;
  ModularSystem system;
  std::vector<char> atom_basic(static_cast<std::size_t>(data.atoms()), 0);
  for (std::int64_t step = 0;; ++step) {
    if (step > MostExactPivots(data)) {
      run.end = ExactEnd::kGaveUp;
      return run;
    }
    std::vector<std::int8_t> matrix(size * size, 0);
    std::fill(atom_basic.begin(), atom_basic.end(), 0);
    for (std::size_t k = 0; k < size; ++k) {
      for (const std::int32_t r : RowsOf(data, basic[k])) {
        matrix[static_cast<std::size_t>(r) * size + k] = 1;
      }
      if (!data.Artificial(basic[k])) {
        atom_basic[static_cast<std::size_t>(basic[k])] = 1;
      }
    }
    if (!system.Factor(matrix, size)) {
      return run;
    }
    IntegerSolution x = system.Solve(data.b_scaled);
    if (x.numerators.empty()) {
      return run;
    }
    run.basic = basic;
    for (std::size_t k = 0; k < size; ++k) {
      const bool stays_zero = data.Artificial(basic[k]) && !objective.phase_one;
      if (x.numerators[k] < 0 || (stays_zero && x.numerators[k] != 0)) {
        run.end = ExactEnd::kNotFeasible;
        return run;
      }
    }
    std::vector<mpz_class> costs(size);
    bool artificials_zero = true;
    for (std::size_t k = 0; k < size; ++k) {
      costs[k] = Cost(data, objective, basic[k]);
      artificials_zero = artificials_zero && (!data.Artificial(basic[k]) || x.numerators[k] == 0);
    }
    // The first phase cannot go below 0: a feasible distribution ends it whatever the duals
    // say, and degenerate pivots to prove it would be wasted.
    if (objective.phase_one && artificials_zero) {
      run.end = ExactEnd::kOptimal;
      run.x = std::move(x);
      return run;
    }
    const IntegerSolution y = system.Solve(costs, true);
    if (y.numerators.empty()) {
      return run;
    }
    const Column entering = FirstImproving(data, objective, y, atom_basic);
    if (entering < 0) {
      run.end = ExactEnd::kOptimal;
      run.x = std::move(x);
      return run;
    }
    std::vector<mpz_class> column(size, 0);
    for (const std::int32_t r : RowsOf(data, entering)) {
      column[static_cast<std::size_t>(r)] = 1;
    }
    const IntegerSolution alpha = system.Solve(column);
    if (alpha.numerators.empty()) {
      return run;
    }
    // x_k / alpha_k over a common positive denominator each, so ratios compare by cross
    // products of numerators. An artificial column of the second phase leaves at ratio 0
    // whenever the entering column moves it (its x is 0 already).
    auto stays_zero = [&](std::size_t k) {
      return data.Artificial(basic[k]) && !objective.phase_one;
    };
    auto ratio_below = [&](std::size_t k, std::size_t l) {
      const mpz_class x_k = stays_zero(k) ? mpz_class(0) : x.numerators[k];
      const mpz_class a_k = stays_zero(k) ? mpz_class(1) : alpha.numerators[k];
      const mpz_class x_l = stays_zero(l) ? mpz_class(0) : x.numerators[l];
      const mpz_class a_l = stays_zero(l) ? mpz_class(1) : alpha.numerators[l];
      const int order = cmp(mpz_class(x_k * a_l), mpz_class(x_l * a_k));
      return order < 0 || (order == 0 && basic[k] < basic[l]);
    };
    std::ptrdiff_t leaving = -1;
    for (std::size_t k = 0; k < size; ++k) {
      const mpz_class& a = alpha.numerators[k];
      if (!(a > 0 || (stays_zero(k) && a != 0))) {
        continue;
      }
      if (leaving < 0 || ratio_below(k, static_cast<std::size_t>(leaving))) {
        leaving = static_cast<std::ptrdiff_t>(k);
      }
    }
    if (leaving < 0) {
      return run;
    }
    basic[static_cast<std::size_t>(leaving)] = entering;
    ++pivots;
  }
}

// One bound from the exact run's solution.
AtomBound BoundOf(const AtomData& data, const ExactRun& run) {
  AtomBound bound;
  bound.status = ProgramStatus::kOptimal;
  const mpz_class denominator = run.x.denominator * data.scale;
  for (std::size_t k = 0; k < data.size(); ++k) {
    const Column column = run.basic[k];
    if (data.Artificial(column) || run.x.numerators[k] == 0) {
      continue;
    }
    Rational probability(run.x.numerators[k], denominator);
    probability.canonicalize();
    const auto atom = static_cast<std::uint32_t>(column);
    if (Counted(data.question, atom)) {
      bound.value += probability;
    }
    bound.distribution.emplace_back(atom, std::move(probability));
  }
  std::sort(bound.distribution.begin(), bound.distribution.end(),
            [](const auto& a, const auto& b) { return a.first < b.first; });
  return bound;
}

// The exact run from `start` (the doubles' basis), and from `fallback` (a basis feasible in
// exact arithmetic) when `start` is not feasible exactly.
ExactRun ExactFrom(const AtomData& data, const Objective& objective,
                   const std::vector<Column>& start, const std::vector<Column>& fallback,
                   std::int64_t& pivots) {
  ExactRun run = ExactSimplex(data, objective, start, pivots);
  if (run.end != ExactEnd::kOptimal && run.end != ExactEnd::kGaveUp && start != fallback) {
    run = ExactSimplex(data, objective, fallback, pivots);
  }
  return run;
}

std::string GaveUpOr(const ExactRun& run, const char* fault) {
  return run.end == ExactEnd::kGaveUp
             ? "no optimum was proved within the exact pivots allowed (20 a row, and 2000)"
             : std::string(fault);
}

AtomInterval Infeasible(std::string reason) {
  AtomInterval interval;
  interval.reason = std::move(reason);
  return interval;
}

// Every intersection given: the distribution over the atoms is the Moebius inversion of the
// intersections, one point.
AtomInterval FromEveryOrder(const Question& question, std::int32_t n,
                            const std::vector<Rational>& values) {
  const auto start = std::chrono::steady_clock::now();
  const std::vector<std::uint32_t> subsets = SubsetsInFileOrder(n, n);
  mpz_class scale = 1;
  for (const Rational& value : values) {
    scale = lcm(scale, value.get_den());
  }
  std::vector<mpz_class> atoms(std::size_t{1} << n);
  atoms[0] = scale;
  for (std::size_t i = 0; i < subsets.size(); ++i) {
    atoms[subsets[i]] = values[i].get_num() * (scale / values[i].get_den());
  }
  // From the probability that the events of T all occur to that that exactly they occur.
  for (std::int32_t bit = 0; bit < n; ++bit) {
    const std::size_t step = std::size_t{1} << bit;
    for (std::size_t atom = 0; atom < atoms.size(); ++atom) {
      if ((atom & step) == 0) {
        atoms[atom] -= atoms[atom | step];
      }
    }
  }
  std::vector<std::uint32_t> order = {0};
  order.insert(order.end(), subsets.begin(), subsets.end());
  const std::uint32_t all = static_cast<std::uint32_t>(atoms.size() - 1);
  AtomBound bound;
  bound.status = ProgramStatus::kOptimal;
  for (const std::uint32_t atom : order) {
    Rational probability(atoms[atom], scale);
    probability.canonicalize();
    if (probability < 0) {
      return Infeasible("the probabilities given for all " + std::to_string(n) +
                        " events fit no distribution: the probability that " +
                        AtomWords(all, atom) + " would be " + ShortDecimal(probability));
    }
    if (probability == 0) {
      continue;
    }
    if (Counted(question, atom)) {
      bound.value += probability;
    }
    bound.distribution.emplace_back(atom, std::move(probability));
  }
  std::sort(bound.distribution.begin(), bound.distribution.end(),
            [](const auto& a, const auto& b) { return a.first < b.first; });
  bound.seconds = SecondsSince(start);
  AtomInterval interval;
  interval.lower = bound;
  interval.upper = std::move(bound);
  return interval;
}

}  // namespace

std::vector<std::uint32_t> SubsetsInFileOrder(std::int32_t n, std::int32_t m) {
  std::vector<std::uint32_t> subsets;
  const std::int32_t order = std::min(m, n);
  for (std::int32_t k = 1; k <= order; ++k) {
    // The combinations of k of 0 .. n - 1 in lexicographic order.
    std::vector<std::int32_t> chosen(static_cast<std::size_t>(k));
    for (std::int32_t i = 0; i < k; ++i) {
      chosen[static_cast<std::size_t>(i)] = i;
    }
    for (;;) {
      std::uint32_t mask = 0;
      for (const std::int32_t event : chosen) {
        mask |= std::uint32_t{1} << event;
      }
      subsets.push_back(mask);
      std::int32_t i = k - 1;
      while (i >= 0 && chosen[static_cast<std::size_t>(i)] == n - k + i) {
        --i;
      }
      if (i < 0) {
        break;
      }
      ++chosen[static_cast<std::size_t>(i)];
      for (std::int32_t j = i + 1; j < k; ++j) {
        chosen[static_cast<std::size_t>(j)] = chosen[static_cast<std::size_t>(j - 1)] + 1;
      }
    }
  }
  return subsets;
}

std::string EventWords(std::uint32_t subset) {
  std::vector<std::int32_t> events;
  for (std::int32_t i = 0; i < 32; ++i) {
    if ((subset >> i) & 1U) {
      events.push_back(i + 1);
    }
  }
  std::string words;
  for (std::size_t k = 0; k < events.size(); ++k) {
    if (k > 0) {
      words += k + 1 == events.size() ? " and " : ", ";
    }
    words += std::to_string(events[k]);
  }
  return words;
}

std::string AtomProgramLimit(std::int32_t n, std::int32_t m) {
  if (n > kMostAtomEvents) {
    return "the bounds from every intersection take n up to " + std::to_string(kMostAtomEvents) +
           " (2^n atoms), not n=" + std::to_string(n);
  }
  if (m >= n) {
    return "";
  }
  const auto rows = static_cast<std::int64_t>(SubsetsInFileOrder(n, m).size()) + 1;
  if (rows > kMostAtomRows) {
    return "the bounds from every intersection take at most " + std::to_string(kMostAtomRows) +
           " intersections (with the empty one) unless every order is given; n=" +
           std::to_string(n) + ", m=" + std::to_string(m) + " give " + std::to_string(rows);
  }
  return "";
}

std::string FirstLocalInconsistency(std::int32_t n, std::int32_t m,
                                    const std::vector<Rational>& values) {
  const std::vector<std::uint32_t> subsets = SubsetsInFileOrder(n, std::min(m, 3));
  // The subsets of up to three events come first in the file's order, each after its own
  // subsets, so a map from mask to value fills as they are checked.
  std::vector<std::pair<std::uint32_t, const Rational*>> known;
  const Rational one(1);
  known.emplace_back(0, &one);
  auto value_of = [&known](std::uint32_t subset) -> const Rational& {
    const auto found = std::lower_bound(known.begin(), known.end(), subset,
                                        [](const std::pair<std::uint32_t, const Rational*>& a,
                                           std::uint32_t b) { return a.first < b; });
    return *found->second;
  };
  for (std::size_t i = 0; i < subsets.size() && i < values.size(); ++i) {
    known.emplace_back(subsets[i], &values[i]);
  }
  std::sort(known.begin(), known.end(),
            [](const auto& a, const auto& b) { return a.first < b.first; });
  for (const std::uint32_t subset : subsets) {
    // Each atom of the events of `subset`, from all of them occurring down to none.
    for (std::uint32_t occur = subset;; occur = (occur - 1) & subset) {
      Rational probability;
      for (std::uint32_t more = subset & ~occur;; more = (more - 1) & (subset & ~occur)) {
        const Rational& term = value_of(occur | more);
        if (EventCount(more) % 2 == 0) {
          probability += term;
        } else {
          probability -= term;
        }
        if (more == 0) {
          break;
        }
      }
      if (probability < 0) {
        return "the probabilities given for " + NamedEvents(subset) +
               " fit no distribution: the probability that " + AtomWords(subset, occur) +
               " would be " + ShortDecimal(probability);
      }
      if (occur == 0) {
        break;
      }
    }
  }
  // Beyond three events, at least each value must be a probability (the program starts from
  // the data as they are, which a negative one would leave without a first basis).
  const std::vector<std::uint32_t> all = SubsetsInFileOrder(n, m);
  for (std::size_t i = subsets.size(); i < all.size() && i < values.size(); ++i) {
    if (values[i] < 0 || values[i] > 1) {
      return "the probability given for " + NamedEvents(all[i]) + " together, " +
             ShortDecimal(values[i]) + ", is no probability";
    }
  }
  return "";
}

AtomInterval SolveAtomInterval(const Question& question, std::int32_t n, std::int32_t m,
                               const std::vector<Rational>& values, AtomMethod method) {
  if (n < 0 || m < 0 || !AtomProgramLimit(n, m).empty()) {
    throw std::invalid_argument(AtomProgramLimit(n, m));
  }
  const std::int32_t order = std::min(m, n);
  if (values.size() != SubsetsInFileOrder(n, order).size()) {
    throw std::invalid_argument("one value for each intersection of up to m events is needed");
  }
  if (std::string reason = FirstLocalInconsistency(n, order, values); !reason.empty()) {
    return Infeasible(std::move(reason));
  }
  if (order >= n) {
    return FromEveryOrder(question, n, values);
  }
  const AtomData data = MakeData(question, n, order, values);
  const bool floats = method == AtomMethod::kFloatThenExact;
  FloatSimplex simplex(data);
  AtomInterval interval;

  auto start = std::chrono::steady_clock::now();
  const std::vector<Column> artificial = ArtificialBasis(data);
  std::int64_t pivots = 0;
  const Objective phase_one{true, Goal::kMinimum};
  const std::vector<Column> first =
      floats ? simplex.Run(phase_one, artificial, pivots) : artificial;
  const Objective lowest_objective{false, Goal::kMinimum};
  // The exact run of the second phase proves feasibility itself (its basis solves the data
  // with every atom at or above 0 and every artificial column at 0), so the first phase is
  // proved exactly only when that run cannot start: data that fit nothing, or a basis of the
  // doubles that is not feasible exactly.
  ExactRun lowest;
  if (floats && simplex.Feasible()) {
    const std::vector<Column> guess = simplex.Run(lowest_objective, first, pivots);
    lowest = ExactSimplex(data, lowest_objective, guess, pivots);
  }
  if (lowest.end != ExactEnd::kOptimal) {
    const ExactRun feasible = ExactFrom(data, phase_one, first, artificial, pivots);
    if (feasible.end != ExactEnd::kOptimal) {
      throw std::logic_error(GaveUpOr(feasible, "the exact simplex found no basis"));
    }
    for (std::size_t k = 0; k < data.size(); ++k) {
      if (data.Artificial(feasible.basic[k]) && feasible.x.numerators[k] != 0) {
        return Infeasible("the probabilities given fit no distribution of the " +
                          std::to_string(n) + " events, though those of any " +
                          std::to_string(std::min(order, 3)) + " of them do");
      }
    }
    const std::vector<Column> guess =
        floats ? simplex.Run(lowest_objective, feasible.basic, pivots) : feasible.basic;
    lowest = ExactFrom(data, lowest_objective, guess, feasible.basic, pivots);
    if (lowest.end != ExactEnd::kOptimal) {
      throw std::logic_error(GaveUpOr(lowest, "the exact simplex lost its feasible basis"));
    }
  }
  interval.lower = BoundOf(data, lowest);
  interval.lower.pivots = pivots;
  interval.lower.seconds = SecondsSince(start);

  start = std::chrono::steady_clock::now();
  std::int64_t upper_pivots = 0;
  const Objective highest_objective{false, Goal::kMaximum};
  const std::vector<Column> guess =
      floats ? simplex.Run(highest_objective, lowest.basic, upper_pivots) : lowest.basic;
  const ExactRun highest = ExactFrom(data, highest_objective, guess, lowest.basic, upper_pivots);
  if (highest.end != ExactEnd::kOptimal) {
    throw std::logic_error(GaveUpOr(highest, "the exact simplex lost its feasible basis"));
  }
  interval.upper = BoundOf(data, highest);
  interval.upper.pivots = upper_pivots;
  interval.upper.seconds = SecondsSince(start);
  return interval;
}

}  // namespace unionbound
