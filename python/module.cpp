// unionbound._unionbound: include/unionbound/unionbound.h for Python. The front in
// unionbound/__init__.py turns the arguments into the moments' text and the results into
// floats or fractions; unionbound::Error, a std::invalid_argument, arrives as ValueError.
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include "unionbound/partial_sums.h"
#include "unionbound/unionbound.h"

namespace py = pybind11;

namespace {

// What the front asks: the question as it names it ("union", "at_least" or "exactly", with r),
// the rows by order and the classical bounds.
unionbound::Options OptionsOf(const std::string& kind, std::int32_t r, bool by_order,
                              bool classical, bool accept_short, bool individual = false) {
  unionbound::Options options;
  if (kind == "at_least") {
    options.probability = unionbound::AtLeast(r);
  } else if (kind == "exactly") {
    options.probability = unionbound::Exactly(r);
  }
  options.by_order = by_order;
  options.classical = classical;
  options.accept_short = accept_short;
  options.individual = individual;
  return options;
}

// Calls `step` of the partial sums, whose data not read whole (a gap between parts, a word that is
// not one number) no accept_short takes: its refusal is a plain ValueError.
template <class Step>
auto WithoutShortHint(const Step& step) {
  try {
    return step();
  } catch (const unionbound::Error& error) {
    throw unionbound::Error(error.what(), unionbound::Error::Cause::kInput, error.notes());
  }
}

}  // namespace

