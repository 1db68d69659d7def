#include "checksum/sum_lines.hpp"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace varnelo {

namespace {

bool is_hex(std::string_view text) {
  return !text.empty() && std::all_of(text.begin(), text.end(),
                                      [](char c) { return std::isxdigit(static_cast<unsigned char>(c)); });
}

bool is_blank(char c) {
  return c == ' ' || c == '\t';
}

// Undoes printed_name's escapes; nullopt for any other backslash sequence.
std::optional<std::string> unescaped(std::string_view text) {
  std::string name;
  for (std::size_t k = 0; k < text.size(); ++k) {
    if (text[k] != '\\') {
      name += text[k];
      continue;
    }
    if (++k == text.size()) return std::nullopt;
    switch (text[k]) {
      case '\\':
        name += '\\';
        break;
      case 'n':
        name += '\n';
        break;
      case 'r':
        name += '\r';
        break;
      default:
        return std::nullopt;
    }
  }
  return name;
}

bool allowed(const Allowed& chosen, Algorithm algorithm) {
  return chosen[static_cast<std::size_t>(algorithm)];
}

}  // namespace

const char* tag_of(Algorithm algorithm) {
  return algorithm_names[static_cast<std::size_t>(algorithm)].tag;
}

PrintedName printed_name(const std::string& name) {
  PrintedName printed;
  for (char c : name) {
    if (c == '\\' || c == '\n' || c == '\r') {
      printed.escaped = true;
      printed.text += c == '\\' ? "\\\\" : c == '\n' ? "\\n" : "\\r";
    } else {
      printed.text += c;
    }
  }
  return printed;
}

std::string sum_line(const std::string& digest, const std::string& name) {
  const PrintedName printed = printed_name(name);
  return (printed.escaped ? "\\" : "") + digest + "  " + printed.text + "\n";
}

LineReader::Got LineReader::next(std::string& line) {
  line.clear();
  for (;;) {
    if (start_ == end_) {
      // A terminal gives more after its end of input: the list ends at the first one.
      start_ = 0;
      end_ = ended_ ? 0 : file_.read_some(buffer_.data(), buffer_.size());
      ended_ = end_ == 0;
      if (ended_) return line.empty() ? Got::end : Got::line;
    }
    const char* from = buffer_.data() + start_;
    const char* feed = static_cast<const char*>(std::memchr(from, end_of_line_, end_ - start_));
    const std::size_t taken = feed ? static_cast<std::size_t>(feed - from) : end_ - start_;
    if (line.size() + taken > longest_line) return Got::too_long;
    line.append(from, taken);
    start_ += taken;
    if (feed) {
      ++start_;
      return Got::line;
    }
  }
}

std::optional<SumLine> parse_line(std::string_view line, const Allowed& chosen, Separation& separation) {
  while (!line.empty() && is_blank(line[0]))
    line.remove_prefix(1);
  const bool escaped = !line.empty() && line[0] == '\\';
  if (escaped) line.remove_prefix(1);
  std::optional<SumLine> parsed;
  for (const AlgorithmName& known : algorithm_names) {
    const std::string_view tag = known.tag;
    if (line.substr(0, tag.size()) != tag || line.size() == tag.size()) continue;
    std::string_view rest = line.substr(tag.size());
    if (rest[0] == ' ') rest.remove_prefix(1);
    if (rest.empty() || rest[0] != '(') continue;
    const std::size_t close = rest.rfind(')');
    if (close == std::string_view::npos || close < 2 || !allowed(chosen, known.algorithm))
      return std::nullopt;
    std::string_view digest = rest.substr(close + 1);
    while (!digest.empty() && is_blank(digest[0]))
      digest.remove_prefix(1);
    if (digest.empty() || digest[0] != '=') return std::nullopt;
    digest.remove_prefix(1);
    while (!digest.empty() && is_blank(digest[0]))
      digest.remove_prefix(1);
    parsed = SumLine{{known.algorithm}, std::string(digest), std::string(rest.substr(1, close - 1))};
    break;
  }
  if (!parsed) {
    const std::size_t end = std::min(line.find_first_not_of("0123456789abcdefABCDEF"), line.size());
    if (end == line.size() || !is_blank(line[end])) return std::nullopt;
    std::string_view name = line.substr(end + 1);
    // One blank, then a space or a star that marks the mode, unless that is all the name there
    // is. A list whose first such line has no mark has none: its names may start with either.
    const bool marked = name.size() > 1 && (name[0] == ' ' || name[0] == '*');
    if (separation == Separation::unknown) separation = marked ? Separation::marked : Separation::one_blank;
    if (marked && separation == Separation::marked) name.remove_prefix(1);
    parsed = SumLine{{}, std::string(line.substr(0, end)), std::string(name)};
    for (const AlgorithmName& known : algorithm_names)
      if (allowed(chosen, known.algorithm) && hex_length(known.algorithm) == end)
        parsed->algorithms.push_back(known.algorithm);
    if (parsed->algorithms.empty()) return std::nullopt;
  }
  if (!is_hex(parsed->digest) || parsed->digest.size() != hex_length(parsed->algorithms[0]) ||
      parsed->name.empty() || parsed->name.find('\0') != std::string::npos)
    return std::nullopt;
  if (escaped) {
    std::optional<std::string> name = unescaped(parsed->name);
    if (!name) return std::nullopt;
    parsed->name = *name;
  }
  return parsed;
}

bool same_digest(const std::string& listed, const std::string& computed) {
  return std::equal(listed.begin(), listed.end(), computed.begin(), computed.end(),
                    [](char a, char b) { return std::tolower(static_cast<unsigned char>(a)) == b; });
}

}  // namespace varnelo
