#include "shell/instalacion.h"

#include <QSettings>

namespace shell {

std::optional<std::string> leer_directorio() {
#ifdef Q_OS_WIN  // the registry formats exist only there
  QSettings s(QStringLiteral("HKEY_LOCAL_MACHINE\\Software\\Lyr\\Velmora2026"),
              QSettings::Registry32Format);
#else
  QSettings s(QSettings::NativeFormat, QSettings::SystemScope, kOrganizacion, kAplicacion);
#endif
  if (!s.contains(QStringLiteral("Directorio"))) return std::nullopt;
  return s.value(QStringLiteral("Directorio")).toString().toStdString();
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
