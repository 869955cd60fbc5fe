// windows.h first, then the headers built on it.
// clang-format off
#include <windows.h>
#include <aclapi.h>
#include <sddl.h>
// clang-format on

#include <string>
#include <system_error>

#include "support/sistema.h"

namespace testing_support {
namespace fs = std::filesystem;
namespace {

[[noreturn]] void fallar(const char* que, DWORD e = GetLastError()) {
  throw std::system_error(static_cast<int>(e), std::system_category(), que);
}

// The file's access list: full control for its owner, plus `otros` (SDDL entries),
// protected from what the folder passes on.
void poner_acceso(const fs::path& archivo, const std::wstring& otros) {
  PSID dueno = nullptr;
  PSECURITY_DESCRIPTOR actual = nullptr;
  DWORD e = GetNamedSecurityInfoW(archivo.c_str(), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION,
                                  &dueno, nullptr, nullptr, nullptr, &actual);
  if (e != ERROR_SUCCESS) fallar("GetNamedSecurityInfoW", e);
  wchar_t* sid = nullptr;
  if (!ConvertSidToStringSidW(dueno, &sid)) fallar("ConvertSidToStringSidW");
  const std::wstring sddl = L"D:P(A;;FA;;;" + std::wstring(sid) + L")" + otros;
  LocalFree(sid);
  LocalFree(actual);
  PSECURITY_DESCRIPTOR sd = nullptr;
  if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1, &sd,
                                                            nullptr))
    fallar("ConvertStringSecurityDescriptorToSecurityDescriptorW");
  const BOOL hecho = SetFileSecurityW(
      archivo.c_str(), DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION, sd);
  e = GetLastError();
  LocalFree(sd);
  if (!hecho) fallar("SetFileSecurityW", e);
}

BOOL WINAPI tragar(DWORD) { return TRUE; }

}  // namespace

void abrir_a_todos(const fs::path& archivo) { poner_acceso(archivo, L"(A;;FR;;;WD)"); }

void cerrar_a_otros(const fs::path& archivo) { poner_acceso(archivo, L""); }

Cesion ceder(const fs::path&, const char*) { return Cesion::SinUsuario; }

const char* pedir_parada() {
  // A console of the process's own, so that the event reaches no other process.
  FreeConsole();
  AllocConsole();
  GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0);
  return "CTRL_C_EVENT";
}

void ocupar_parada() { SetConsoleCtrlHandler(tragar, TRUE); }

}  // namespace testing_support
