#include "clients/desktop_entry.h"

namespace wrenpost {
namespace {

struct Word {
  std::string text;
  bool quoted = false;
};

std::optional<std::vector<Word>> SplitCommand(std::string_view exec) {
  std::vector<Word> words;
  std::optional<Word> word;
  for (std::size_t i = 0; i < exec.size(); ++i) {
    const char c = exec[i];
    if (c == ' ' || c == '\t' || c == '\n') {
      if (word) words.push_back(std::move(*word));
      word.reset();
    } else if (c == '"') {
      if (!word) word.emplace();
      word->quoted = true;
      for (++i; i < exec.size() && exec[i] != '"'; ++i) {
        if (exec[i] == '\\' && i + 1 < exec.size()) ++i;
        word->text += exec[i];
      }
      if (i == exec.size()) return std::nullopt;  // no closing quote
    } else {
      if (!word) word.emplace();
      word->text += c;
    }
  }
  if (word) words.push_back(std::move(*word));
  return words;
}

}  // namespace

std::optional<std::vector<std::string>> ExecWords(const DesktopEntry& entry, std::string_view desktop_file,
                                                  std::string_view url) {
  const auto words = SplitCommand(entry.exec);
  if (!words) return std::nullopt;
  std::vector<std::string> result;
  bool url_placed = false;
  for (const Word& word : *words) {
    // Codes are not expanded inside quotes; a whole-word %i may add nothing.
    if (word.quoted) {
      result.push_back(word.text);
      continue;
    }
    if (word.text == "%i") {
      if (!entry.icon.empty()) result.insert(result.end(), {"--icon", entry.icon});
      continue;
    }
    std::string text;
    bool only_codes = true;
    for (std::size_t i = 0; i < word.text.size(); ++i) {
      if (word.text[i] != '%') {
        text += word.text[i];
        only_codes = false;
        continue;
      }
      if (++i == word.text.size()) return std::nullopt;
      switch (word.text[i]) {
        case '%': text += '%'; only_codes = false; break;
        case 'c': text += entry.name; only_codes = false; break;
        case 'k': text += desktop_file; only_codes = false; break;
        case 'u': case 'U':
          if (!url.empty() && !url_placed) {
            text += url;
            only_codes = false;
          }
          url_placed = true;
          break;
        case 'f': case 'F': case 'd': case 'D': case 'n': case 'N': case 'v': case 'm':
          break;
        default:
          return std::nullopt;
      }
    }
    if (!only_codes || !text.empty()) result.push_back(std::move(text));
  }
  if (result.empty()) return std::nullopt;
  if (!url.empty() && !url_placed) result.emplace_back(url);
  return result;
}

}  // namespace wrenpost
