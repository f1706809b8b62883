// The argument of Thunderbird's "-compose" option, built so that no value can
// ever turn into syntax.
//
// Thunderbird splits the text at commas (outside quotes that follow "="),
// takes each part as key=value, keeps the first occurrence of a key and
// percent-decodes the value. So the text starts with "to=", holds no quotes,
// and every value is percent-encoded (everything but A-Z a-z 0-9 - _ . ~):
// no comma, quote or "=" of a value reaches the parser.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace wrenpost {

enum class BodyFormat { kText, kHtml };

struct ComposeFields {
  std::vector<std::string> recipients;       // each exactly as the list gave it
  std::vector<std::string> cc_recipients;    // copies
  std::vector<std::string> bcc_recipients;   // blind copies
  std::optional<std::string> subject;        // absent when never set
  std::optional<std::string> from;           // the sender's address; absent when never set
  std::optional<std::string> preselect_id;   // the identity key that sends ("id2"); absent when never set
  std::optional<std::string> message_path;   // absolute path of the body file
  BodyFormat format = BodyFormat::kText;     // how Thunderbird reads that file
  std::vector<std::string> attachment_paths; // absolute paths of existing files
};

// Every byte outside A-Z a-z 0-9 - _ . ~ as %XX (upper-case hex); UTF-8 text
// comes out as its encoded bytes.
std::string PercentEncode(std::string_view bytes);

// "file://" and the absolute path, each byte outside the unreserved set and
// "/" percent-encoded. A Windows path gives "file:///" and the path with
// slashes for its backslashes, the drive's colon kept.
std::string FileUrl(std::string_view absolute_path);

// "to=...,cc=...,bcc=...,from=...,preselectid=...,subject=...,format=html|text,message=...,attachment=...":
// each recipient as AddressForClient writes it; "to=" always, the others only when there is something to say. The attachment value
// is the file URLs joined by "," and percent-encoded once more as a whole.
std::string BuildComposeString(const ComposeFields& fields);

// The arguments that open Thunderbird's compose window: "-compose" and the
// text, each lone surrogate of a value (but an attachment path) as U+FFFD.
std::vector<std::string> ComposeArguments(const ComposeFields& fields);

}  // namespace wrenpost
