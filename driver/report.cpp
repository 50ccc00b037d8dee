#include "driver/report.h"

#include <iomanip>

namespace unionbound {
namespace {

void WriteBlock(const char* title, const BoundResult& bound, double seconds, std::ostream& s) {
  s << title << std::endl;
  s << std::setprecision(15) << bound.value << std::endl;
  s << "Running time: " << seconds << std::endl;
  s << "Basis subscripts:";
  PrintIndexVector(bound.basis, s);
  s << std::endl;
}

}  // namespace

void PrintIndexVector(const IndexVector& v, std::ostream& s) {
  s << std::endl << "{";
  for (std::int32_t entry : v) {
    s << entry << ",";
  }
  s << "}" << std::endl;
}

void WriteBoundBlocks(const BoundReport& report, std::ostream& s) {
  s << std::endl;
  WriteBlock("Sharp lower bound on the probability of the union:", report.lower, report.lower_time,
             s);
  WriteBlock("Sharp upper bound on the probability of the union:", report.upper, report.upper_time,
             s);
}

}  // namespace unionbound
