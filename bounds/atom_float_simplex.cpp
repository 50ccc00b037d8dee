#include "bounds/atom_float_simplex.h"

#include <algorithm>
#include <cmath>
#include <random>
#include <utility>

namespace unionbound::atoms {

class FloatSimplex::State {
 public:
  explicit State(const AtomData& data)
      : data_(data),
        size_(data.size()),
        in_working_(static_cast<std::size_t>(data.atoms()), 0),
        atom_basic_(static_cast<std::size_t>(data.atoms()), 0) {}

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

FloatSimplex::FloatSimplex(const AtomData& data) : state_(std::make_unique<State>(data)) {}

FloatSimplex::~FloatSimplex() = default;

std::vector<Column> FloatSimplex::Run(const Objective& objective, const std::vector<Column>& start,
                                      std::int64_t& pivots) {
  return state_->Run(objective, start, pivots);
}

bool FloatSimplex::Feasible() const {
  return state_->Feasible();
}

}  // namespace unionbound::atoms
