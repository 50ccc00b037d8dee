// A file cut into parts at drawn byte offsets, each part counted and summed from its first index,
// the parts merged in a drawn order: whenever every part is summed, the merged sums answer as the
// whole read does (the same moments, warnings and refusal). And the partial sums' JSON: the
// merged sums round-trip, and the input itself read as JSON is refused or round-trips, never
// crashes.
//
// Input: n (1 .. 6), m (1 .. 3), the number of cuts (0 .. 15), two bytes for each cut, one byte
// for the order of merging, then the file's text.
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "input/file_parts.h"
#include "input/moment_data.h"
#include "unionbound/partial_sums.h"

namespace {

void Check(bool holds, const char* what) {
  if (!holds) {
    std::fprintf(stderr, "file_parts_fuzz: %s\n", what);
    std::abort();
  }
}

// The input read as partial sums' JSON: refused, or written back the same way twice.
void CheckJson(const std::string& text) {
  try {
    const std::string once = unionbound::ToJson(unionbound::PartialSumsFromJson(text));
    Check(unionbound::ToJson(unionbound::PartialSumsFromJson(once)) == once,
          "accepted JSON does not round-trip");
  } catch (const unionbound::Error&) {
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  CheckJson(input);
  if (size < 4) {
    return 0;
  }
  const std::int32_t n = 1 + data[0] % 6;
  const std::int32_t m = 1 + data[1] % 3;
  const std::size_t cuts = data[2] % 16;
  std::size_t at = 3;
  if (size < at + 2 * cuts + 1) {
    return 0;
  }
  std::vector<std::uint16_t> drawn;
  for (std::size_t k = 0; k < cuts; ++k, at += 2) {
    drawn.push_back(static_cast<std::uint16_t>(data[at] | (data[at + 1] << 8)));
  }
  const std::uint8_t order = data[at++];
  const std::string text = input.substr(at);

  const std::string path = "/tmp/unionbound-file-parts-fuzz-" + std::to_string(getpid());
  std::FILE* file = std::fopen(path.c_str(), "wb");
  Check(file != nullptr, "cannot write the scratch file");
  std::fwrite(text.data(), 1, text.size(), file);
  std::fclose(file);

  const auto length = static_cast<std::int64_t>(text.size());
  std::vector<std::int64_t> offsets = {0, length};
  for (const std::uint16_t cut : drawn) {
    offsets.push_back(cut % (length + 1));
  }
  std::sort(offsets.begin(), offsets.end());

  std::vector<unionbound::PartSums> parts;
  std::int64_t first = 0;
  bool all_summed = true;
  for (std::size_t k = 0; k + 1 < offsets.size(); ++k) {
    const unionbound::WordCount count = unionbound::CountWords(path, offsets[k], offsets[k + 1]);
    Check(count.problem.empty(), "the count failed");
    const unionbound::PartResult part =
        unionbound::SumFilePart({path, offsets[k], offsets[k + 1], first, 0}, n, m);
    all_summed = all_summed && part.refusal.empty();
    parts.push_back(part.sums);
    first += count.words;
  }
  const unionbound::MomentData whole = unionbound::MomentsOfFile(path, n, m, {});
  std::remove(path.c_str());
  if (!all_summed) {
    return 0;
  }
  // Merged from the end, the start or alternately, as the order byte says.
  unionbound::PartSums merged;
  for (std::size_t k = 0; k < parts.size(); ++k) {
    const std::size_t pick = order % 3 == 0   ? k
                             : order % 3 == 1 ? parts.size() - 1 - k
                                              : (k % 2 == 0 ? k / 2 : parts.size() - 1 - k / 2);
    Check(unionbound::MergeParts(merged, parts[pick]).empty(), "the parts do not merge");
  }
  const unionbound::MomentData from_parts = unionbound::MomentsOfParts(merged);
  Check(from_parts.refusal.empty() == whole.refusal.empty(), "one refuses, the other not");
  if (whole.refusal.empty()) {
    Check(from_parts.S == whole.S, "other moments");
    Check(from_parts.warnings == whole.warnings, "other warnings");
    Check(from_parts.improbable == whole.improbable, "another first improbable number");
  }
  return 0;
}
