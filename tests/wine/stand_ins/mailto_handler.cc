// A stand-in mailto: handler, registered as Classes\mailto's open command
// ("<this>" "%1"): records the link it was handed to mailto_calls.txt beside
// itself, as "link=" and the text.
#include <windows.h>
// after windows.h
#include <shellapi.h>

#include "stand_in_record.h"

int wmain() {
  const std::wstring record =
      wrenpost::wine_test::FolderOf(reinterpret_cast<const void*>(&wmain)) + L"mailto_calls.txt";
  int count = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &count);
  for (int i = 1; i < count; ++i) {
    wrenpost::wine_test::AppendUtf8Line(record, "link=" + wrenpost::wine_test::Quoted(argv[i]));
  }
  LocalFree(argv);
  return 0;
}
