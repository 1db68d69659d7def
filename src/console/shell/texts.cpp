#include "shell/texts.hpp"

#include <cstdio>

namespace varnelo {

std::uint16_t lang = 0;

const char* pick(const char* english, const char* indonesian) {
  if (lang == 0) return english;
  if (lang == 1) return indonesian;
  return nullptr;
}

std::string in_language(const Both& text) {
  const char* chosen = pick(text.english, text.indonesian);
  return chosen ? chosen : "";
}

std::string vformat(const char* format_text, va_list args) {
  va_list measure;
  va_copy(measure, args);
  int size = std::vsnprintf(nullptr, 0, format_text, measure);
  va_end(measure);
  if (size <= 0) return {};
  std::string text(static_cast<std::size_t>(size) + 1, '\0');
  std::vsnprintf(text.data(), text.size(), format_text, args);
  text.resize(static_cast<std::size_t>(size));
  return text;
}

std::string format(const char* format_text, ...) {
  va_list args;
  va_start(args, format_text);
  std::string text = vformat(format_text, args);
  va_end(args);
  return text;
}

}  // namespace varnelo
