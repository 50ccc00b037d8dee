// unionbound._unionbound: include/unionbound/unionbound.h for Python. The front in
// unionbound/__init__.py turns the arguments into the moments' text and the results into
// floats or fractions; unionbound::Error, a std::invalid_argument, arrives as ValueError.
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include "unionbound/unionbound.h"

namespace py = pybind11;

namespace {

// The question as the front names it: "union", "at_least" or "exactly", with r.
unionbound::Probability ProbabilityOf(const std::string& kind, std::int32_t r) {
  if (kind == "at_least") {
    return unionbound::AtLeast(r);
  }
  if (kind == "exactly") {
    return unionbound::Exactly(r);
  }
  return unionbound::Union();
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
  py::class_<Bounds>(module, "Bounds")
      .def_readonly("n", &Bounds::n)
      .def_readonly("m", &Bounds::m)
      .def_readonly("S", &Bounds::S)
      .def_readonly("S_fractions", &Bounds::S_fractions)
      .def_readonly("lower", &Bounds::lower)
      .def_readonly("upper", &Bounds::upper)
      .def_readonly("notes", &Bounds::notes);
  module.def("version", &unionbound::Version);
  module.def(
      "sharp_bounds",
      [](std::int32_t n, const std::vector<std::string>& moments, const std::string& kind,
         std::int32_t r) { return unionbound::SharpBounds(n, moments, ProbabilityOf(kind, r)); },
      py::arg("n"), py::arg("moments"), py::arg("kind"), py::arg("r"));
  module.def(
      "sharp_bounds_from_file",
      [](const std::string& path, std::int32_t n, std::int32_t m, const std::string& kind,
         std::int32_t r) {
        return unionbound::SharpBoundsFromFile(path, n, m, ProbabilityOf(kind, r));
      },
      py::arg("path"), py::arg("n"), py::arg("m"), py::arg("kind"), py::arg("r"));
  module.def("moments_from_file", &unionbound::MomentsFromFile, py::arg("path"), py::arg("n"),
             py::arg("m"));
}
