#include "options/parse_options.h"

#include <algorithm>
#include <cstring>

namespace wrenpost {
namespace {

constexpr char kBlank = ' ';

std::string_view TrimBlanks(std::string_view text) {
  const auto first = text.find_first_not_of(kBlank);
  if (first == std::string_view::npos) return {};
  const auto last = text.find_last_not_of(kBlank);
  return text.substr(first, last - first + 1);
}

// Where the next blank-hyphen pair starts, or npos. Hyphens are rare and
// blanks common, so the search looks for the hyphen: a text of blanks then
// costs one fast scan instead of a failed comparison at every blank.
std::size_t FindSeparator(std::string_view text) {
  for (std::size_t from = 1; from < text.size();) {
    const void* found = std::memchr(text.data() + from, '-', text.size() - from);
    if (found == nullptr) return std::string_view::npos;
    const auto hyphen = static_cast<std::size_t>(static_cast<const char*>(found) - text.data());
    if (text[hyphen - 1] == kBlank) return hyphen - 1;
    from = hyphen + 1;
  }
  return std::string_view::npos;
}

bool IsOne(std::string_view value) { return Unquote(value) == "1"; }

void ApplyPiece(std::string_view piece, MessageRequest& request) {
  const std::string_view trimmed = TrimBlanks(piece);
  const auto blank = trimmed.find(kBlank);
  if (blank == std::string_view::npos) return;  // a lone word or an empty piece
  // The position is found in the trimmed piece but applied to the piece as it
  // stands, so a piece that starts with a blank yields a key that matches
  // nothing. Callers rely on exactly this.
  const std::string_view key = piece.substr(0, blank);
  const std::string_view value = piece.substr(blank + 1);

  if (key == "to") {
    request.recipients = SplitList(Unquote(value));
  } else if (key == "subject") {
    request.subject = Unquote(value);
  } else if (key == "body") {
    request.body = Unquote(value);
  } else if (key == "bodyfile") {
    request.body_file_path = Unquote(value);
  } else if (key == "bodyfiledelete") {
    request.delete_body_file = IsOne(value);
  } else if (key == "html") {
    request.html = IsOne(value);
  } else if (key == "attachment") {
    request.attachments = SplitList(Unquote(value));
  } else if (key == "cc") {
    request.cc_recipients = SplitList(Unquote(value));
  } else if (key == "bcc") {
    request.bcc_recipients = SplitList(Unquote(value));
  } else if (key == "from") {
    request.from = Unquote(value);
  } else if (key == "signature") {
    request.signature = IsOne(value);
  } else if (key == "client") {
    request.client = Unquote(value);
  } else if (key == "template") {
    request.template_path = Unquote(value);
  }
}

}  // namespace

std::size_t CountItems(const TextList& list) noexcept {
  return list ? list->size() : 0;
}

std::string Unquote(std::string_view text) {
  std::string_view result = TrimBlanks(text);
  if (!result.empty() && result.front() == '"') result.remove_prefix(1);
  if (!result.empty() && result.back() == '"') result.remove_suffix(1);
  return std::string(result);
}

std::vector<std::string> SplitList(std::string_view text) {
  std::vector<std::string> items;
  if (text.empty()) return items;
  items.reserve(static_cast<std::size_t>(std::count(text.begin(), text.end(), ';')) + 1);
  for (;;) {
    const auto semicolon = text.find(';');
    items.emplace_back(text.substr(0, semicolon));
    if (semicolon == std::string_view::npos) return items;
    text.remove_prefix(semicolon + 1);
  }
}

MessageRequest ParseOptions(std::string_view command_text) {
  MessageRequest request;
  // The text is read as if a blank stood in front of it, so that an option at
  // the very start is cut like any other; the piece before it is then empty.
  constexpr std::string_view kSeparator = " -";
  std::string_view rest = command_text;
  if (rest.starts_with('-')) {
    rest.remove_prefix(1);  // empty first piece: nothing to apply
  } else {
    const auto cut = FindSeparator(rest);
    if (cut == std::string_view::npos) {
      // A single piece, led by the implied blank: its key would start with a
      // blank, unless the text itself is empty. Either way it matches nothing.
      return request;
    }
    // The first piece is " " + the text before the cut: it starts with a
    // blank, so it can never name a key.
    rest.remove_prefix(cut + kSeparator.size());
  }
  for (;;) {
    const auto cut = FindSeparator(rest);
    ApplyPiece(rest.substr(0, cut), request);
    if (cut == std::string_view::npos) return request;
    rest.remove_prefix(cut + kSeparator.size());
  }
}

}  // namespace wrenpost
