#include "clients/mailto_url.h"

#include "clients/mail_address.h"
#include "clients/thunderbird_compose.h"

namespace wrenpost {
namespace {

// `value` with every line end as CR LF, then percent-encoded; `keep` bytes stay.
void AppendEncoded(std::string& url, std::string_view value, char keep) {
  for (std::size_t i = 0; i < value.size(); ++i) {
    const char c = value[i];
    if (c == '\r' || c == '\n') {
      url += "%0D%0A";
      if (c == '\r' && i + 1 < value.size() && value[i + 1] == '\n') ++i;
    } else if (keep != 0 && c == keep) {
      url += c;
    } else {
      url += PercentEncode(std::string_view(&c, 1));
    }
  }
}

}  // namespace

std::string BuildMailtoUrl(const std::vector<std::string>& to, const std::vector<MailtoField>& fields) {
  std::string url = "mailto:";
  for (std::size_t i = 0; i < to.size(); ++i) {
    if (i > 0) url += ',';
    AppendEncoded(url, AddressForClient(to[i]), '@');
  }
  for (std::size_t i = 0; i < fields.size(); ++i) {
    url += i == 0 ? '?' : '&';
    url += fields[i].key;
    url += '=';
    if (fields[i].exact) {
      url += PercentEncode(fields[i].value);
    } else {
      AppendEncoded(url, fields[i].value, 0);
    }
  }
  return url;
}

std::string JoinAddresses(const std::vector<std::string>& addresses) { return AddressList(addresses); }

std::vector<MailtoField> MessageFields(const std::vector<std::string>& cc, const std::vector<std::string>& bcc,
                                       const std::string& subject, const std::string& body) {
  std::vector<MailtoField> fields;
  if (!cc.empty()) fields.push_back({"cc", JoinAddresses(cc)});
  if (!bcc.empty()) fields.push_back({"bcc", JoinAddresses(bcc)});
  if (!subject.empty()) fields.push_back({"subject", subject});
  if (!body.empty()) fields.push_back({"body", body});
  return fields;
}

}  // namespace wrenpost
