#include "unionbound/partial_sums.h"

#include <charconv>
#include <limits>
#include <optional>
#include <utility>

#include "api/bounds_of_data.h"
#include "api/json_text.h"
#include "input/file_parts.h"
#include "numeric/exact_number.h"

namespace unionbound {
namespace {

// The format's name and version, the first member of every object, so that a file of
// something else is told apart at once.
constexpr const char* kFormat = "unionbound partial sums";
constexpr int kFormatVersion = 1;

std::string HexDigest(std::uint64_t digest) {
  constexpr char kHex[] = "0123456789abcdef";
  std::string hex(16, '0');
  for (int k = 15; k >= 0; --k, digest >>= 4) {
    hex[static_cast<std::size_t>(k)] = kHex[digest & 15];
  }
  return hex;
}

std::optional<std::uint64_t> DigestOfHex(const std::string& hex) {
  std::uint64_t digest = 0;
  const auto [end, error] = std::from_chars(hex.data(), hex.data() + hex.size(), digest, 16);
  if (hex.size() != 16 || error != std::errc() || end != hex.data() + hex.size()) {
    return std::nullopt;
  }
  return digest;
}

// The fields the public and the internal sums share by name.
template <class From, class To>
void CopyCountsAndImprobable(const From& from, To& to) {
  to.counts = from.counts;
  to.improbable = from.improbable;
  to.improbable_order = from.improbable_order;
  to.improbable_path = from.improbable_path;
  to.improbable_index = from.improbable_index;
  to.improbable_value = from.improbable_value;
}

PartialSums Public(const PartSums& sums) {
  PartialSums out;
  out.n = sums.n;
  out.m = sums.m;
  for (const PartFilePieces& file : sums.files) {
    PartialSums::File shown{
        file.file.path, file.file.size, HexDigest(file.file.head), file.file.order, {}};
    for (const PartPiece& piece : file.pieces) {
      shown.pieces.push_back({piece.byte_from, piece.byte_to, piece.index_from, piece.index_to});
    }
    out.files.push_back(std::move(shown));
  }
  for (const Rational& sum : sums.sums) {
    out.sums.push_back(sum.get_str());
  }
  CopyCountsAndImprobable(sums, out);
  return out;
}

[[noreturn]] void Unusable(const std::string& what) {
  throw Error("partial sums: " + what, Error::Cause::kInput);
}

// The internal sums of the public ones, each field checked: a value that did not come from
// SumPart or MergeSums (a JSON file edited by hand, say) is refused rather than trusted.
PartSums Internal(const PartialSums& sums) {
  if (sums.n < 0 || sums.m < 0 || sums.sums.size() != static_cast<std::size_t>(sums.m) ||
      sums.counts.size() != static_cast<std::size_t>(sums.m)) {
    Unusable("n and m must be from 0 on, with one sum and one count for each order 1 .. m");
  }
  PartSums out;
  out.n = sums.n;
  out.m = sums.m;
  for (const PartialSums::File& file : sums.files) {
    const std::optional<std::uint64_t> head = DigestOfHex(file.head);
    if (!head || file.size < 0 || file.order < 0 || file.order > sums.m) {
      Unusable("the file \"" + file.path + "\" has no valid size, digest or order");
    }
    PartFilePieces pieces{{file.path, file.size, *head, file.order}, {}};
    for (const PartialSums::Piece& piece : file.pieces) {
      if (piece.byte_from < 0 || piece.byte_from > piece.byte_to || piece.byte_to > file.size ||
          piece.index_from < 0 || piece.index_from > piece.index_to) {
        Unusable("a piece of \"" + file.path + "\" is no range of its bytes and indices");
      }
      pieces.pieces.push_back({piece.byte_from, piece.byte_to, piece.index_from, piece.index_to});
    }
    out.files.push_back(std::move(pieces));
  }
  for (const std::string& text : sums.sums) {
    Rational sum;
    if (sum.set_str(text, 10) != 0 || text.find_first_of(" \t\n+") != std::string::npos ||
        sum.get_den() == 0) {
      Unusable("\"" + text.substr(0, 40) + "\" is not a fraction");
    }
    sum.canonicalize();
    out.sums.push_back(std::move(sum));
  }
  CopyCountsAndImprobable(sums, out);
  return out;
}

std::string Number(std::int64_t x) {
  return std::to_string(x);
}

std::string Number(double x) {
  char buffer[32];
  const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, x);
  return error == std::errc() ? std::string(buffer, end) : "0";
}

template <class Integer>
Integer IntegerOf(const JsonValue* value, const char* name) {
  Integer x = 0;
  if (value == nullptr || value->kind != JsonValue::Kind::kNumber) {
    Unusable(std::string("\"") + name + "\" is missing or not a number");
  }
  const std::string& text = value->text;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), x);
  if (error != std::errc() || end != text.data() + text.size()) {
    Unusable(std::string("\"") + name + "\" is not a whole number within range: " + text);
  }
  return x;
}

