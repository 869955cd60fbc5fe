#pragma once
// The suite's code page: the 8-bit encoding its Windows clients write their text in
// (Windows-1252 unless the installation says otherwise), and the one converter between
// it and UTF-8, the program's own text. Bytes travel from database to database as they
// are; they are decoded only where they meet a person or another program (windows, logs,
// JSON, exports, file paths), and the program's text is encoded only where it goes into
// a database or to the server.
//
// The conversion itself is the system's: iconv on POSIX, the code page functions of
// Windows there (pagina_codigos_posix.cpp, pagina_codigos_windows.cpp).

#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace plataforma {

inline constexpr const char* kPaginaPorDefecto = "WINDOWS-1252";

// One encoding and its conversions to and from UTF-8. A cheap handle: copies share the
// converter, which may be used from several threads.
class PaginaCodigos {
 public:
  // "WINDOWS-1252", "CP1252" or "1252", "ISO-8859-15", "CP850", "UTF-8"... Throws
  // std::invalid_argument (textos::pagina_desconocida) when the system has no such page.
  explicit PaginaCodigos(std::string_view nombre);

  const std::string& nombre() const;
  // The page's bytes as UTF-8. A byte the page leaves undefined becomes U+FFFD: decoding
  // never fails.
  std::string a_utf8(std::string_view bytes) const;
  // UTF-8 as the page's bytes; nothing when some character has no byte in the page.
  std::optional<std::string> de_utf8_exacto(std::string_view utf8) const;
  // The same, with "?" standing for each character the page lacks.
  std::string de_utf8(std::string_view utf8) const;

  struct Impl;

 private:
  std::shared_ptr<Impl> impl_;
};

// The suite's code page for the whole process: Windows-1252 until the start chooses
// another (the --pagina-codigos option, else the installation's setting).
PaginaCodigos pagina_suite();
// Throws std::invalid_argument for a name the system does not know (the page in force
// stays).
void elegir_pagina_suite(std::string_view nombre);

// The suite's bytes (a database value) as UTF-8, and back.
std::string desde_suite(std::string_view bytes);
std::string hacia_suite(std::string_view utf8);
std::optional<std::string> hacia_suite_exacto(std::string_view utf8);

// The text with every sequence that is not UTF-8 replaced by U+FFFD: what a reader
// that accepts only UTF-8 (JSON) can take whatever it was built from.
std::string utf8_valido(std::string_view texto);
// Text that may come from the server as either encoding: the engine names files in
// UTF-8 (they are given to it so) and data in the suite's bytes. Valid UTF-8 is taken
// as such (the suite's accented text practically never forms it); anything else is
// the suite's code page.
std::string desde_servidor(std::string_view bytes);

// ---- what depends on the platform -------------------------------------------------------

// How the agent's text logs are written, all three alike: on Windows in the suite's code
// page with CR LF line ends (what the operators' editors and the suite's own files use);
// elsewhere in UTF-8 with LF.
struct FormaBitacora {
  bool pagina_suite;         // the suite's code page; otherwise UTF-8
  const char* fin_de_linea;  // "\r\n" or "\n"
};
FormaBitacora forma_bitacora();

// Takes the user's locale for the process (POSIX: the client library names files in its
// encoding; when the locale is plain ASCII, "C.UTF-8" as Qt does). Called once at start.
void tomar_locale();
// Text for the console: the locale's encoding on POSIX; on Windows the console's code
// page, or the ANSI one when the output goes to a file or a pipe. Characters the
// encoding lacks become "?".
std::string para_consola(std::string_view utf8);
// A command-line argument or environment value (the locale's encoding on POSIX, the
// ANSI code page on Windows) as UTF-8.
std::string del_sistema(std::string_view bytes);

namespace textos {
inline std::string pagina_desconocida(std::string_view nombre) {
  return "Página de códigos desconocida: \"" + std::string(nombre) + "\"";
}
inline std::string sin_caracter_en_pagina(std::string_view pagina) {
  return "El texto tiene caracteres que la página de códigos " + std::string(pagina) +
         " no puede guardar";
}
}  // namespace textos

}  // namespace plataforma
