#include "platform/fake/fake_host.h"

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

bool FakeFileSystem::FileExists(const std::string& path) {
  MaybeFail("exists");
  if (path.empty()) return false;  // as every platform answers
  const auto file = files_.find(path);
  return file != files_.end() && !file->second.hidden && !file->second.folder;
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

std::string FakeFileSystem::FullPath(const std::string& path) {
  const bool absolute = path.size() >= 2 && (path[1] == ':' || path.starts_with("\\\\"));
  if (working_folder.empty() || absolute) return path;
  return working_folder + "\\" + path;
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