const std::string& StringOf(const JsonValue* value, const char* name) {
  if (value == nullptr || value->kind != JsonValue::Kind::kString) {
    Unusable(std::string("\"") + name + "\" is missing or not a string");
  }
  return value->text;
}

const std::vector<JsonValue>& ArrayOf(const JsonValue* value, const char* name) {
  if (value == nullptr || value->kind != JsonValue::Kind::kArray) {
    Unusable(std::string("\"") + name + "\" is missing or not an array");
  }
  return value->items;
}

}  // namespace

std::int64_t CountNumbers(const std::string& path, std::int64_t from, std::int64_t to) {
  const WordCount count = CountWords(path, from, to);
  if (!count.problem.empty()) {
    throw Error(count.problem, Error::Cause::kInput);
  }
  return count.words;
}

PartialSums SumPart(const FilePart& part, std::int32_t n, std::int32_t m) {
  if (n < 0 || m < 0) {
    throw Error("n and m must be whole numbers from 0 to 2147483647");
  }
  if (part.order < 0 || part.order > m) {
    throw Error("the order of a file's numbers is from 1 to m=" + std::to_string(m) + ", not " +
                std::to_string(part.order));
  }
  const PartResult result =
      SumFilePart({part.path, part.from, part.to, part.first_index, part.order}, n, m);
  if (!result.refusal.empty()) {
    throw Error(result.refusal,
                result.not_read_whole ? Error::Cause::kNotReadWhole : Error::Cause::kInput);
  }
  return Public(result.sums);
}

PartialSums MergeSums(const PartialSums& a, const PartialSums& b) {
  PartSums merged = Internal(a);
  if (const std::string refusal = MergeParts(merged, Internal(b)); !refusal.empty()) {
    throw Error(refusal, Error::Cause::kInput);
  }
  return Public(merged);
}

std::string ToJson(const PartialSums& sums) {
  std::string json = "{\"format\": " + JsonString(kFormat) +
                     ", \"version\": " + std::to_string(kFormatVersion) +
                     ", \"n\": " + Number(std::int64_t{sums.n}) +
                     ", \"m\": " + Number(std::int64_t{sums.m}) + ", \"sums\": [";
  for (std::size_t k = 0; k < sums.sums.size(); ++k) {
    json += (k > 0 ? ", " : "") + JsonString(sums.sums[k]);
  }
  json += "], \"counts\": [";
  for (std::size_t k = 0; k < sums.counts.size(); ++k) {
    json += (k > 0 ? ", " : "") + Number(sums.counts[k]);
  }
  json += "], \"files\": [";
  for (std::size_t f = 0; f < sums.files.size(); ++f) {
    const PartialSums::File& file = sums.files[f];
    json += std::string(f > 0 ? ", " : "") + "{\"path\": " + JsonString(file.path) +
            ", \"size\": " + Number(file.size) + ", \"head\": " + JsonString(file.head) +
            ", \"order\": " + Number(std::int64_t{file.order}) + ", \"pieces\": [";
    for (std::size_t k = 0; k < file.pieces.size(); ++k) {
      const PartialSums::Piece& piece = file.pieces[k];
      json += std::string(k > 0 ? ", " : "") + "{\"bytes\": [" + Number(piece.byte_from) + ", " +
              Number(piece.byte_to) + "], \"indices\": [" + Number(piece.index_from) + ", " +
              Number(piece.index_to) + "]}";
    }
    json += "]}";
  }
  json += "], \"improbable\": {\"count\": " + Number(sums.improbable);
  if (sums.improbable > 0) {
    json += ", \"order\": " + Number(std::int64_t{sums.improbable_order}) +
            ", \"path\": " + JsonString(sums.improbable_path) +
            ", \"index\": " + Number(sums.improbable_index) +
            ", \"value\": " + Number(sums.improbable_value);
  }
  return json + "}}";
}