PYBIND11_MODULE(_unionbound, module) {
  using unionbound::Bound;
  using unionbound::Bounds;
  py::class_<Bound>(module, "Bound")
      .def_readonly("found", &Bound::found)
      .def_readonly("value", &Bound::value)
      .def_readonly("fraction", &Bound::fraction)
      .def_readonly("basis", &Bound::basis)
      .def_readonly("solution", &Bound::solution)
      .def_readonly("solution_fractions", &Bound::solution_fractions)
      .def_readonly("status", &Bound::status)
      .def_readonly("basis_changes", &Bound::basis_changes)
      .def_readonly("seconds", &Bound::seconds);
  using unionbound::ClassicalBound;
  using unionbound::OrderRow;
  py::class_<OrderRow>(module, "OrderRow")
      .def_readonly("k", &OrderRow::k)
      .def_readonly("status", &OrderRow::status)
      .def_readonly("lower", &OrderRow::lower)
      .def_readonly("upper", &OrderRow::upper)
      .def_readonly("classical", &OrderRow::classical)
      .def_readonly("bonferroni", &OrderRow::bonferroni)
      .def_readonly("bonferroni_side", &OrderRow::bonferroni_side)
      .def_readonly("dawson_sankoff_lower", &OrderRow::dawson_sankoff_lower)
      .def_readonly("kwerel_upper", &OrderRow::kwerel_upper);
  py::class_<ClassicalBound>(module, "ClassicalBound")
      .def_readonly("name", &ClassicalBound::name)
      .def_readonly("side", &ClassicalBound::side)
      .def_readonly("value", &ClassicalBound::value)
      .def_readonly("tightest", &ClassicalBound::tightest);
  using unionbound::IndividualBound;
  using unionbound::IndividualBounds;
  py::class_<IndividualBound>(module, "IndividualBound")
      .def_readonly("found", &IndividualBound::found)
      .def_readonly("value", &IndividualBound::value)
      .def_readonly("fraction", &IndividualBound::fraction)
      .def_readonly("status", &IndividualBound::status)
      .def_readonly("atoms", &IndividualBound::atoms)
      .def_readonly("basis_changes", &IndividualBound::basis_changes)
      .def_readonly("seconds", &IndividualBound::seconds);
  py::class_<IndividualBounds>(module, "IndividualBounds")
      .def_readonly("given", &IndividualBounds::given)
      .def_readonly("lower", &IndividualBounds::lower)
      .def_readonly("upper", &IndividualBounds::upper)
      .def_readonly("no_distribution_reason", &IndividualBounds::no_distribution_reason);
  py::class_<Bounds>(module, "Bounds")
      .def_readonly("n", &Bounds::n)
      .def_readonly("m", &Bounds::m)
      .def_readonly("S", &Bounds::S)
      .def_readonly("S_fractions", &Bounds::S_fractions)
      .def_readonly("lower", &Bounds::lower)
      .def_readonly("upper", &Bounds::upper)
      .def_readonly("by_order", &Bounds::by_order)
      .def_readonly("classical", &Bounds::classical)
      .def_readonly("individual", &Bounds::individual)
      .def_readonly("notes", &Bounds::notes)
      .def_readonly("no_distribution_reason", &Bounds::no_distribution_reason);
  module.def("version", &unionbound::Version);
  module.def(
      "sharp_bounds",
      [](std::int32_t n, const std::vector<std::string>& moments, const std::string& kind,
         std::int32_t r, bool by_order, bool classical) {
        return unionbound::SharpBounds(n, moments, OptionsOf(kind, r, by_order, classical, false));
      },
      py::arg("n"), py::arg("moments"), py::arg("kind"), py::arg("r"), py::arg("by_order") = false,
      py::arg("classical") = false);
  module.def(
      "sharp_bounds_from_file",
      [](const std::string& path, std::int32_t n, std::int32_t m, const std::string& kind,
         std::int32_t r, bool by_order, bool classical, bool accept_short, bool individual) {
        return unionbound::SharpBoundsFromFile(
            path, n, m, OptionsOf(kind, r, by_order, classical, accept_short, individual));
      },
      py::arg("path"), py::arg("n"), py::arg("m"), py::arg("kind"), py::arg("r"),
      py::arg("by_order") = false, py::arg("classical") = false, py::arg("accept_short") = false,
      py::arg("individual") = false);
  module.def(
      "bounds_from_intersections",
      [](std::int32_t n, std::int32_t m, const std::vector<std::string>& probabilities,
         const std::string& kind, std::int32_t r, bool by_order, bool individual) {
        return unionbound::SharpBoundsFromIntersections(
            n, m, probabilities, OptionsOf(kind, r, by_order, false, false, individual));
      },
      py::arg("n"), py::arg("m"), py::arg("probabilities"), py::arg("kind"), py::arg("r"),
      py::arg("by_order") = false, py::arg("individual") = false,
      py::call_guard<py::gil_scoped_release>());
  module.def("moments_from_file", &unionbound::MomentsFromFile, py::arg("path"), py::arg("n"),
             py::arg("m"), py::arg("accept_short") = false);
  // Partial sums cross into Python as their JSON text, which the front wraps in its own
  // PartialSums: one line to pickle, send to a worker or write to a file. The file passes
  // release the interpreter, so that threads of a local scheduler sum parts at once.
  module.def(
      "count_numbers",
      [](const std::string& path, std::int64_t from, std::int64_t to) {
        return unionbound::CountNumbers(path, from, to);
      },
      py::arg("path"), py::arg("start"), py::arg("end"), py::call_guard<py::gil_scoped_release>());
  module.def(
      "sum_part",
      [](const std::string& path, std::int32_t n, std::int32_t m, std::int64_t from,
         std::int64_t to, std::int64_t first_index, std::int32_t order) {
        return WithoutShortHint([&] {
          return unionbound::ToJson(
              unionbound::SumPart({path, from, to, first_index, order}, n, m));
        });
      },
      py::arg("path"), py::arg("n"), py::arg("m"), py::arg("start"), py::arg("end"),
      py::arg("first_index"), py::arg("order"), py::call_guard<py::gil_scoped_release>());
  module.def(
      "merge_sums",
      [](const std::string& a, const std::string& b) {
        return unionbound::ToJson(unionbound::MergeSums(unionbound::PartialSumsFromJson(a),
                                                        unionbound::PartialSumsFromJson(b)));
      },
      py::arg("a"), py::arg("b"));
  module.def(
      "checked_sums",
      [](const std::string& sums) {
        return unionbound::ToJson(unionbound::PartialSumsFromJson(sums));
      },
      py::arg("sums"));
  module.def(
      "bounds_from_sums",
      [](const std::string& sums, const std::string& kind, std::int32_t r, bool by_order,
         bool classical) {
        return WithoutShortHint([&] {
          return unionbound::SharpBoundsFromSums(unionbound::PartialSumsFromJson(sums),
                                                 OptionsOf(kind, r, by_order, classical, false));
        });
      },
      py::arg("sums"), py::arg("kind"), py::arg("r"), py::arg("by_order") = false,
      py::arg("classical") = false);
  module.def(
      "moments_from_sums",
      [](const std::string& sums) {
        return WithoutShortHint(
            [&] { return unionbound::MomentsFromSums(unionbound::PartialSumsFromJson(sums)); });
      },
      py::arg("sums"));
  // A refusal is a ValueError; a file not read whole says how to take it anyway, in Python's words.
  py::register_exception_translator([](std::exception_ptr thrown) {
    try {
      if (thrown) {
        std::rethrow_exception(thrown);
      }
    } catch (const unionbound::Error& error) {
      std::string message = error.what();
      if (error.cause() == unionbound::Error::Cause::kNotReadWhole) {
        message += " (accept_short=True lets the last number read stand for the rest)";
      }
      PyErr_SetString(PyExc_ValueError, message.c_str());
    }
  });
}
