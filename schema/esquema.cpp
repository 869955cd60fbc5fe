#include "schema/esquema.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <functional>
#include <stdexcept>

#include "db/connection.h"
#include "db/error.h"
#include "db/textos.h"
#include "plataforma/archivos.h"
#include "plataforma/proceso.h"
#include "plataforma/rutas.h"

namespace schema {
namespace fs = std::filesystem;

namespace {

bool starts_with_ci(std::string_view s, std::string_view prefix) {
  if (s.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i)
    if (std::toupper(static_cast<unsigned char>(s[i])) !=
        std::toupper(static_cast<unsigned char>(prefix[i])))
      return false;
  return true;
}

std::string trim(std::string_view s) {
  std::size_t b = s.find_first_not_of(" \t\r\n");
  if (b == std::string_view::npos) return {};
  std::size_t e = s.find_last_not_of(" \t\r\n");
  return std::string(s.substr(b, e - b + 1));
}

std::vector<Script> scripts_for(Kind kind, const std::vector<Script>& guiones) {
  std::vector<Script> out;
  for (const Script& s : guiones) {
    bool general = s.name == "general.sql";
    if ((kind == Kind::General) != general) continue;
    out.push_back(s);
  }
  // The base company tables come first; family scripts build on them.
  std::stable_partition(out.begin(), out.end(),
                        [](const Script& s) { return s.name == "compania.sql"; });
  return out;
}

std::string fingerprint(Kind kind, const std::vector<Script>& guiones) {
  std::string all;
  for (const Script& s : scripts_for(kind, guiones)) {
    all += s.name;
    all += s.text;
  }
  return std::to_string(std::hash<std::string>{}(all));
}

db::ConnectParams params_for(const fs::path& path) {
  return db::ConnectParams{plataforma::texto(path), kUser, kPassword, 60};
}

// The templates live in the system's temporary folder, which others share: the user's
// own folder there, never one someone else planted.
fs::path carpeta_de_plantillas() {
  const fs::path dir =
      fs::temp_directory_path() / ("envioauto-plantillas-" + plataforma::usuario());
  const plataforma::CarpetaPrivada c = plataforma::carpeta_privada(dir);
  switch (c.estado) {
    case plataforma::Privada::Lista:
      return dir;
    case plataforma::Privada::Enlace:
      throw std::runtime_error(db::textos::carpeta_enlace(plataforma::texto(dir)));
    case plataforma::Privada::Ajena:
      throw std::runtime_error(db::textos::carpeta_ajena(plataforma::texto(dir)));
    case plataforma::Privada::Fallo:
      break;
  }
  throw fs::filesystem_error("carpeta de plantillas", dir, c.error);
}

fs::path template_for(Kind kind, const std::vector<Script>& guiones) {
  fs::path dir = carpeta_de_plantillas() / fingerprint(kind, guiones);
  fs::path file = dir / (kind == Kind::General ? "general.fdb" : "velmora.fdb");
  if (fs::exists(file)) return file;
  fs::create_directories(dir);
  // Built under a private name and renamed into place, so parallel test processes
  // never see a half-made template.
  fs::path tmp = dir / ("tmp-" + std::to_string(plataforma::numero_de_proceso()) + ".fdb");
  fs::remove(tmp);
  db::Connection::create_database(params_for(tmp));
  {
    db::Connection conn("plantilla");
    conn.set_params(params_for(tmp));
    for (const Script& s : scripts_for(kind, guiones)) {
      try {
        run_script(conn, s.text);
      } catch (const std::exception& e) {
        conn.disconnect();
        fs::remove(tmp);
        throw std::runtime_error(std::string(s.name) + ": " + e.what());
      }
    }
  }
  fs::rename(tmp, file);
  return file;
}

}  // namespace

std::vector<std::string> split_script(std::string_view text) {
  std::vector<std::string> out;
  std::string term = ";";
  std::string current;
  std::size_t i = 0;
  auto flush = [&]() {
    std::string stmt = trim(current);
    current.clear();
    if (stmt.empty()) return;
    if (starts_with_ci(stmt, "SET TERM")) {
      std::string rest = trim(std::string_view(stmt).substr(8));
      if (rest.empty()) throw std::runtime_error("SET TERM without a terminator");
      term = rest;
      return;
    }
    out.push_back(std::move(stmt));
  };
  while (i < text.size()) {
    char c = text[i];
    if (c == '-' && i + 1 < text.size() && text[i + 1] == '-') {
      while (i < text.size() && text[i] != '\n') ++i;
      continue;
    }
    if (c == '/' && i + 1 < text.size() && text[i + 1] == '*') {
      std::size_t end = text.find("*/", i + 2);
      i = end == std::string_view::npos ? text.size() : end + 2;
      continue;
    }
    if (c == '\'' || c == '"') {
      std::size_t j = i + 1;
      while (j < text.size()) {
        if (text[j] == c) {
          if (j + 1 < text.size() && text[j + 1] == c) {
            j += 2;
            continue;
          }
          break;
        }
        ++j;
      }
      current.append(text.substr(i, j + 1 - i));
      i = j + 1;
      continue;
    }
    // "SET TERM x ;" is itself ended by the terminator in force, like in isql.
    if (text.compare(i, term.size(), term) == 0) {
      flush();
      i += term.size();
      continue;
    }
    current += c;
    ++i;
  }
  flush();
  return out;
}

void run_script(db::Connection& conn, std::string_view text) {
  for (const std::string& stmt : split_script(text)) {
    try {
      conn.execute(stmt);
    } catch (const db::Error& e) {
      throw std::runtime_error(std::string(e.what()) + "\nin statement:\n" + stmt);
    }
  }
}

void create_database(Kind kind, const fs::path& path, const std::vector<Script>& guiones) {
  fs::path tpl = template_for(kind, guiones);
  fs::create_directories(path.parent_path());
  fs::copy_file(tpl, path, fs::copy_options::overwrite_existing);
}

std::string general_path(const fs::path& root) {
  return plataforma::texto(root / "datos" / "general.fdb");
}

std::string company_path(const fs::path& root, const std::string& code) {
  return plataforma::texto(root / "datos" / code / "velmora.fdb");
}

void enlazar_socio(db::Connection& c, const std::string& codigo, const std::string& servidor,
                   const std::string& usuario, const std::string& clave) {
  c.execute(
      "UPDATE OR INSERT INTO REPLICA_COMPANIA (RPCO_COD, RPCP_NOMBRE, RPCO_SERVIDOR, RPCO_ACTIVA) "
      "VALUES (?, ?, ?, 'S') MATCHING (RPCO_COD)",
      {db::Value::text(codigo), db::Value::text("Compania " + codigo), db::Value::text(servidor)});
  const char* conf =
      "UPDATE OR INSERT INTO CONFIGURACION (CONF_MODULO, CONF_CATEGORIA, CONF_PROPIEDAD, "
      "CONF_VALOR) VALUES ('INVENTARIO', 'ARTICULOS', ?, ?) MATCHING (CONF_MODULO, "
      "CONF_CATEGORIA, CONF_PROPIEDAD)";
  c.execute(conf, {db::Value::text("NOMBRE DE USUARIO PARA REPLICACION DE ARTICULOS"),
                   db::Value::text(usuario)});
  c.execute(conf, {db::Value::text("CLAVE DE USUARIO PARA REPLICACION DE ARTICULOS"),
                   db::Value::text(clave)});
}

fs::path create_installation(const fs::path& root, const std::vector<std::string>& companies,
                             const std::vector<Script>& guiones) {
  create_database(Kind::General, general_path(root), guiones);
  db::Connection general("DbGeneral");
  general.set_params(params_for(general_path(root)));
  for (const std::string& code : companies) {
    create_database(Kind::Company, company_path(root, code), guiones);
    general.execute("INSERT INTO COMPANIA (COMP_COD, COM_NOMBRE) VALUES (?, ?)",
                    {db::Value::text(code), db::Value::text("Compania " + code)});
  }
  general.execute("INSERT INTO USUARIO (USUA_COD, USUA_NOMBRE) VALUES (?, ?)",
                  {db::Value::text(kUser), db::Value::text("Administrador")});
  return root;
}

}  // namespace schema