PartialSums PartialSumsFromJson(const std::string& json) {
  std::string problem;
  const std::optional<JsonValue> parsed = ParseJson(json, problem);
  if (!parsed) {
    Unusable("not JSON: " + problem);
  }
  const JsonValue& root = *parsed;
  if (root.kind != JsonValue::Kind::kObject || root.Find("format") == nullptr ||
      root.Find("format")->text != kFormat) {
    Unusable(std::string("not an object with \"format\": \"") + kFormat + "\"");
  }
  if (IntegerOf<int>(root.Find("version"), "version") != kFormatVersion) {
    Unusable("version " + root.Find("version")->text + ", where this program reads version " +
             std::to_string(kFormatVersion));
  }
  PartialSums sums;
  sums.n = IntegerOf<std::int32_t>(root.Find("n"), "n");
  sums.m = IntegerOf<std::int32_t>(root.Find("m"), "m");
  for (const JsonValue& sum : ArrayOf(root.Find("sums"), "sums")) {
    sums.sums.push_back(StringOf(&sum, "sums"));
  }
  for (const JsonValue& count : ArrayOf(root.Find("counts"), "counts")) {
    sums.counts.push_back(IntegerOf<std::int64_t>(&count, "counts"));
  }
  for (const JsonValue& file : ArrayOf(root.Find("files"), "files")) {
    PartialSums::File read;
    read.path = StringOf(file.Find("path"), "path");
    read.size = IntegerOf<std::int64_t>(file.Find("size"), "size");
    read.head = StringOf(file.Find("head"), "head");
    read.order = IntegerOf<std::int32_t>(file.Find("order"), "order");
    for (const JsonValue& piece : ArrayOf(file.Find("pieces"), "pieces")) {
      const std::vector<JsonValue>& bytes = ArrayOf(piece.Find("bytes"), "bytes");
      const std::vector<JsonValue>& indices = ArrayOf(piece.Find("indices"), "indices");
      if (bytes.size() != 2 || indices.size() != 2) {
        Unusable("\"bytes\" and \"indices\" are each a pair [from, to]");
      }
      read.pieces.push_back({IntegerOf<std::int64_t>(&bytes[0], "bytes"),
                             IntegerOf<std::int64_t>(&bytes[1], "bytes"),
                             IntegerOf<std::int64_t>(&indices[0], "indices"),
                             IntegerOf<std::int64_t>(&indices[1], "indices")});
    }
    sums.files.push_back(std::move(read));
  }
  const JsonValue* improbable = root.Find("improbable");
  if (improbable == nullptr || improbable->kind != JsonValue::Kind::kObject) {
    Unusable("\"improbable\" is missing or not an object");
  }
  sums.improbable = IntegerOf<std::int64_t>(improbable->Find("count"), "count");
  if (sums.improbable > 0) {
    sums.improbable_order = IntegerOf<std::int32_t>(improbable->Find("order"), "order");
    sums.improbable_path = StringOf(improbable->Find("path"), "path");
    sums.improbable_index = IntegerOf<std::int64_t>(improbable->Find("index"), "index");
    const JsonValue* value = improbable->Find("value");
    if (value == nullptr || value->kind != JsonValue::Kind::kNumber) {
      Unusable("\"value\" is missing or not a number");
    }
    std::from_chars(value->text.data(), value->text.data() + value->text.size(),
                    sums.improbable_value);
  }
  Internal(sums);  // every field checked
  return sums;
}

Bounds SharpBoundsFromSums(const PartialSums& sums, const Options& options) {
  MomentData data = MomentsOfParts(Internal(sums));
  if (options.classical && data.refusal.empty()) {
    data.warnings.push_back(
        "note: the bounds that use each pair (de Caen, Kuai-Alajaji-Takahara, Hunter-Worsley) "
        "need the pairwise probabilities themselves, which sums do not keep; they are not shown");
  }
  return BoundsOfData(sums.n, std::move(data), options);
}

std::vector<std::string> MomentsFromSums(const PartialSums& sums) {
  MomentData data = MomentsOfParts(Internal(sums));
  if (!data.refusal.empty()) {
    throw Error(data.refusal,
                data.not_read_whole ? Error::Cause::kNotReadWhole : Error::Cause::kInput,
                std::move(data.warnings));
  }
  std::vector<std::string> moments;
  for (std::size_t k = 1; k < data.S.size(); ++k) {
    moments.push_back(data.S[k].get_str());
  }
  return moments;
}

}  // namespace unionbound
