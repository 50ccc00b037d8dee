#include "bounds/atom_columns.h"

#include <bit>

#include "bounds/atom_program.h"

namespace unionbound::atoms {

bool Counted(const Question& question, std::uint32_t atom) {
  const std::int32_t k = std::popcount(atom);
  return CountsAtLeast(question) ? k >= CountedFrom(question) : k == question.r;
}

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
      if (std::popcount(subsets[k]) < data.order) {
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

namespace {

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

}  // namespace

std::vector<double> SpreadOverAtoms(const AtomData& data, const std::vector<double>& by_row) {
  std::vector<double> values(static_cast<std::size_t>(data.atoms()), 0.0);
  for (std::size_t i = 0; i < data.size(); ++i) {
    values[data.rows[i]] = by_row[i];
  }
  SubsetSums(values, data.n);
  return values;
}

}  // namespace unionbound::atoms
