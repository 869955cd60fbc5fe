#include "plataforma/archivos.h"

// windows.h first, then the headers built on it.
// clang-format off
#include <windows.h>
#include <aclapi.h>
#include <sddl.h>
// clang-format on

#include <algorithm>
#include <vector>

namespace plataforma {
namespace {

std::error_code error_de_windows(DWORD e = GetLastError()) {
  return std::error_code(static_cast<int>(e), std::system_category());
}

// A piece of the process's token: TokenUser (who runs it) or TokenOwner (the owner it
// gives what it creates: the administrators' group for an elevated administrator).
std::vector<unsigned char> del_token(TOKEN_INFORMATION_CLASS clase) {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return {};
  DWORD n = 0;
  GetTokenInformation(token, clase, nullptr, 0, &n);
  std::vector<unsigned char> b(n);
  if (n == 0 || !GetTokenInformation(token, clase, b.data(), n, &n)) b.clear();
  CloseHandle(token);
  return b;
}

PSID sid_de_usuario(std::vector<unsigned char>& b) {
  return reinterpret_cast<TOKEN_USER*>(b.data())->User.Sid;
}
PSID sid_de_dueno(std::vector<unsigned char>& b) {
  return reinterpret_cast<TOKEN_OWNER*>(b.data())->Owner;
}

}  // namespace

Escrito escribir(const std::filesystem::path& archivo, std::string_view datos, Escritura modo) {
  Escrito r;
  // Append access alone puts every write at the end of the file, whoever else appends.
  const DWORD acceso =
      (modo == Escritura::Agregar ? FILE_APPEND_DATA : GENERIC_WRITE) | FILE_READ_ATTRIBUTES;
  HANDLE h = CreateFileW(
      archivo.c_str(), acceso, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
      OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    r.al_abrir = error_de_windows();
    return r;
  }
  BY_HANDLE_FILE_INFORMATION info{};
  if (!GetFileInformationByHandle(h, &info))
    r.al_abrir = error_de_windows();
  else if (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)
    r.al_abrir = std::make_error_code(std::errc::too_many_symbolic_link_levels);
  else if (modo == Escritura::Reemplazar && !SetEndOfFile(h))
    r.al_escribir = error_de_windows();
  std::size_t hecho = 0;
  while (!r.al_abrir && !r.al_escribir && hecho < datos.size()) {
    const DWORD trozo = static_cast<DWORD>(std::min<std::size_t>(datos.size() - hecho, 1u << 30));
    DWORD n = 0;
    if (!WriteFile(h, datos.data() + hecho, trozo, &n, nullptr))
      r.al_escribir = error_de_windows();
    else if (n == 0)
      r.al_escribir = std::make_error_code(std::errc::io_error);
    hecho += n;
  }
  if (!CloseHandle(h) && !r.al_abrir && !r.al_escribir) r.al_escribir = error_de_windows();
  return r;
}

CarpetaPrivada carpeta_privada(const std::filesystem::path& carpeta) {
  std::vector<unsigned char> usuario = del_token(TokenUser), dueno = del_token(TokenOwner);
  if (usuario.empty() || dueno.empty()) return {Privada::Fallo, error_de_windows()};
  // Full control for the user alone, passed on to what the folder holds, and nothing
  // inherited from the folder above.
  wchar_t* sid = nullptr;
  if (!ConvertSidToStringSidW(sid_de_usuario(usuario), &sid))
    return {Privada::Fallo, error_de_windows()};
  const std::wstring sddl = L"D:P(A;OICI;FA;;;" + std::wstring(sid) + L")";
  LocalFree(sid);
  PSECURITY_DESCRIPTOR sd = nullptr;
  if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1, &sd,
                                                            nullptr))
    return {Privada::Fallo, error_de_windows()};
  SECURITY_ATTRIBUTES sa{sizeof sa, sd, FALSE};
  const BOOL creada = CreateDirectoryW(carpeta.c_str(), &sa);
  const DWORD e = GetLastError();
  LocalFree(sd);
  if (creada) return {Privada::Lista, {}};
  if (e != ERROR_ALREADY_EXISTS) return {Privada::Fallo, error_de_windows(e)};

  const DWORD atributos = GetFileAttributesW(carpeta.c_str());
  if (atributos == INVALID_FILE_ATTRIBUTES) return {Privada::Fallo, error_de_windows()};
  if (atributos & FILE_ATTRIBUTE_REPARSE_POINT) return {Privada::Enlace, {}};
  if (!(atributos & FILE_ATTRIBUTE_DIRECTORY))
    return {Privada::Fallo, std::make_error_code(std::errc::not_a_directory)};
  PSID propietario = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  const DWORD r = GetNamedSecurityInfoW(carpeta.c_str(), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION,
                                        &propietario, nullptr, nullptr, nullptr, &descriptor);
  if (r != ERROR_SUCCESS) return {Privada::Fallo, error_de_windows(r)};
  const bool propia =
      EqualSid(propietario, sid_de_usuario(usuario)) || EqualSid(propietario, sid_de_dueno(dueno));
  LocalFree(descriptor);
  return {propia ? Privada::Lista : Privada::Ajena, {}};
}

Lectores lectores(const std::filesystem::path& archivo) {
  PSID propietario = nullptr;
  PACL lista = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (GetNamedSecurityInfoW(archivo.c_str(), SE_FILE_OBJECT,
                            OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &propietario,
                            nullptr, &lista, nullptr, &descriptor) != ERROR_SUCCESS)
    return Lectores::Desconocido;
  // Without an access list at all, everyone may do everything.
  Lectores r = lista ? Lectores::SoloSuDueno : Lectores::Otros;
  const ACCESS_MASK lectura = FILE_READ_DATA | GENERIC_READ | GENERIC_ALL | MAXIMUM_ALLOWED;
  for (DWORD i = 0; lista && r == Lectores::SoloSuDueno && i < lista->AceCount; ++i) {
    ACE_HEADER* ace = nullptr;
    if (!GetAce(lista, i, reinterpret_cast<void**>(&ace))) {
      r = Lectores::Desconocido;
      break;
    }
    // An entry only passed on to what a folder will hold does not apply to the file.
    if (ace->AceFlags & INHERIT_ONLY_ACE) continue;
    if (ace->AceType != ACCESS_ALLOWED_ACE_TYPE && ace->AceType != ACCESS_ALLOWED_CALLBACK_ACE_TYPE)
      continue;
    auto* permiso = reinterpret_cast<ACCESS_ALLOWED_ACE*>(ace);
    if (!(permiso->Mask & lectura)) continue;
    PSID quien = &permiso->SidStart;
    if (EqualSid(quien, propietario) || IsWellKnownSid(quien, WinLocalSystemSid) ||
        IsWellKnownSid(quien, WinBuiltinAdministratorsSid) ||
        IsWellKnownSid(quien, WinCreatorOwnerRightsSid))
      continue;
    r = Lectores::Otros;
  }
  LocalFree(descriptor);
  return r;
}

std::string orden_solo_su_dueno(std::string_view ruta) {
  return "icacls \"" + std::string(ruta) + "\" /inheritance:r /grant:r \"%USERNAME%:R\"";
}

}  // namespace plataforma
