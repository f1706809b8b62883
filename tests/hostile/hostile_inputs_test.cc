// Hostile and huge inputs for the built POSIX program: each run must end
// normally, with the log and the mail client's fields exactly as asked.
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <fstream>

#include "tests/e2e/compose_decoder.h"
#include "tests/e2e/e2e_harness.h"
#include "tests/support/log_text.h"
#include "wrenpost_version.h"

namespace wrenpost::hostile {
namespace {

namespace fs = std::filesystem;
using e2e::ReadFile;
using e2e::RunResult;
using e2e::WriteFile;
using test_support::LogEntries;
using test_support::Occurrences;
using ::testing::ElementsAre;
using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::Not;

std::string Numbered(const char* format, int number) {
  char text[64];
  std::snprintf(text, sizeof text, format, number);
  return text;
}

struct HostileInputs : ::testing::Test, e2e::ThunderbirdSandbox {
  HostileInputs() { InstallThunderbird(); }
};

// Windows hands a program at most 32,767 characters of command line. Here the
// text is made of thousands of options, valid and not, and is exactly that long.
TEST_F(HostileInputs, LongestCommandTextWithThousandsOfOptions) {
  std::vector<std::string> args;
  std::size_t length = 0;
  const auto add = [&](const std::string& arg) {
    length += (args.empty() ? 0 : 1) + arg.size();
    args.push_back(arg);
  };
  int round = 0;
  while (length < 32'767 - 200) {
    ++round;
    add("-subject");
    add(Numbered("t%05d", round));
    add("-to");
    add(Numbered("r%05d;x", round));
    add("-Subject");  // wrong case: ignored
    add("zle");
    add("-html");     // no value: ignored
    add("-");
    add("--");
  }
  add("-subject");
  add("koniec");
  add("-body");
  add(std::string(32'767 - length - 1, 'b'));  // pads the text to the limit exactly
  ASSERT_EQ(length, 32'767u);
  std::string command_text;
  for (const std::string& arg : args) command_text += (command_text.empty() ? "" : " ") + arg;
  ASSERT_EQ(command_text.size(), 32'767u);
  std::size_t options = 0;
  for (const std::string& arg : args) options += arg.starts_with('-');
  ASSERT_GT(options, 3000u);

  const RunResult run = Launch(args);
  EXPECT_EQ(run.exit_code, 0) << run.std_err;
  const std::string log = ReadFile(this->log);
  EXPECT_THAT(log, HasSubstr("\r\nParametry: " + command_text + "\r\n"));
  EXPECT_THAT(log, HasSubstr("\r\nDodanie tematu: koniec\r\n"));
  EXPECT_THAT(log, EndsWith("Dodanie adresata: " + Numbered("r%05d", round) +
                            "\r\nDodanie adresata: x\r\nKoniec programu.\r\n"));
  const auto fields = ComposeFields();
  EXPECT_EQ(fields.at("subject"), "koniec");
  EXPECT_EQ(fields.at("to"), Numbered("r%05d", round) + ",x");
}

// Ten thousand recipients and a thousand attachments (every tenth missing).
// Thunderbird takes the whole message as one argument and Linux allows one
// argument 128 KiB: each list alone fits, both together end in a clean report
// of error 7 (E2BIG) with every entry logged, never a crash or a partial message.
TEST_F(HostileInputs, TenThousandRecipientsAndAThousandAttachments) {
  fs::create_directories(sandbox / "z");
  std::string attachments;
  std::vector<std::string> attached;
  for (int i = 1; i <= 1'000; ++i) {
    const std::string file = Numbered("z/%04d.pdf", i);  // relative to the working folder
    if (i % 10 != 0) {
      WriteFile(sandbox / file, "%PDF");
      attached.push_back((sandbox / file).string());
    }
    attachments += (i == 1 ? "" : ";") + file;
  }
  std::string recipients, to_field;
  for (int i = 1; i <= 10'000; ++i) {
    recipients += Numbered(i == 1 ? "r%05d" : ";r%05d", i);
    to_field += Numbered(i == 1 ? "r%05d" : ",r%05d", i);
  }

  struct Case {
    const char* name;
    bool with_recipients;
    bool with_attachments;
  };
  for (const Case& c : {Case{"recipients", true, false}, Case{"attachments", false, true},
                        Case{"both: too long for one argument", true, true}}) {
    SCOPED_TRACE(c.name);
    fs::remove(log);
    fs::remove(seen / "done");
    std::vector<std::string> args;
    if (c.with_recipients) args.insert(args.end(), {"-to", recipients});
    if (c.with_attachments) args.insert(args.end(), {"-attachment", attachments});
    e2e::RunOptions options = Options();
    options.working_folder = sandbox.dir();
    const RunResult run = e2e::RunProgram(program, args, options);

    const std::string log_text = ReadFile(log);
    EXPECT_EQ(Occurrences(log_text, "\r\nDodanie załącznika: z/"), c.with_attachments ? 900u : 0u);
    EXPECT_EQ(Occurrences(log_text, " nie istnieje!\r\n"), c.with_attachments ? 100u : 0u);
    EXPECT_EQ(Occurrences(log_text, "\r\nDodanie adresata: "), c.with_recipients ? 10'000u : 0u);
    const std::string last_step = c.with_recipients ? "Dodanie adresata: r10000\r\n"
                                                    : "Wyświetlenie okna nowej wiadomości.\r\n";
    if (!(c.with_recipients && c.with_attachments)) {
      EXPECT_EQ(run.exit_code, 0) << run.std_err;
      EXPECT_THAT(log_text, EndsWith(last_step + "Koniec programu.\r\n"));
      const auto fields = ComposeFields();
      ASSERT_EQ(fields.count("to"), 1u) << "Thunderbird was not started";
      EXPECT_EQ(fields.at("to"), c.with_recipients ? to_field : "");
      if (c.with_attachments) EXPECT_EQ(testing::AttachmentPaths(fields.at("attachment")), attached);
    } else {
      EXPECT_EQ(run.exit_code, 1);
      EXPECT_THAT(log_text, EndsWith(last_step + "\r\n\r\nWystąpił błąd (5): Wiadomość jest za długa dla programu "
                                     "Thunderbird: zajęłaby 143109 bajtów w jednym argumencie polecenia, a Linux "
                                     "przyjmuje najwyżej 131071. Wiadomość nie zostanie obcięta.\r\n"
                                     "Program zakończony błędem.\r\n"));
      EXPECT_THAT(run.std_err, HasSubstr("Wystąpił błąd:\nWiadomość jest za długa dla programu Thunderbird"));
      EXPECT_FALSE(fs::exists(seen / "done"));
    }
  }
}

// A 64 MiB body file of over a million lines runs together into one body.
TEST_F(HostileInputs, HugeBodyFile) {
  const fs::path body_file = sandbox / "treść.txt";
  const std::string line = std::string(63, 'x') + "ż";  // 65 bytes, then CR LF
  const std::size_t lines = (64u << 20) / (line.size() + 2) + 1;
  {
    std::ofstream out(body_file, std::ios::binary);
    for (std::size_t i = 0; i < lines; ++i) out << line << "\r\n";
  }
  ASSERT_GE(fs::file_size(body_file), 64u << 20);
  ASSERT_GT(lines, 1'000'000u);

  const RunResult run = Launch({"-bodyfile", body_file.string(), "-bodyfiledelete", "1"});
  EXPECT_EQ(run.exit_code, 0) << run.std_err;
  EXPECT_FALSE(fs::exists(body_file));
  const std::string log = ReadFile(this->log);
  const std::string lead_in = "\r\nDodanie treści tekstowej: ";
  const auto entry = log.find(lead_in);
  ASSERT_NE(entry, std::string::npos);
  const auto end = log.find("\r\n", entry + lead_in.size());
  ASSERT_NE(end, std::string::npos);
  EXPECT_EQ(end - entry - lead_in.size(), lines * line.size());
  EXPECT_EQ(log.compare(entry + lead_in.size(), 2 * line.size(), line + line), 0);
  const auto fields = ComposeFields();
  ASSERT_EQ(fields.count("message"), 1u);
  EXPECT_EQ(fs::file_size(fields.at("message")), lines * line.size());
}

// NUL bytes and bytes that are no UTF-8: read as Windows-1250, NULs kept.
TEST_F(HostileInputs, BinaryBodyFile) {
  const std::string bytes("PK\x03\x04\x00\x00\xFF\xFE\r\n\x80\xB9\x9C\x00\r\x01\n", 17);
  WriteFile(sandbox / "b.bin", bytes);
  const RunResult run = Launch({"-bodyfile", (sandbox / "b.bin").string()});
  EXPECT_EQ(run.exit_code, 0) << run.std_err;
  const std::string body = std::string("PK\x03\x04\x00\x00", 6) + "˙ţ€ąś" + std::string("\x00\x01\n", 3);
  EXPECT_THAT(ReadFile(log), HasSubstr("\r\nDodanie treści tekstowej: " + body + "\r\n"));
  const auto fields = ComposeFields();
  ASSERT_EQ(fields.count("message"), 1u);
  EXPECT_EQ(ReadFile(fields.at("message")), body);
}

// A folder is no normal file: like a missing body file, it gives an empty body
// without any entry, and it is left alone even when deletion was asked for.
TEST_F(HostileInputs, BodyFileThatIsAFolderGivesNoBody) {
  fs::create_directories(sandbox / "folder.txt");
  WriteFile(sandbox / "folder.txt" / "inside", "x");
  const RunResult run = Launch({"-body", "zastąpiona", "-bodyfile", (sandbox / "folder.txt").string(),
                             "-bodyfiledelete", "1", "-subject", "s"});
  EXPECT_EQ(run.exit_code, 0) << run.std_err;
  EXPECT_TRUE(fs::exists(sandbox / "folder.txt" / "inside"));
  const std::string log = ReadFile(this->log);
  EXPECT_THAT(log, Not(HasSubstr("Dodanie treści")));
  EXPECT_THAT(log, EndsWith("Dodanie tematu: s\r\nWyświetlenie okna nowej wiadomości.\r\nKoniec programu.\r\n"));
  EXPECT_EQ(ComposeFields().count("message"), 0u);
}

// A body file that cannot be looked up or read: the generic box, the number in
// the log, the mail client never started and the file left where it was.
TEST_F(HostileInputs, UnreadableBodyFileStopsTheRunAndStays) {
  struct Case {
    std::string name;
    fs::path path;
    int number;
  };
  fs::create_symlink("pętla", sandbox / "pętla");  // a link to itself: ELOOP on lookup
  std::vector<Case> cases = {
      {"a link that loops", sandbox / "pętla", ELOOP},
      {"a file whose reading fails", "/proc/self/mem", EIO},
      {"a name too long for the file system", sandbox / std::string(300, 'n'), ENAMETOOLONG},
  };
  if (::geteuid() != 0) {
    WriteFile(sandbox / "zamknięty.txt", "tajne");
    fs::permissions(sandbox / "zamknięty.txt", fs::perms::none);
    cases.push_back({"a file without read permission", sandbox / "zamknięty.txt", EACCES});
  }
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove(log);
    const RunResult run = Launch({"-bodyfile", c.path.string(), "-bodyfiledelete", "1", "-to", "anna"});
    EXPECT_EQ(run.exit_code, 1);
    const std::vector<std::string> lines = LogEntries(ReadFile(log));
    ASSERT_GE(lines.size(), 3u);
    EXPECT_THAT(lines[lines.size() - 2], ::testing::StartsWith("Wystąpił błąd (" + std::to_string(c.number) + "): "));
    EXPECT_EQ(lines.back(), "Program zakończony błędem.");
    EXPECT_THAT(run.std_err, HasSubstr("Wystąpił błąd:\n"));
    EXPECT_FALSE(fs::exists(seen / "done")) << "the mail client was started";
    std::error_code error;
    if (c.number != ENAMETOOLONG) EXPECT_TRUE(fs::exists(fs::symlink_status(c.path, error)));
  }
}

// Paths past Windows' old 260-character limit, Polish letters, UNC-style
// names and wildcards: what exists is attached as found, nothing else.
TEST_F(HostileInputs, LongPolishUncAndWildcardPaths) {
  fs::path deep = sandbox / "Zażółć gęślą jaźń";
  while (deep.string().size() < 400) deep /= "Łódź — folder ĄĘŚĆ";
  fs::create_directories(deep);
  const fs::path deep_file = deep / "Oferta żółta.pdf";
  WriteFile(deep_file, "%PDF");
  WriteFile(deep / "treść.txt", "Dzień dobry\r\n");
  fs::create_directories(sandbox / "w" / "folder.pdf");
  WriteFile(sandbox / "w" / ".ukryty.doc", "h");
  WriteFile(sandbox / "w" / "raport.txt", "r");
  fs::create_directories(sandbox / "v");
  WriteFile(sandbox / "v" / "[x].pdf", "[x]");
  WriteFile(sandbox / "v" / "x.pdf", "x");  // what a bracket pattern would pick
  ASSERT_GT(deep_file.string().size(), 400u);

  const std::vector<std::string> missing = {
      "\\\\serwer\\udział\\plik.pdf",          // UNC-style: no such name here
      (sandbox / "w" / "*.pdf").string(),      // only a folder matches
      (sandbox / "w" / "*.doc").string(),      // only a hidden file matches
      (sandbox / "w" / "*.xls").string(),      // nothing matches
      (sandbox / "brak" / "*").string(),       // no such folder
  };
  const std::vector<std::string> found = {deep_file.string(), (sandbox / "v" / "[x].pdf").string(),
                                          (sandbox / "w" / "rap*.txt").string()};
  std::string list = found[0] + ";" + found[1] + ";" + found[2];
  for (const std::string& path : missing) list += ";" + path;
  const RunResult run = Launch({"-bodyfile", (deep / "treść.txt").string(), "-attachment", list});
  EXPECT_EQ(run.exit_code, 0) << run.std_err;
  const std::string log = ReadFile(this->log);
  EXPECT_THAT(log, HasSubstr("\r\nDodanie treści tekstowej: Dzień dobry\r\n"));
  for (const std::string& path : found) {
    EXPECT_THAT(log, HasSubstr("\r\nDodanie załącznika: " + path + "\r\n"));
  }
  for (const std::string& path : missing) {
    EXPECT_THAT(log, HasSubstr("\r\nPlik " + path + " nie istnieje!\r\n"));
  }
  const auto fields = ComposeFields();
  ASSERT_EQ(fields.count("attachment"), 1u);
  EXPECT_THAT(testing::AttachmentPaths(fields.at("attachment")),
              ElementsAre(found[0], found[1], (sandbox / "w" / "raport.txt").string()));
}

// The program itself in a folder with a long Polish name: the log is still
// beside it and the header names that folder.
TEST_F(HostileInputs, ProgramInALongPolishFolder) {
  fs::path folder = sandbox / "Narzędzia";
  while (folder.string().size() < 300) folder /= "Żółty podfolder ĘĄ";
  fs::create_directories(folder);
  const fs::path moved = folder / "wrenpost";
  fs::copy_file(program, moved);
  const RunResult run = e2e::RunProgram(moved, {"-subject", "x"}, Options());
  EXPECT_EQ(run.exit_code, 0) << run.std_err;
  const std::string log = ReadFile(folder / "Wrenpost.log");
  EXPECT_THAT(log, HasSubstr("\r\n\r\n" + moved.string() + ".exe (" WRENPOST_VERSION_TEXT ")\r\n"));
  EXPECT_THAT(log, EndsWith("Koniec programu.\r\n"));
}

}  // namespace
}  // namespace wrenpost::hostile
