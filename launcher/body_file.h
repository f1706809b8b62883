// Turning a body file into the message body.
#pragma once

#include <string>

#include "platform/file_system.h"

namespace wrenpost {

// The body named by a body file: empty when FileExists does not find it;
// otherwise its lines run together (CR and CR LF end a line and are dropped, a
// lone LF stays in the text). Raises RunError when the file cannot be read.
std::string ReadBodyFile(FileSystem& files, const std::string& path);

// The text of a body file's bytes: UTF-16 LE or BE after the byte-order mark
// FF FE or FE FF (dropped); UTF-8 after its byte-order mark (dropped) or when
// the bytes are valid UTF-8; else the system's legacy code page. Line
// terminators as in ReadBodyFile, judged on the decoded characters.
std::string DecodeBodyText(std::string bytes, FileSystem& files);

}  // namespace wrenpost
