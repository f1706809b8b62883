#include "platform/fake/fake_host.h"

#include "platform/windows/windows_path.h"

namespace wrenpost {

void FakeFileSystem::MaybeFail(const std::string& operation) {
  const auto found = failures_.find(operation);
  if (found == failures_.end()) return;
  Failure& failure = found->second;
  if (failure.succeeding > 0) {
    --failure.succeeding;
    return;
  }
  if (failure.failing == 0) return;
  if (failure.failing > 0) --failure.failing;
  throw failure.error;
}

bool FakeFileSystem::IsNormalFile(const std::string& path) const {
  if (path.empty()) return false;  // as every platform answers
  const auto file = files_.find(path);
  return file != files_.end() && !file->second.hidden && !file->second.folder;
}

bool FakeFileSystem::FileExists(const std::string& path) {
  MaybeFail("exists");
  return IsNormalFile(path);
}

std::string FakeFileSystem::ReadBytes(const std::string& path) {
  MaybeFail("read");
  const auto file = files_.find(path);
  if (file == files_.end()) throw RunError(53, "File not found: " + path);
  return file->second.bytes;
}

void FakeFileSystem::RemoveFile(const std::string& path) {
  MaybeFail("remove");
  if (files_.erase(path) == 0) throw RunError(53, "File not found: " + path);
}

std::string FakeFileSystem::FoundFilePath(const std::string& path) {
  if (!IsNormalFile(path)) throw RunError(53, "File not found: " + path);
  if (working_folder.empty() || IsFullWindowsPath(path)) return path;
  // "C:a.pdf" is relative to the current folder of drive C: here, the working folder's.
  const std::string_view drive = FolderPart(path).size() == 2 ? FolderPart(path) : std::string_view();
  return working_folder + "\\" + path.substr(drive.size());
}

void FakeFileSystem::AppendText(const std::string& path, std::string_view text) {
  MaybeFail("append");
  files_[path].bytes.append(text);
}

std::string FakeFileSystem::DecodeLegacyText(std::string_view bytes) {
  return "<cp:" + std::string(bytes) + ">";
}

std::string FakeNameQueries::Buffer(const std::optional<std::string>& name) {
  if (!name) throw RunError(5, "Access denied");
  std::string buffer(1024, '\0');
  buffer.replace(0, std::min(name->size(), buffer.size()), *name, 0, 1024);
  return buffer;
}

}  // namespace wrenpost
