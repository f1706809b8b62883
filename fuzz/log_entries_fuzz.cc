// The log entry encoder: what WriteLogLine, WriteRunHeader and ReportFailure
// hand to the file system, byte for byte, for any texts, numbers, names and
// times, and that none of them raises when appends to the file fail.
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz/fuzz_check.h"
#include "fuzz/fuzz_input.h"
#include "launcher/failure_report.h"
#include "platform/fake/fake_host.h"
#include "errors/run_error.h"
#include "runlog/run_log.h"

namespace wrenpost::fuzz {
namespace {

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

// Which appends fail: `count` of them after the first `succeeding`, in every
// part. Each entry is one append, so exactly those entries are lost.
struct FailingAppends {
  int succeeding;
  int count;
};

FakeFileSystem FilesFailing(const FailingAppends& failing) {
  FakeFileSystem files;
  files.FailSome("append", RunError(32, "plik jest używany przez inny proces"), failing.succeeding,
                 failing.count);
  return files;
}

void CheckEntries(const FakeFileSystem& files, const std::string& path,
                  const FailingAppends& failing, const std::vector<std::string>& entries,
                  const std::string& what) {
  std::string expected;
  for (int i = 0; i < static_cast<int>(entries.size()) && !path.empty(); ++i) {
    const bool lost = i >= failing.succeeding && i < failing.succeeding + failing.count;
    if (!lost) expected += entries[i] + "\r\n";
  }
  const std::string written = files.Has(path) ? files.Content(path) : "";
  FUZZ_CHECK(written == expected,
             what + " wrote " + Shown(written) + " to " + Shown(path) + ", expected " +
                 Shown(expected));
}

}  // namespace

int FuzzLogEntries(const std::uint8_t* data, std::size_t size) {
  ByteReader input(data, size);
  const std::string path = input.TakeText(64);  // empty: a log that writes nothing
  const auto window = input.TakeInteger<std::uint8_t>();
  const FailingAppends failing{(window >> 3) & 3, window & 7};

  // One entry: lead-in and text, exactly, then CR LF; a failed append is swallowed.
  {
    FakeFileSystem files = FilesFailing(failing);
    const RunLog log(files, path);
    const std::string lead_in = input.TakeText(32);
    const std::string text = input.TakeText(4096);
    log.WriteLogLine(lead_in, text);
    log.WriteLogLine(text);
    CheckEntries(files, path, failing, {lead_in + text, text}, "WriteLogLine");
  }

  // The run header, for any folder, name, version, names and time.
  {
    FakeFileSystem files = FilesFailing(failing);
    const RunLog log(files, path);
    HostIdentity identity;
    identity.folder = input.TakeText(300);
    identity.file_name = input.TakeText(64);
    identity.separator = input.TakeBool() ? '\\' : '/';
    identity.version = {input.TakeInteger<std::int16_t>(), input.TakeInteger<std::int16_t>(),
                        input.TakeInteger<std::int16_t>()};
    FakeNameQueries names;
    names.user = input.TakeText(1100);
    names.computer = input.TakeText(1100);
    const auto names_failing = input.TakeInteger<std::uint8_t>();
    const std::string user = (names_failing & 1) ? "" : BeforeNul(names.user->substr(0, 1024));
    const std::string computer =
        (names_failing & 2) ? "" : BeforeNul(names.computer->substr(0, 1024));
    if (names_failing & 1) names.user.reset();
    if (names_failing & 2) names.computer.reset();
    FixedClock clock;
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
    const std::string program = "\r\n" + identity.folder + identity.separator +
                                identity.file_name + ".exe (" +
                                Decimal(identity.version.major_part) + "." +
                                Decimal(identity.version.minor_part) + "." +
                                Decimal(identity.version.revision) + ")";
    const std::string dated =
        (clock.fails ? "" : when) + ", użytkownik = " + user + ", komputer = " + computer;
    CheckEntries(files, path, failing, {"\r\n", std::string(55, '-'), program, dated},
                 "WriteRunHeader");
  }

  // The failure report: three entries and one box, for any number and description.
  {
    FakeFileSystem files = FilesFailing(failing);
    const RunLog log(files, path);
    RecordingWarningBox box;
    const RunError error(input.TakeInteger<std::int32_t>(), input.TakeRest());
    ReportFailure(error, log, box);
    CheckEntries(files, path, failing,
                 {"\r\n", "Wystąpił błąd (" + Decimal(error.number) + "): " + error.description,
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
    FUZZ_CHECK(!box.shown.empty() && box.shown[0].caption == "Wrenpost" &&
                   box.shown[0].text == text,
               "box text for " + Decimal(error.number));
  }
  return 0;
}

}  // namespace wrenpost::fuzz
