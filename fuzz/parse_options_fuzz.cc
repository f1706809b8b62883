// ParseOptions against a model written straight from the grammar, plus the
// properties every request must have whatever the model says.
#include <string>
#include <vector>

#include "fuzz/fuzz_check.h"
#include "options/parse_options.h"

namespace wrenpost::fuzz {
namespace {

// ---- The model: each step exactly as the grammar states it, no shortcuts. ----

std::string ModelTrim(const std::string& text) {
  std::size_t first = 0;
  while (first < text.size() && text[first] == ' ') ++first;
  std::size_t end = text.size();
  while (end > first && text[end - 1] == ' ') --end;
  return text.substr(first, end - first);
}

std::string ModelUnquote(const std::string& text) {
  std::string result = ModelTrim(text);
  if (!result.empty() && result[0] == '"') result.erase(0, 1);
  if (!result.empty() && result[result.size() - 1] == '"') result.erase(result.size() - 1);
  return result;
}

std::vector<std::string> ModelSplitList(const std::string& text) {
  std::vector<std::string> items;
  if (text.empty()) return items;
  std::string current;
  for (const char c : text) {
    if (c == ';') {
      items.push_back(current);
      current.clear();
    } else {
      current += c;
    }
  }
  items.push_back(current);
  return items;
}

MessageRequest ModelParse(const std::string& command_text) {
  MessageRequest request;
  const std::string work = " " + command_text;
  std::vector<std::string> pieces;
  std::string piece;
  for (std::size_t i = 0; i < work.size(); ++i) {
    if (work[i] == ' ' && i + 1 < work.size() && work[i + 1] == '-') {
      pieces.push_back(piece);
      piece.clear();
      ++i;  // the hyphen goes with the separator
    } else {
      piece += work[i];
    }
  }
  pieces.push_back(piece);

  for (const std::string& untrimmed : pieces) {
    const std::string trimmed = ModelTrim(untrimmed);
    std::size_t p = 0;  // 1-based position of the first blank, 0 for none
    for (std::size_t i = 0; i < trimmed.size(); ++i) {
      if (trimmed[i] == ' ') {
        p = i + 1;
        break;
      }
    }
    if (p == 0) continue;
    const std::string key = untrimmed.substr(0, p - 1);
    const std::string value = untrimmed.substr(p);
    if (key == "subject") request.subject = ModelUnquote(value);
    if (key == "body") request.body = ModelUnquote(value);
    if (key == "bodyfile") request.body_file_path = ModelUnquote(value);
    if (key == "bodyfiledelete") request.delete_body_file = ModelUnquote(value) == "1";
    if (key == "html") request.html = ModelUnquote(value) == "1";
    if (key == "attachment") request.attachments = ModelSplitList(ModelUnquote(value));
    if (key == "to") request.recipients = ModelSplitList(ModelUnquote(value));
  }
  return request;
}

// ---- Properties that hold for any request. ----

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

std::string Joined(const std::vector<std::string>& items) {
  std::string joined;
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (i > 0) joined += ';';
    joined += items[i];
  }
  return joined;
}

void CheckText(const std::string& command, const std::string& value, const char* field) {
  FUZZ_CHECK(Contains(command, value),
             std::string(field) + " " + Shown(value) + " is not part of the command text");
  // Unquote trimmed the value: it neither starts nor ends with a blank unless a
  // quote that protected the blank was removed.
  if (!value.empty() && (value.front() == ' ' || value.back() == ' ')) {
    FUZZ_CHECK(Contains(command, "\"" + value) || Contains(command, value + "\""),
               std::string(field) + " keeps an outer blank without a quote around it: " +
                   Shown(value));
  }
}

void CheckList(const std::string& command, const TextList& list, const char* field) {
  if (!list) return;
  FUZZ_CHECK(CountItems(list) == list->size(), std::string(field) + ": CountItems disagrees");
  const std::string joined = Joined(*list);
  CheckText(command, joined, field);
  std::size_t semicolons = 0;
  for (const char c : joined) semicolons += c == ';';
  FUZZ_CHECK(list->empty() ? joined.empty() : list->size() == semicolons + 1,
             std::string(field) + ": " + std::to_string(list->size()) + " elements for " +
                 std::to_string(semicolons) + " semicolons");
  for (const std::string& item : *list) {
    FUZZ_CHECK(!Contains(item, ";"), std::string(field) + " element holds a semicolon");
  }
}

void CheckFlag(const std::string& command, bool flag, const char* key) {
  // True only when some "-key value" piece has a value that unquotes to 1.
  if (!flag) return;
  FUZZ_CHECK(Contains(" " + command, std::string(" -") + key + " ") && Contains(command, "1"),
             std::string(key) + " set without a -" + key + " option and a 1");
}

void CheckSame(const MessageRequest& got, const MessageRequest& expected,
               const std::string& command) {
  const std::string context = " for " + Shown(command);
  FUZZ_CHECK(got.subject == expected.subject,
             "subject " + Shown(got.subject) + " != " + Shown(expected.subject) + context);
  FUZZ_CHECK(got.body == expected.body,
             "body " + Shown(got.body) + " != " + Shown(expected.body) + context);
  FUZZ_CHECK(got.body_file_path == expected.body_file_path, "body file path" + context);
  FUZZ_CHECK(got.delete_body_file == expected.delete_body_file, "delete flag" + context);
  FUZZ_CHECK(got.html == expected.html, "html flag" + context);
  FUZZ_CHECK(got.attachments == expected.attachments, "attachments" + context);
  FUZZ_CHECK(got.recipients == expected.recipients, "recipients" + context);
}

}  // namespace

int FuzzParseOptions(const std::uint8_t* data, std::size_t size) {
  const std::string command(reinterpret_cast<const char*>(data), size);
  const MessageRequest request = ParseOptions(command);  // an exception ends the run: a crash

  CheckText(command, request.subject, "subject");
  CheckText(command, request.body, "body");
  CheckText(command, request.body_file_path, "bodyfile");
  CheckList(command, request.attachments, "attachment");
  CheckList(command, request.recipients, "to");
  CheckFlag(command, request.html, "html");
  CheckFlag(command, request.delete_body_file, "bodyfiledelete");
  CheckSame(request, ModelParse(command), command);

  // The helpers on their own, on the same text.
  FUZZ_CHECK(Unquote(command) == ModelUnquote(command), "Unquote of " + Shown(command));
  FUZZ_CHECK(SplitList(command) == ModelSplitList(command), "SplitList of " + Shown(command));
  return 0;
}

}  // namespace wrenpost::fuzz
