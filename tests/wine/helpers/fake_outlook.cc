// A stand-in for the mail client's automation server, for the end-to-end
// tests under Wine: an out-of-process COM local server registered as
// "Outlook.Application". It records every call it receives (member, invoke
// kind, named arguments, argument types and values) and every final release
// to calls.txt beside itself ("serve" when it starts, "exit objects=N" when
// it ends), and fails the calls that control.txt (also beside itself) names.
// One server serves all clients that come while it runs, as the mail client
// does (Wine 8 hands an already used single-use server to a second client,
// which then fails with E_NOINTERFACE).
//
//   fake_outlook.exe /regserver     register (HKLM\Software\Classes)
//   fake_outlook.exe /unregserver   remove the registration
//   fake_outlook.exe -Embedding     serve one client (started by COM)
//
// control.txt, one instruction per line, read at each activation:
//   <Object>.<Member>[#<n>] hresult <hex>                 return the HRESULT
//   <Object>.<Member>[#<n>] exception <wCode> <scode hex> <description>
//                                                        raise through EXCEPINFO
//   <Object>.<Member>[#<n>] die                          end the process inside
//                                                        the call, without replying
//   <Object>.<Member>[#<n>] wait <event>                 wait (up to 20 s) until the
//                                                        named event is set, then
//                                                        answer as usual
//   <Object>.<Member>[#<n>] signal <event> <reply event> set the named event, then
//                                                        wait as above for the reply
//   busy <n> [all]      (read when the server starts) reject its first n incoming
//                       calls on IDispatch, with "all" on every interface (the
//                       activation and the releases too), as a busy mail client's
//                       message filter does: SERVERCALL_REJECTED, which the client
//                       gets as RPC_E_CALL_REJECTED; each is recorded as
//                       "rejected <Object>.<method>" and never runs
//   busy each           (read when the server starts) reject every incoming call
//                       on IDispatch once: the first try of each, as a mail
//                       client that is synchronising turns calls away now and then
//   account <smtp address> <display name>
//                       one account of the profile, in order (Session.Accounts)
//   format <n>          the new item's BodyFormat: 1 plain text, 2 HTML (the
//                       default), 3 rich text
//   adds unanswered     Attachments.Add and Recipients.Add answer no object, as
//                       Outlook on Windows does for a caller that asks for no
//                       answer: Windows' proxy tells the server so
//                       (DISPATCH_zeroVarResult), Wine's proxy always asks, so
//                       the stand-in cannot tell by itself. Only for runs
//                       without -cc and -bcc, whose recipients need the answer.
//   lifetime <seconds>  (read when the server starts) end after that long even
//                       with clients left (default 60; the benchmarks keep one
//                       server for all their runs)
// where #n picks the n-th call of that member (default: every call), and
// ClassFactory.CreateInstance stands for the activation itself. A server that
// dies records "exit died" as its end.
//
// Like Outlook, the new item keeps its bodies and BodyFormat, takes a sending
// account only by reference (DISPATCH_PROPERTYPUTREF: a plain put of
// SendUsingAccount is recorded and ignored), and on Display puts the
// signature of its sending account (or of the default one) into a body that
// is still empty.
//
// Application.CreateItemFromTemplate(path) reads the template from that file
// (a missing one raises, as Outlook does), a text in UTF-8 standing in for an
// Outlook .oft:
//   Subject: <subject>
//   To: <recipient>          (one line per recipient)
//   Format: <n>              BodyFormat, 2 (HTML) unless given
//   <an empty line, then the body: HtmlBody, or Body for format 1>
// When such an item is let go of, the record shows what it held at the end:
//   held Subject="…" Recipients="a;b" Body="…"
#include <windows.h>
// after windows.h
#include <oleauto.h>

#include <cstdlib>
#include <initializer_list>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "helper_text.h"

