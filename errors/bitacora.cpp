#include "errors/bitacora.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "db/textos.h"

namespace errors {

Bitacora::Bitacora(Directorio directorio, const engine::Reloj& reloj)
    : directorio_(std::move(directorio)), reloj_(reloj) {}

std::string una_linea(std::string_view texto) {
  std::string out(texto);
  for (char& c : out)
    if (c == '\n' || c == '\r') c = ' ';
  return out;
}

std::string Bitacora::ruta(const char* archivo) const { return directorio_() + "/" + archivo; }

std::string Bitacora::sello() const {
  db::Timestamp t = reloj_.ahora();
  return db::format_date(t.date) + "," + db::format_time(t.time);
}

void Bitacora::agregar(const char* archivo, std::string_view linea) {
  std::string path = ruta(archivo);
  std::FILE* f = std::fopen(path.c_str(), "ab");
  if (!f) throw std::runtime_error(db::textos::archivo_no_abre(path, std::strerror(errno)));
  std::string text = una_linea(linea);
  text += '\n';
  bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
  ok = (std::fclose(f) == 0) && ok;
  if (!ok) throw std::runtime_error(db::textos::archivo_no_escribe(path, std::strerror(errno)));
}

void Bitacora::error(std::string_view identidad, std::string_view mensaje) {
  agregar(kErrorEnvio, sello() + "," + std::string(identidad) + "," + std::string(mensaje));
}

void Bitacora::conexion_fallida(std::string_view ruta_bd) {
  agregar(kErrorEnvio, sello() + ",No se pudo conectar con el servidor " + std::string(ruta_bd));
}

void Bitacora::auditoria(std::string_view id, std::string_view tipo, std::string_view documento,
                         std::string_view sql) {
  agregar(kAuditoria, sello() + "," + std::string(id) + "," + std::string(tipo) + "," +
                          std::string(documento) + "," + std::string(sql));
}

void Bitacora::acceso(std::string_view usuario, std::string_view mensaje) {
  agregar(kErroresAcceso, sello() + "," + std::string(usuario) + "," + std::string(mensaje));
}

namespace {

std::string archivo_ciclo(std::string_view compania) {
  return std::string(kUltimoCiclo) + std::string(compania) + ".TXT";
}

}  // namespace

void Bitacora::fin_de_ciclo(std::string_view compania, int frecuencia) {
  const std::string nombre = archivo_ciclo(compania);
  const std::string destino = ruta(nombre.c_str());
  const std::string temporal = destino + ".nuevo";
  {
    std::ofstream f(temporal, std::ios::binary | std::ios::trunc);
    f << sello() << "," << frecuencia << "\n";
    f.close();
    if (!f)
      throw std::runtime_error(db::textos::archivo_no_escribe(temporal, std::strerror(errno)));
  }
  std::error_code ec;
  std::filesystem::rename(temporal, destino, ec);
  if (ec) throw std::runtime_error(db::textos::archivo_no_escribe(destino, ec.message()));
}

std::optional<FinDeCiclo> Bitacora::ultimo_ciclo(std::string_view compania) const {
  const std::string nombre = archivo_ciclo(compania);
  std::ifstream f(ruta(nombre.c_str()), std::ios::binary);
  std::string linea;
  if (!f || !std::getline(f, linea)) return std::nullopt;
  // date,time,minutes
  const std::size_t c1 = linea.find(',');
  const std::size_t c2 = c1 == std::string::npos ? c1 : linea.find(',', c1 + 1);
  if (c2 == std::string::npos) return std::nullopt;
  try {
    FinDeCiclo fin;
    fin.cuando.date = db::parse_date(linea.substr(0, c1));
    fin.cuando.time = db::parse_time(linea.substr(c1 + 1, c2 - c1 - 1));
    fin.frecuencia = std::stoi(linea.substr(c2 + 1));
    return fin;
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

}  // namespace errors
