// In-memory stand-ins for the file system and host services, for tests.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/file_system.h"
#include "platform/host.h"
#include "platform/platform.h"
#include "errors/run_error.h"
#include "platform/fake/fake_automation.h"
#include "platform/fake/fake_mail_clients.h"
#include "wrenpost_version.h"

namespace wrenpost {

class FakeFileSystem final : public FileSystem {
 public:
  struct File {
    std::string bytes;
    bool hidden = false;
    bool folder = false;
  };

  void Add(const std::string& path, std::string bytes, bool hidden = false) {
    files_[path] = {std::move(bytes), hidden, false};
  }
  void AddFolder(const std::string& path) { files_[path] = {{}, false, true}; }
  bool Has(const std::string& path) const { return files_.count(path) > 0; }
  const std::string& Content(const std::string& path) const { return files_.at(path).bytes; }

  std::string working_folder;  // empty: FoundFilePath gives every path as written

  // Makes every later call of that kind raise `error` ("exists", "read", "remove", "append").
  void Fail(const std::string& operation, RunError error) {
    failures_.insert_or_assign(operation, Failure{std::move(error), 0, -1});
  }
  // Makes only `count` later calls of that kind raise `error`, the ones after the next
  // `succeeding` calls; the calls after those succeed again.
  void FailSome(const std::string& operation, RunError error, int succeeding, int count) {
    failures_.insert_or_assign(operation, Failure{std::move(error), succeeding, count});
  }

  bool FileExists(const std::string& path) override;
  std::string ReadBytes(const std::string& path) override;
  void RemoveFile(const std::string& path) override;
  // `working_folder` + "\\" + path (without the drive of "C:a.pdf") for a path
  // that is not a full Windows path, when a working folder is set; else `path`
  // as it is. No wildcards.
  std::string FoundFilePath(const std::string& path) override;
  void AppendText(const std::string& path, std::string_view text) override;
  // Marks every byte it decodes, so tests can tell which decoding ran: "<cp:...>".
  std::string DecodeLegacyText(std::string_view bytes) override;

 private:
  struct Failure {
    RunError error;
    int succeeding;  // calls still to succeed before the failing ones
    int failing;     // calls still to fail; negative: every call
  };
  void MaybeFail(const std::string& operation);
  bool IsNormalFile(const std::string& path) const;
  std::map<std::string, File> files_;
  std::map<std::string, Failure> failures_;
};

class FakeNameQueries final : public NameQueries {
 public:
  std::optional<std::string> user = std::string("anna");       // nullopt: the query fails
  std::optional<std::string> computer = std::string("BIURO-7");

  std::string QueryUserName() override { return Buffer(user); }
  std::string QueryComputerName() override { return Buffer(computer); }

 private:
  static std::string Buffer(const std::optional<std::string>& name);
};

class FixedClock final : public Clock {
 public:
  LocalDateTime time{2014, 3, 5, 9, 7, 3};
  bool fails = false;  // Now raises RunError
  LocalDateTime Now() override {
    if (fails) throw RunError(1, "Clock unavailable");
    return time;
  }
};

class FakeProcess final : public Process {
 public:
  std::string command_text;
  std::string executable_path = "C:\\Narzędzia\\Wrenpost.exe";
  char separator = '\\';
  VersionTriple version{WRENPOST_VERSION_MAJOR, WRENPOST_VERSION_MINOR, WRENPOST_VERSION_PATCH};

  std::string CommandText() override { return command_text; }
  std::string ExecutablePath() override { return executable_path; }
  char FolderSeparator() override { return separator; }
  VersionTriple Version() override { return version; }
};

class RecordingWarningBox final : public WarningBox {
 public:
  struct Shown {
    std::string caption;
    std::string text;
  };
  std::vector<Shown> shown;
  void Show(std::string_view caption, std::string_view text) override {
    shown.push_back({std::string(caption), std::string(text)});
  }
};

// All of the above, wired into one Platform.
struct FakePlatform {
  FakeAutomationServer automation;
  FakeFileSystem files;
  FakeNameQueries names;
  FixedClock clock;
  FakeProcess process;
  RecordingWarningBox warning_box;
  FakeMailClients mail_clients;

  Platform platform() { return {automation, files, names, clock, process, warning_box, mail_clients}; }
};

}  // namespace wrenpost
