// A mapi32.dll with neither MAPISendMailW nor MAPISendMail: Simple MAPI that
// cannot be used at all.
#include <windows.h>

extern "C" __declspec(dllexport) ULONG WINAPI MAPILogon(ULONG_PTR, char*, char*, ULONG, ULONG, ULONG_PTR*) {
  return 2;  // MAPI_E_FAILURE
}
