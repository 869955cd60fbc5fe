#include "shell/instalacion.h"

#include <QSettings>
#include <stdexcept>

#include "plataforma/pagina_codigos.h"

namespace shell {

namespace {

// A value of the installation's key, as text (UTF-8); nothing when it is not there.
std::optional<std::string> leer_valor(const char* nombre) {
#ifdef Q_OS_WIN  // the registry formats exist only there
  QSettings s(QStringLiteral("HKEY_LOCAL_MACHINE\\Software\\Lyr\\Velmora2026"),
              QSettings::Registry32Format);
#else
  QSettings s(QSettings::NativeFormat, QSettings::SystemScope, kOrganizacion, kAplicacion);
#endif
  const QString clave = QString::fromLatin1(nombre);
  if (!s.contains(clave)) return std::nullopt;
  return s.value(clave).toString().toStdString();
}

}  // namespace

std::optional<std::string> leer_directorio() { return leer_valor("Directorio"); }

std::optional<std::string> leer_pagina_codigos() { return leer_valor(kClavePagina); }

std::string elegir_pagina_codigos(const std::string& opcion) {
  std::string nombre = opcion;
  if (nombre.empty()) nombre = leer_pagina_codigos().value_or(plataforma::kPaginaPorDefecto);
  try {
    plataforma::elegir_pagina_suite(nombre);
  } catch (const std::invalid_argument& e) {
    return e.what();
  }
  return {};
}

std::string diraplicacion(const std::function<void(const std::string&)>& avisar) {
  if (std::optional<std::string> d = leer_directorio()) return *d;
  if (avisar) avisar(kSinClave);
  return {};
}

std::vector<Compania> listar_companias(db::Connection& general) {
  db::Rows r = general.read("SELECT * FROM COMPANIA");
  std::vector<Compania> out;
  for (std::size_t i = 0; i < r.size(); ++i)
    out.push_back({r.at(i, "COMP_COD").as_text(), r.at(i, "COM_NOMBRE").as_text()});
  return out;
}

std::vector<std::string> listar_sucursales(db::Connection& cia) {
  db::Rows r =
      cia.read("SELECT SUCU_ID, SUCU_NOMBRE, SUCU_DIRECCION, SUCU_TELEFONOS FROM SUCURSALES");
  std::vector<std::string> out;
  for (std::size_t i = 0; i < r.size(); ++i) out.push_back(r.at(i, "SUCU_NOMBRE").as_text());
  return out;
}

}  // namespace shell
