// The block reader against the stream-extraction oracle on arbitrary bytes: the same Vector bit
// for bit and the same count of good numbers. The first byte chooses how many numbers to ask
// for; the rest is the file.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "driver/probability_input.h"
#include "tests/support/stream_oracle.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) {
    return 0;
  }
  const std::int64_t count = data[0] % 64;
  const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
  const unionbound::ProbabilityRead got = unionbound::ParseProbabilities(text, count);
  const unionbound::testing::OracleRead want = unionbound::testing::StreamOracle(text, count);
  if (got.good != want.good || got.values.size() != want.values.size()) {
    std::abort();
  }
  for (std::size_t k = 0; k < want.values.size(); ++k) {
    if (std::memcmp(&got.values[k], &want.values[k], sizeof(double)) != 0) {
      std::abort();
    }
  }
  return 0;
}