namespace {

using wrenpost::wine_test::AppendUtf8Line;
using wrenpost::wine_test::Escape;
using wrenpost::wine_test::OwnFolder;
using wrenpost::wine_test::ReadWholeFile;
using wrenpost::wine_test::Utf8;
using wrenpost::wine_test::Wide;

// {6E1D9B0A-3C52-4F0E-9A57-2B8D4C1E7F31}
constexpr CLSID kClsid = {0x6e1d9b0a, 0x3c52, 0x4f0e, {0x9a, 0x57, 0x2b, 0x8d, 0x4c, 0x1e, 0x7f, 0x31}};
constexpr wchar_t kClsidText[] = L"{6E1D9B0A-3C52-4F0E-9A57-2B8D4C1E7F31}";
constexpr wchar_t kProgId[] = L"Outlook.Application";

LONG g_objects = 0;
LONG g_locks = 0;

struct Failure {
  enum class Kind { kResult, kException, kDie, kWait };
  std::string target;  // Object.Member
  int occurrence = 0;  // 0: every call
  Kind kind = Kind::kResult;
  WORD code = 0;
  HRESULT result = S_OK;  // the HRESULT, or the exception's scode
  std::wstring description;
  std::wstring signal, wait;  // the named events to set, and to wait for
};

std::vector<Failure> g_failures;
std::map<std::string, int> g_calls;

// The busy server's rejections still to come.
struct Busy {
  int left = 0;
  bool every_interface = false;
  bool each_once = false;  // reject every call's first try
  bool accept_next = false;
};
Busy g_busy;

struct Account {
  std::wstring smtp_address;
  std::wstring display_name;
};
std::vector<Account> g_accounts;
int g_body_format = 2;
bool g_adds_answered = true;
UINT g_lifetime_ms = 60 * 1000;

void Record(const std::string& line) { AppendUtf8Line(OwnFolder() + L"calls.txt", line); }

// Reads control.txt: the failures, and the busy line when `at_start`.
void LoadControl(bool at_start) {
  g_failures.clear();
  g_accounts.clear();
  g_body_format = 2;
  g_adds_answered = true;
  std::istringstream lines(ReadWholeFile(OwnFolder() + L"control.txt"));
  std::string line;
  while (std::getline(lines, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::istringstream fields(line);
    Failure failure;
    std::string kind;
    if (!(fields >> failure.target >> kind)) continue;
    if (failure.target == "busy") {
      std::string scope;
      fields >> scope;
      if (at_start && kind == "each") g_busy.each_once = true;
      if (at_start && kind != "each") g_busy = {std::atoi(kind.c_str()), scope == "all"};
      continue;
    }
    if (failure.target == "account") {
      std::string display_name;
      std::getline(fields, display_name);
      if (!display_name.empty() && display_name.front() == ' ') display_name.erase(0, 1);
      g_accounts.push_back({Wide(kind), Wide(display_name)});
      continue;
    }
    if (failure.target == "adds" && kind == "unanswered") {
      g_adds_answered = false;
      continue;
    }
    if (failure.target == "format") {
      g_body_format = std::atoi(kind.c_str());
      continue;
    }
    if (failure.target == "lifetime") {
      if (at_start) g_lifetime_ms = static_cast<UINT>(std::atoi(kind.c_str())) * 1000;
      continue;
    }
    const auto hash = failure.target.find('#');
    if (hash != std::string::npos) {
      failure.occurrence = std::atoi(failure.target.c_str() + hash + 1);
      failure.target.resize(hash);
    }
    std::string number;
    if (kind == "hresult") {
      fields >> number;
      failure.result = static_cast<HRESULT>(std::strtoul(number.c_str(), nullptr, 16));
    } else if (kind == "die") {
      failure.kind = Failure::Kind::kDie;
    } else if (kind == "wait" || kind == "signal") {
      std::string event, reply;
      fields >> event >> reply;
      failure.kind = Failure::Kind::kWait;
      failure.signal = kind == "signal" ? Wide(event) : L"";
      failure.wait = Wide(kind == "signal" ? reply : event);
    } else if (kind == "exception") {
      int code = 0;
      fields >> code >> number;
      failure.kind = Failure::Kind::kException;
      failure.code = static_cast<WORD>(code);
      failure.result = static_cast<HRESULT>(std::strtoul(number.c_str(), nullptr, 16));
      std::string description;
      std::getline(fields, description);
      if (!description.empty() && description.front() == ' ') description.erase(0, 1);
      failure.description = Wide(description);
    } else {
      continue;
    }
    g_failures.push_back(std::move(failure));
  }
}

// The failure control.txt asks for on this call, if any (counts the call).
const Failure* FailureFor(const std::string& target) {
  const int count = ++g_calls[target];
  for (const Failure& failure : g_failures) {
    if (failure.target == target && (failure.occurrence == 0 || failure.occurrence == count)) {
      return &failure;
    }
  }
  return nullptr;
}

void Raise(const Failure& failure, EXCEPINFO* exception) {
  if (exception == nullptr) return;
  ZeroMemory(exception, sizeof *exception);
  exception->wCode = failure.code;
  exception->scode = failure.result;
  exception->bstrSource = SysAllocString(L"Fake Outlook");
  if (!failure.description.empty()) {
    exception->bstrDescription = SysAllocString(failure.description.c_str());
  }
}

// Ends the server inside the call, as a mail client that crashes: the caller
// never gets an answer.
[[noreturn]] void Die() {
  Record("  died as asked");
  Record("exit died");
  ExitProcess(0);
}

// Keeps the call until another program is ready for the answer (told, when
// asked, that the call came).
void Wait(const Failure& failure) {
  if (!failure.signal.empty()) {
    const HANDLE event = CreateEventW(nullptr, TRUE, FALSE, failure.signal.c_str());
    if (event != nullptr) {
      SetEvent(event);
      CloseHandle(event);
    }
  }
  const HANDLE awaited = CreateEventW(nullptr, TRUE, FALSE, failure.wait.c_str());
  const bool came = awaited != nullptr && WaitForSingleObject(awaited, 20000) == WAIT_OBJECT_0;
  if (!came) Record("  waited in vain");
  if (awaited != nullptr) CloseHandle(awaited);
}

// One server serves every client that comes while it runs, as the mail
// client does. Idle, it waits a moment for a latecomer before it ends.
constexpr UINT kIdleGraceMs = 300;
UINT_PTR g_idle_timer = 0;

void QuitWhenIdle() {
  if (g_objects == 0 && g_locks == 0) g_idle_timer = SetTimer(nullptr, g_idle_timer, kIdleGraceMs, nullptr);
}

std::string KindText(WORD flags) {
  std::string text;
  const auto add = [&](WORD bit, const char* name) {
    if (flags & bit) text += text.empty() ? name : std::string("|") + name;
  };
  add(DISPATCH_METHOD, "METHOD");
  add(DISPATCH_PROPERTYGET, "PROPERTYGET");
  add(DISPATCH_PROPERTYPUT, "PROPERTYPUT");
  add(DISPATCH_PROPERTYPUTREF, "PROPERTYPUTREF");
  return text;
}

std::string ObjectText(IDispatch* object);

std::string ArgumentText(const VARIANT& value) {
  switch (value.vt) {
    case VT_DISPATCH:
      return "VT_DISPATCH:" + ObjectText(value.pdispVal);
    case VT_BSTR:
      return "VT_BSTR:\"" +
             Escape({value.bstrVal ? value.bstrVal : L"", value.bstrVal ? SysStringLen(value.bstrVal) : 0}) +
             "\"";
    case VT_I2:
      return "VT_I2:" + std::to_string(value.iVal);
    case VT_I4:
      return "VT_I4:" + std::to_string(value.lVal);
    default:
      return "VT_" + std::to_string(value.vt);
  }
}

// {0C5E3C61-6E2B-4F0F-A1D4-3B1F2C7A9E55}: asked for by the stand-in itself, to
// know one of its own objects when a client hands it back.
constexpr IID kIidOwnObject = {0x0c5e3c61, 0x6e2b, 0x4f0f, {0xa1, 0xd4, 0x3b, 0x1f, 0x2c, 0x7a, 0x9e, 0x55}};

std::wstring TextArgument(const DISPPARAMS& params) {
  if (params.cArgs != 1 || params.rgvarg[0].vt != VT_BSTR || params.rgvarg[0].bstrVal == nullptr) return {};
  return {params.rgvarg[0].bstrVal, SysStringLen(params.rgvarg[0].bstrVal)};
}

HRESULT AnswerText(VARIANT* result, const std::wstring& text) {
  if (result != nullptr) {
    result->vt = VT_BSTR;
    result->bstrVal = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
  }
  return S_OK;
}

// One automation object of the stand-in: Application, MailItem, the two
// collections and the objects their Add returns, the session, its accounts.
class Object final : public IDispatch {
 public:
  explicit Object(std::string kind) : kind_(std::move(kind)) { InterlockedIncrement(&g_objects); }
  const std::string& kind() const { return kind_; }
  const Account& account() const { return account_; }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (out == nullptr) return E_POINTER;
    if (iid == kIidOwnObject) {
      *out = this;  // no reference: only ever asked for within a call
      return S_OK;
    }
    if (iid == IID_IUnknown || iid == IID_IDispatch) {
      *out = static_cast<IDispatch*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }
  ULONG STDMETHODCALLTYPE Release() override {
    const LONG left = InterlockedDecrement(&refs_);
    if (left == 0) {
      if (from_template_) {
        std::wstring recipients;
        for (const std::wstring& recipient : recipients_) recipients += (recipients.empty() ? L"" : L";") + recipient;
        Record("held Subject=\"" + Escape(subject_) + "\" Recipients=\"" + Escape(recipients) + "\" Body=\"" +
               Escape(body_format_ == 1 ? text_body_ : html_body_) + "\"");
      }
      Record("release " + kind_);
      if (sender_ != nullptr) sender_->Release();
      if (item_ != nullptr) item_->Release();
      delete this;
      InterlockedDecrement(&g_objects);
      QuitWhenIdle();
    }
    return static_cast<ULONG>(left);
  }

  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }

  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID,
                                          DISPID* ids) override {
    HRESULT result = S_OK;
    for (UINT i = 0; i < count; ++i) {
      ids[i] = DISPID_UNKNOWN;
      const std::vector<const wchar_t*>& members = Members();
      for (std::size_t k = 0; k < members.size(); ++k) {
        if (lstrcmpiW(names[i], members[k]) == 0) ids[i] = static_cast<DISPID>(k + 1);
      }
      if (ids[i] == DISPID_UNKNOWN) {
        Record(kind_ + " unknown name \"" + Escape(names[i]) + "\"");
        result = DISP_E_UNKNOWNNAME;
      }
    }
    return result;
  }

  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params,
                                   VARIANT* result, EXCEPINFO* exception, UINT*) override {
    const std::vector<const wchar_t*>& members = Members();
    if (id < 1 || static_cast<std::size_t>(id) > members.size()) return DISP_E_MEMBERNOTFOUND;
    const std::wstring member_wide = members[id - 1];
    const std::string member(member_wide.begin(), member_wide.end());
    const std::string target = kind_ + "." + member;

    std::string line = target + " " + KindText(flags);
    if (params->cNamedArgs > 0) {
      line += " named=";
      for (UINT i = 0; i < params->cNamedArgs; ++i) {
        if (i > 0) line += ",";
        line += params->rgdispidNamedArgs[i] == DISPID_PROPERTYPUT
                    ? "PROPERTYPUT"
                    : std::to_string(params->rgdispidNamedArgs[i]);
      }
    }
    for (UINT i = params->cArgs; i > 0; --i) line += " " + ArgumentText(params->rgvarg[i - 1]);
    Record(line);

    if (const Failure* failure = FailureFor(target)) {
      if (failure->kind == Failure::Kind::kDie) Die();
      if (failure->kind == Failure::Kind::kWait) {
        Wait(*failure);
      } else {
        Record("  failed as asked");
        if (failure->kind == Failure::Kind::kResult) return failure->result;
        Raise(*failure, exception);
        return DISP_E_EXCEPTION;
      }
    }

    if (result != nullptr) VariantInit(result);
    if (kind_ == "MailItem") return ItemMember(member, flags, *params, result);
    if (target == "Accounts.Count") {
      if (result != nullptr) {
        result->vt = VT_I4;
        result->lVal = static_cast<LONG>(g_accounts.size());
      }
      return S_OK;
    }
    if (target == "Application.CreateItemFromTemplate") return ItemFromTemplate(*params, result, exception);
    if (target == "Account.DisplayName") return AnswerText(result, account_.display_name);
    if (target == "Account.SmtpAddress") return AnswerText(result, account_.smtp_address);
    std::string answer;
    if (target == "Application.CreateItem") answer = "MailItem";
    if (target == "Application.Session") answer = "NameSpace";
    if (target == "NameSpace.Accounts") answer = "Accounts";
    if (target == "Recipients.Add" && item_ != nullptr) item_->recipients_.push_back(TextArgument(*params));
    if (target == "Attachments.Add" && g_adds_answered) answer = "Attachment";
    if (target == "Recipients.Add" && g_adds_answered) answer = "Recipient";
    if (target == "Accounts.Item") answer = "Account";
    if (!answer.empty() && result != nullptr) {
      auto* object = new Object(answer);
      if (answer == "Account") {
        AccountIndex index(*params);
        if (!index.valid()) {
          object->Release();
          return DISP_E_BADINDEX;
        }
        object->account_ = g_accounts[index.value()];
      }
      result->vt = VT_DISPATCH;
      result->pdispVal = object;
    }
    return S_OK;
  }

 private:
  ~Object() = default;

  // The 1-based index argument of Accounts.Item, checked against the accounts.
  class AccountIndex {
   public:
    explicit AccountIndex(const DISPPARAMS& params) {
      if (params.cArgs != 1) return;
      VARIANT converted;
      VariantInit(&converted);
      if (SUCCEEDED(VariantChangeType(&converted, &params.rgvarg[0], 0, VT_I4)) && converted.lVal >= 1 &&
          static_cast<std::size_t>(converted.lVal) <= g_accounts.size()) {
        value_ = static_cast<std::size_t>(converted.lVal) - 1;
      }
    }
    bool valid() const { return value_ != static_cast<std::size_t>(-1); }
    std::size_t value() const { return value_; }

   private:
    std::size_t value_ = static_cast<std::size_t>(-1);
  };

  // The new message: its bodies, format and sender, as Outlook keeps them.
  HRESULT ItemMember(const std::string& member, WORD flags, const DISPPARAMS& params, VARIANT* result) {
    const bool put = (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0;
    if (member == "HtmlBody" || member == "Body") {
      std::wstring& body = member == "HtmlBody" ? html_body_ : text_body_;
      if (!put) return AnswerText(result, body);
      body = TextArgument(params);
      if (member == "HtmlBody") body_format_ = 2;
      return S_OK;
    }
    if (member == "BodyFormat" && !put) {
      if (result != nullptr) {
        result->vt = VT_I4;
        result->lVal = body_format_;
      }
      return S_OK;
    }
    if (member == "SendUsingAccount") {
      // An object property takes its object by reference only; Outlook
      // ignores a plain put without a word.
      if ((flags & DISPATCH_PROPERTYPUTREF) == 0 || params.cArgs != 1 || params.rgvarg[0].vt != VT_DISPATCH) {
        return S_OK;
      }
      Object* account = nullptr;
      IDispatch* given = params.rgvarg[0].pdispVal;
      if (given == nullptr || FAILED(given->QueryInterface(kIidOwnObject, reinterpret_cast<void**>(&account))) ||
          account->kind() != "Account") {
        return DISP_E_TYPEMISMATCH;
      }
      account->AddRef();
      if (sender_ != nullptr) sender_->Release();
      sender_ = account;
      return S_OK;
    }
    if (member == "Display") {
      if (html_body_.empty() && text_body_.empty()) PutSignature();
      return S_OK;
    }
    if (member == "Attachments" || member == "Recipients") {
      if (result != nullptr) {
        auto* collection = new Object(member);
        collection->item_ = this;  // a recipient added goes into this item
        AddRef();
        result->vt = VT_DISPATCH;
        result->pdispVal = collection;
      }
      return S_OK;
    }
    if (member == "Subject") {
      if (!put) return AnswerText(result, subject_);
      subject_ = TextArgument(params);
    }
    return S_OK;  // SentOnBehalfOfName: recorded, nothing more
  }

  // A new item from the template file the argument names (see the top).
  static HRESULT ItemFromTemplate(const DISPPARAMS& params, VARIANT* result, EXCEPINFO* exception) {
    const std::wstring path = TextArgument(params);
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (path.empty() || attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
      Failure missing;
      missing.kind = Failure::Kind::kException;
      missing.result = STG_E_FILENOTFOUND;
      missing.description = L"Nie można otworzyć pliku: " + path;
      Raise(missing, exception);
      return DISP_E_EXCEPTION;
    }
    auto* item = new Object("MailItem");
    item->from_template_ = true;
    std::istringstream lines(ReadWholeFile(path));
    std::string line, body;
    while (std::getline(lines, line)) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (line.empty()) break;
      const auto colon = line.find(": ");
      const std::string key = line.substr(0, colon), value = colon == std::string::npos ? "" : line.substr(colon + 2);
      if (key == "Subject") item->subject_ = Wide(value);
      if (key == "To") item->recipients_.push_back(Wide(value));
      if (key == "Format") item->body_format_ = std::atoi(value.c_str());
    }
    std::getline(lines, body, '\0');
    (item->body_format_ == 1 ? item->text_body_ : item->html_body_) = Wide(body);
    if (result != nullptr) {
      result->vt = VT_DISPATCH;
      result->pdispVal = item;
    } else {
      item->Release();
    }
    return S_OK;
  }

  // What Outlook puts into the empty body of a new message when its window
  // opens: the sending account's signature (here: its display name).
  void PutSignature() {
    const std::wstring name = sender_ != nullptr ? sender_->account().display_name : L"Domyślne konto";
    html_body_ = L"<html><head><style>p.MsoNormal{margin:0cm}</style></head><body lang=PL>"
                 L"<p class=MsoNormal>-- <br>" + name + L"</p></body></html>";
    text_body_ = L"\r\n\r\n-- \r\n" + name;
  }

  const std::vector<const wchar_t*>& Members() const {
    static const std::vector<const wchar_t*> application = {L"CreateItem", L"Session", L"CreateItemFromTemplate"};
    static const std::vector<const wchar_t*> item = {
        L"Subject",  L"Body",       L"HtmlBody",         L"Attachments",       L"Recipients",
        L"Display",  L"BodyFormat", L"SendUsingAccount", L"SentOnBehalfOfName"};
    static const std::vector<const wchar_t*> collection = {L"Add"};
    static const std::vector<const wchar_t*> recipient = {L"Type"};
    static const std::vector<const wchar_t*> session = {L"Accounts"};
    static const std::vector<const wchar_t*> accounts = {L"Count", L"Item"};
    static const std::vector<const wchar_t*> account = {L"DisplayName", L"SmtpAddress"};
    static const std::vector<const wchar_t*> none = {};
    if (kind_ == "Application") return application;
    if (kind_ == "MailItem") return item;
    if (kind_ == "Attachments" || kind_ == "Recipients") return collection;
    if (kind_ == "Recipient") return recipient;
    if (kind_ == "NameSpace") return session;
    if (kind_ == "Accounts") return accounts;
    if (kind_ == "Account") return account;
    return none;
  }

  std::string kind_;
  LONG refs_ = 1;
  Account account_;                      // an Account's
  std::wstring html_body_, text_body_;   // a MailItem's
  LONG body_format_ = g_body_format;
  Object* sender_ = nullptr;             // the MailItem's SendUsingAccount
  std::wstring subject_;                 // a MailItem's
  std::vector<std::wstring> recipients_; // a MailItem's: the template's, then the added ones
  bool from_template_ = false;           // a MailItem made by CreateItemFromTemplate
  Object* item_ = nullptr;               // a collection's MailItem
};

