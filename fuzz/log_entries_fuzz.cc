// The log entry encoder: what WriteLogLine, WriteRunHeader and ReportFailure
// hand to the file system, byte for byte, for any texts, numbers, names and
// times, and that none of them raises when the file system fails.
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz/fuzz_check.h"
#include "fuzz/fuzz_input.h"
#include "launcher/failure_report.h"
#include "platform/run_error.h"
#include "runlog/run_log.h"

namespace wrenpost::fuzz {
namespace {

struct Append {
  std::string path;
  std::string text;
};

class RecordingFiles final : public FileSystem {
 public:
  bool failing = false;
  std::vector<Append> appends;

  bool FileExists(const std::string&) override { return false; }
  std::string ReadBytes(const std::string&) override { return {}; }
  void RemoveFile(const std::string&) override {}
  std::string FullPath(const std::string& path) override { return path; }
  void AppendText(const std::string& path, std::string_view text) override {
    if (failing) throw RunError(32, "plik jest używany przez inny proces");
    appends.push_back({path, std::string(text)});
  }
  std::string DecodeLegacyText(std::string_view bytes) override { return std::string(bytes); }
};

class GivenNames final : public NameQueries {
 public:
  std::string user, computer;
  bool user_fails = false;
  std::string QueryUserName() override {
    if (user_fails) throw RunError(5, "odmowa dostępu");
    return user;
  }
  std::string QueryComputerName() override { return computer; }
};

class GivenClock final : public Clock {
 public:
  LocalDateTime time;
  bool fails = false;
  LocalDateTime Now() override {
    if (fails) throw RunError(1, "zegar");
    return time;
  }
};

class RecordingBox final : public WarningBox {
 public:
  std::vector<std::pair<std::string, std::string>> shown;
  void Show(std::string_view caption, std::string_view text) override {
    shown.emplace_back(std::string(caption), std::string(text));
  }
};

std::string Decimal(long long value) {
  if (value == 0) return "0";
  const bool negative = value < 0;
  unsigned long long magnitude = negative ? 0ULL - static_cast<unsigned long long>(value)
                                          : static_cast<unsigned long long>(value);
  std::string digits;
  for (; magnitude > 0; magnitude /= 10) digits.insert(digits.begin(), char('0' + magnitude % 10));
  return negative ? "-" + digits : digits;
}

std::string Padded(int value) {
  const std::string digits = Decimal(value);
  return value >= 0 && value < 10 ? "0" + digits : digits;
}

std::string BeforeNul(const std::string& buffer) { return buffer.substr(0, buffer.find('\0')); }

void CheckEntries(const RecordingFiles& files, const std::string& path,
                  const std::vector<std::string>& expected, const std::string& what) {
  FUZZ_CHECK(files.appends.size() == expected.size(),
             what + ": " + std::to_string(files.appends.size()) + " appends, expected " +
                 std::to_string(expected.size()));
  for (std::size_t i = 0; i < files.appends.size() && i < expected.size(); ++i) {
    FUZZ_CHECK(files.appends[i].path == path, what + ": entry written elsewhere");
    FUZZ_CHECK(files.appends[i].text == expected[i] + "\r\n",
               what + " entry " + std::to_string(i) + ": " + Shown(files.appends[i].text) +
                   ", expected " + Shown(expected[i] + "\r\n"));
  }
}

}  // namespace

int FuzzLogEntries(const std::uint8_t* data, std::size_t size) {
  ByteReader input(data, size);
  const std::string path = input.TakeText(64);
  const bool failing = input.TakeBool();

  // One entry: lead-in and text, exactly, then CR LF; a failing file system is swallowed.
  {
    RecordingFiles files;
    files.failing = failing;
    const RunLog log(files, path);
    const std::string lead_in = input.TakeText(32);
    const std::string text = input.TakeText(4096);
    log.WriteLogLine(lead_in, text);
    log.WriteLogLine(text);
    CheckEntries(files, path, failing ? std::vector<std::string>{}
                                      : std::vector<std::string>{lead_in + text, text},
                 "WriteLogLine");
  }

  // The run header, for any folder, name, version, names and time.
  {
    RecordingFiles files;
    files.failing = failing;
    const RunLog log(files, path);
    HostIdentity identity;
    identity.folder = input.TakeText(300);
    identity.file_name = input.TakeText(64);
    identity.separator = input.TakeBool() ? '\\' : '/';
    identity.version = {input.TakeInteger<std::int16_t>(), input.TakeInteger<std::int16_t>(),
                        input.TakeInteger<std::int16_t>()};
    GivenNames names;
    names.user = input.TakeText(1100);
    names.computer = input.TakeText(1100);
    names.user_fails = input.TakeBool();
    GivenClock clock;
    clock.fails = input.TakeBool();
    clock.time = {1601 + input.TakeInteger<std::uint16_t>() % 8400,
                  1 + input.TakeInteger<std::uint8_t>() % 12,
                  1 + input.TakeInteger<std::uint8_t>() % 31,
                  input.TakeInteger<std::uint8_t>() % 24,
                  input.TakeInteger<std::uint8_t>() % 60,
                  input.TakeInteger<std::uint8_t>() % 60};
    WriteRunHeader(log, identity, clock, names);

    const LocalDateTime& t = clock.time;
    const std::string when = Decimal(t.year) + "-" + Decimal(t.month) + "-" + Padded(t.day) +
                             ", " + Padded(t.hour) + ":" + Padded(t.minute) + ":" +
                             Padded(t.second);
    FUZZ_CHECK(FormatHeaderTime(t) == when, "time " + FormatHeaderTime(t) + ", expected " + when);
    const std::string user = names.user_fails ? "" : BeforeNul(names.user);
    const std::string program = "\r\n" + identity.folder + identity.separator +
                                identity.file_name + ".exe (" +
                                Decimal(identity.version.major_part) + "." +
                                Decimal(identity.version.minor_part) + "." +
                                Decimal(identity.version.revision) + ")";
    const std::string dated = (clock.fails ? "" : when) + ", użytkownik = " + user +
                              ", komputer = " + BeforeNul(names.computer);
    CheckEntries(files, path,
                 failing ? std::vector<std::string>{}
                         : std::vector<std::string>{"\r\n", std::string(55, '-'), program, dated},
                 "WriteRunHeader");
  }

  // The failure report: three entries and one box, for any number and description.
  {
    RecordingFiles files;
    files.failing = failing;
    const RunLog log(files, path);
    RecordingBox box;
    const RunError error(input.TakeInteger<std::int32_t>(), input.TakeRest());
    ReportFailure(error, log, box);
    CheckEntries(files, path,
                 failing ? std::vector<std::string>{}
                         : std::vector<std::string>{"\r\n",
                                                    "Wystąpił błąd (" + Decimal(error.number) +
                                                        "): " + error.description,
                                                    "Program zakończony błędem."},
                 "ReportFailure");
    const std::string cannot = "Nie można utworzyć nowej wiadomości w MS Outlook.\r\n";
    const std::string text =
        error.number == 287
            ? cannot + "Prawdopodobna przyczyna to wyłączony program MS Outlook lub problem z "
                       "dostępem do domyślnego konta pocztowego."
        : error.number == 429 ? cannot + "Sprawdź, czy program jest zainstalowany w systemie!"
                              : "Wystąpił błąd:\r\n" + error.description;
    FUZZ_CHECK(box.shown.size() == 1, "one box per failure");
    FUZZ_CHECK(!box.shown.empty() && box.shown[0].first == "Wrenpost" && box.shown[0].second == text,
               "box text for " + Decimal(error.number));
  }
  return 0;
}

}  // namespace wrenpost::fuzz