std::string ObjectText(IDispatch* object) {
  Object* own = nullptr;
  if (object == nullptr || FAILED(object->QueryInterface(kIidOwnObject, reinterpret_cast<void**>(&own)))) {
    return "foreign";
  }
  if (own->kind() == "Account") return "Account(" + Escape(own->account().smtp_address) + ")";
  return own->kind();
}

class Factory final : public IClassFactory {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (iid == IID_IUnknown || iid == IID_IClassFactory) {
      *out = static_cast<IClassFactory*>(this);
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }

  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
    *out = nullptr;
    LoadControl(false);
    Record("ClassFactory.CreateInstance");
    if (outer != nullptr) return CLASS_E_NOAGGREGATION;
    if (const Failure* failure = FailureFor("ClassFactory.CreateInstance")) {
      if (failure->kind == Failure::Kind::kDie) Die();
      Record("  failed as asked");
      QuitWhenIdle();
      return failure->result;
    }
    Object* application = new Object("Application");
    const HRESULT result = application->QueryInterface(iid, out);
    application->Release();
    return result;
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
    if (lock) {
      InterlockedIncrement(&g_locks);
    } else {
      InterlockedDecrement(&g_locks);
      QuitWhenIdle();
    }
    return S_OK;
  }
};

// {00000131-0000-0000-C000-000000000046}: COM's own interface for the
// reference counts and QueryInterface calls of remote clients.
constexpr IID kIidRemUnknown = {
    0x00000131, 0x0000, 0x0000, {0xc0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

// An incoming call as the record names it: "Application.GetIDsOfNames".
std::string CallName(const INTERFACEINFO& call) {
  const auto method = [&](std::initializer_list<const char*> names) {
    const int index = call.wMethod - 3;  // after IUnknown's three
    if (index >= 0 && index < static_cast<int>(names.size())) {
      return std::string(names.begin()[index]);
    }
    return "#" + std::to_string(call.wMethod);
  };
  if (call.iid == IID_IDispatch) {
    // Only the stand-in's own objects are handed out as IDispatch.
    const auto* object = static_cast<Object*>(static_cast<IDispatch*>(call.pUnk));
    return object->kind() + "." +
           method({"GetTypeInfoCount", "GetTypeInfo", "GetIDsOfNames", "Invoke"});
  }
  if (call.iid == IID_IClassFactory) {
    return "ClassFactory." + method({"CreateInstance", "LockServer"});
  }
  if (call.iid == kIidRemUnknown) {
    return "RemUnknown." + method({"RemQueryInterface", "RemAddRef", "RemRelease"});
  }
  wchar_t iid[40];
  StringFromGUID2(call.iid, iid, 40);
  return Utf8(iid) + "." + method({});
}

// The busy mail client's message filter: rejects the first incoming calls.
class BusyFilter final : public IMessageFilter {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (iid == IID_IUnknown || iid == IID_IMessageFilter) {
      *out = static_cast<IMessageFilter*>(this);
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }

  DWORD STDMETHODCALLTYPE HandleInComingCall(DWORD, HTASK, DWORD, LPINTERFACEINFO call) override {
    if (g_busy.each_once && call != nullptr && call->iid == IID_IDispatch) {
      // The calls of one client come one at a time: a retry follows each rejection.
      const bool accept = g_busy.accept_next;
      g_busy.accept_next = !accept;
      if (accept) return SERVERCALL_ISHANDLED;
      Record("rejected " + CallName(*call));
      return SERVERCALL_REJECTED;
    }
    if (g_busy.left <= 0 || call == nullptr) return SERVERCALL_ISHANDLED;
    if (!g_busy.every_interface && call->iid != IID_IDispatch) return SERVERCALL_ISHANDLED;
    --g_busy.left;
    Record("rejected " + CallName(*call));
    return SERVERCALL_REJECTED;
  }
  DWORD STDMETHODCALLTYPE RetryRejectedCall(HTASK, DWORD, DWORD) override {
    return static_cast<DWORD>(-1);  // the server makes no calls of its own
  }
  DWORD STDMETHODCALLTYPE MessagePending(HTASK, DWORD, DWORD) override {
    return PENDINGMSG_WAITDEFPROCESS;
  }
};

LONG SetValue(HKEY root, const std::wstring& key, const wchar_t* name, const std::wstring& value) {
  HKEY handle = nullptr;
  LONG status = RegCreateKeyExW(root, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &handle, nullptr);
  if (status != ERROR_SUCCESS) return status;
  status = RegSetValueExW(handle, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                          static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
  RegCloseKey(handle);
  return status;
}

int Register() {
  wchar_t path[MAX_PATH * 4];
  GetModuleFileNameW(nullptr, path, MAX_PATH * 4);
  const std::wstring classes = L"Software\\Classes\\";
  const std::wstring clsid_key = classes + L"CLSID\\" + kClsidText;
  LONG status = SetValue(HKEY_LOCAL_MACHINE, classes + kProgId + L"\\CLSID", nullptr, kClsidText);
  if (status == ERROR_SUCCESS) status = SetValue(HKEY_LOCAL_MACHINE, clsid_key, nullptr, L"Fake Outlook");
  if (status == ERROR_SUCCESS) {
    status = SetValue(HKEY_LOCAL_MACHINE, clsid_key + L"\\LocalServer32", nullptr,
                      L"\"" + std::wstring(path) + L"\"");
  }
  if (status == ERROR_SUCCESS) status = SetValue(HKEY_LOCAL_MACHINE, clsid_key + L"\\ProgID", nullptr, kProgId);
  return status == ERROR_SUCCESS ? 0 : 1;
}

int Unregister() {
  const std::wstring classes = L"Software\\Classes\\";
  RegDeleteTreeW(HKEY_LOCAL_MACHINE, (classes + kProgId).c_str());
  RegDeleteTreeW(HKEY_LOCAL_MACHINE, (classes + L"CLSID\\" + kClsidText).c_str());
  return 0;
}

int Serve() {
  if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 2;
  static Factory factory;
  static BusyFilter filter;
  DWORD cookie = 0;
  Record("serve");
  LoadControl(true);
  if (g_busy.left > 0 || g_busy.each_once) CoRegisterMessageFilter(&filter, nullptr);
  if (FAILED(CoRegisterClassObject(kClsid, &factory, CLSCTX_LOCAL_SERVER, REGCLS_MULTIPLEUSE, &cookie))) {
    Record("exit objects=0 (not registered)");
    CoUninitialize();
    return 3;
  }
  // A client that never comes or never lets go must not leave a server behind.
  const UINT_PTR watchdog = SetTimer(nullptr, 0, g_lifetime_ms, nullptr);
  // Wine may start a second server for clients that ask at once; one that
  // gets no client ends after a while.
  g_idle_timer = SetTimer(nullptr, 0, 5000, nullptr);
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (message.message == WM_TIMER && message.hwnd == nullptr) {
      if (message.wParam == watchdog) break;
      if (message.wParam == g_idle_timer) {
        KillTimer(nullptr, g_idle_timer);
        g_idle_timer = 0;
        if (g_objects == 0 && g_locks == 0) break;
        continue;
      }
    }
    DispatchMessageW(&message);
  }
  CoRevokeClassObject(cookie);
  Record("exit objects=" + std::to_string(g_objects));
  CoUninitialize();
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  for (int i = 1; i < argc; ++i) {
    if (lstrcmpiW(argv[i], L"/regserver") == 0) return Register();
    if (lstrcmpiW(argv[i], L"/unregserver") == 0) return Unregister();
  }
  return Serve();
}
