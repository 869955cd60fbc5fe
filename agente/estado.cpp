#include "agente/estado.h"

#include <algorithm>
#include <cstdio>
#include <functional>

#include "engine/cola.h"
#include "engine/configuracion.h"
#include "engine/rutas.h"
#include "engine/sql.h"
#include "plataforma/pagina_codigos.h"

namespace agente {
namespace {

constexpr const char* kSocios =
    "select rpco_cod, rpco_servidor from replica_compania where rpco_activa = 'S'";

// Days since 1970-01-01 of a civil date.
long long dias(const db::Date& d) {
  const long long y = d.year - (d.month <= 2 ? 1 : 0);
  const long long era = (y >= 0 ? y : y - 399) / 400;
  const long long yoe = y - era * 400;
  const long long mp = (d.month + 9) % 12;
  const long long doy = (153 * mp + 2) / 5 + d.day - 1;
  const long long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

std::optional<db::Timestamp> instante(const db::Value& v) {
  if (v.kind() == db::Value::Kind::Timestamp) return v.timestamp_value();
  if (v.kind() == db::Value::Kind::Date) return db::Timestamp{v.date_value(), {}};
  return std::nullopt;
}

std::string sello(const db::Timestamp& t) {
  return db::format_date(t.date) + " " + db::format_time(t.time);
}

// A JSON string: strict UTF-8 whatever it was built from, quotes, backslashes and
// control characters escaped.
std::string comillas(const std::string& texto) {
  const std::string s = plataforma::utf8_valido(texto);
  std::string out = "\"";
  for (unsigned char c : s) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20) {
      char b[8];
      std::snprintf(b, sizeof b, "\\u%04x", c);
      out += b;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

std::string json_instante(const std::optional<db::Timestamp>& t) {
  return t ? comillas(sello(*t)) : "null";
}

// A label value of the exposition format: UTF-8, with backslash, double quote and
// line feed escaped.
std::string etiqueta(const std::string& texto) {
  std::string out;
  for (char c : plataforma::utf8_valido(texto)) {
    if (c == '\\' || c == '"')
      out += {'\\', c};
    else if (c == '\n')
      out += "\\n";
    else
      out += c;
  }
  return out;
}

std::string donde(const Cola& c) {
  return c.base == "local" ? "envío a " + c.destinatario : "descarga de " + c.base;
}

}  // namespace

Umbrales umbrales(int frecuencia) {
  const long long minuto = 60;
  return {10 * frecuencia * minuto, 3 * frecuencia * minuto};
}

long long segundos_entre(const db::Timestamp& desde, const db::Timestamp& hasta) {
  auto s = [](const db::Timestamp& t) {
    return dias(t.date) * 86400 + t.time.hours * 3600LL + t.time.minutes * 60LL + t.time.seconds;
  };
  return s(hasta) - s(desde);
}

std::string edad(long long s) {
  if (s < 0) s = 0;
  if (s < 60) return std::to_string(s) + " s";
  if (s < 3600) return std::to_string(s / 60) + " min";
  if (s < 86400) return std::to_string(s / 3600) + " h " + std::to_string(s % 3600 / 60) + " min";
  return std::to_string(s / 86400) + " d " + std::to_string(s % 86400 / 3600) + " h";
}

const char* nombre(Veredicto v) {
  switch (v) {
    case Veredicto::Sano:
      return "sano";
    case Veredicto::Atrasado:
      return "atrasado";
    case Veredicto::Detenido:
      return "detenido";
    case Veredicto::Desconocido:
      return "desconocido";
  }
  return "";
}

std::vector<Cola> leer_colas(db::Connection& bd, const std::string& base,
                             const std::optional<std::string>& destinatario) {
  db::Rows r = bd.read(engine::recuento_pendientes(destinatario));
  std::vector<Cola> out;
  for (std::size_t i = 0; i < r.size(); ++i) {
    Cola c;
    c.base = base;
    c.destinatario = plataforma::desde_suite(engine::sin_blancos(r.at(i, 0).as_text()));
    c.pendientes = r.at(i, 1).as_integer();
    c.mas_antiguo = instante(r.at(i, 2));
    c.con_error = r.at(i, 3).is_null() ? 0 : r.at(i, 3).as_integer();
    c.error_mas_antiguo = instante(r.at(i, 4));
    out.push_back(std::move(c));
  }
  return out;
}

void juzgar(Estado& e) {
  const Umbrales u = umbrales(e.frecuencia);
  std::string ciclo, error, atrasado;
  long long peor_atraso = -1, peor_error = -1;
  if (!e.ultimo_ciclo)
    ciclo = "no consta ningún ciclo terminado";
  else if (long long s = segundos_entre(e.ultimo_ciclo->cuando, e.ahora); s > u.detencion)
    ciclo = "el último ciclo terminó hace " + edad(s);
  for (const Cola& c : e.colas) {
    if (!c.activo) continue;
    if (c.error_mas_antiguo) {
      long long s = segundos_entre(*c.error_mas_antiguo, e.ahora);
      if (s > u.error && s > peor_error) {
        peor_error = s;
        error = donde(c) + ": " + std::to_string(c.con_error) +
                " con error, el más antiguo de hace " + edad(s);
      }
    }
    if (c.mas_antiguo) {
      long long s = segundos_entre(*c.mas_antiguo, e.ahora);
      if (s > u.atraso && s > peor_atraso) {
        peor_atraso = s;
        atrasado = donde(c) + ": " + std::to_string(c.pendientes) +
                   " pendientes, el más antiguo de hace " + edad(s);
      }
    }
  }
  // Without the local queue nothing is known; a partner that cannot be read leaves the
  // rest known, so a stall seen elsewhere still says so.
  if (e.local_inalcanzable) {
    e.veredicto = Veredicto::Desconocido;
    e.motivo = e.inalcanzables.front();
  } else if (!ciclo.empty() || !error.empty()) {
    e.veredicto = Veredicto::Detenido;
    e.motivo = ciclo.empty() ? error : ciclo;
  } else if (!e.inalcanzables.empty()) {
    e.veredicto = Veredicto::Desconocido;
    e.motivo = e.inalcanzables.front();
  } else if (!atrasado.empty()) {
    e.veredicto = Veredicto::Atrasado;
    e.motivo = atrasado;
  } else {
    long long pendientes = 0;
    for (const Cola& c : e.colas) pendientes += c.activo ? c.pendientes : 0;
    e.veredicto = Veredicto::Sano;
    e.motivo = std::to_string(pendientes) + " pendientes";
  }
}

Estado medir(db::Connection& local, const Medicion& m, const engine::Reloj& reloj) {
  Estado e;
  e.compania = plataforma::desde_suite(m.compania);
  e.ahora = reloj.ahora();
  e.ultimo_ciclo = m.ultimo_ciclo;
  e.frecuencia = m.ultimo_ciclo ? m.ultimo_ciclo->frecuencia : m.frecuencia;
  try {
    db::Rows socios = local.read(kSocios);
    e.colas = leer_colas(local, "local", std::nullopt);
    for (Cola& c : e.colas) {
      c.activo = false;
      for (std::size_t i = 0; i < socios.size(); ++i)
        c.activo =
            c.activo || plataforma::desde_suite(engine::sin_blancos(socios.at(i, 0).as_text())) ==
                            c.destinatario;
    }
    const engine::Credenciales cred = engine::credenciales_socio(local);
    for (std::size_t i = 0; i < socios.size(); ++i) {
      // Shown and in a path: decoded from the suite's code page.
      const std::string codigo =
          plataforma::desde_suite(engine::sin_blancos(socios.at(i, 0).as_text()));
      const std::string raiz = m.servidor_socios.empty()
                                   ? plataforma::desde_suite(socios.at(i, 1).as_text())
                                   : m.servidor_socios;
      e.socios.push_back(codigo);
      if (raiz.empty()) continue;
      const std::string ruta = engine::ruta_socio(raiz, codigo);
      db::Connection socio("Estado-" + codigo);
      socio.set_params(db::ConnectParams{ruta, cred.usuario, cred.clave, m.espera_bloqueo});
      try {
        socio.connect();
        for (Cola& c : leer_colas(socio, codigo, m.compania)) e.colas.push_back(std::move(c));
        e.socios_leidos.push_back(codigo);
      } catch (const std::exception& x) {
        e.inalcanzables.push_back("No se pudo leer la cola de " + codigo + " (" + ruta +
                                  "): " + errors::una_linea(x.what()));
      }
    }
  } catch (const std::exception& x) {
    e.local_inalcanzable = true;
    e.inalcanzables.insert(e.inalcanzables.begin(),
                           "No se pudo leer la cola local: " + errors::una_linea(x.what()));
  }
  juzgar(e);
  return e;
}

std::string cifras(const std::vector<Cola>& colas, const db::Timestamp& ahora) {
  if (colas.empty()) return "Sin eventos pendientes.";
  std::string out;
  for (const Cola& c : colas) {
    if (!out.empty()) out += "; ";
    out += donde(c) + ": " + std::to_string(c.pendientes) + " pendientes";
    if (c.mas_antiguo)
      out += " (el más antiguo de hace " + edad(segundos_entre(*c.mas_antiguo, ahora)) + ")";
    out += ", " + std::to_string(c.con_error) + " con error";
    if (c.error_mas_antiguo)
      out += " (el más antiguo de hace " + edad(segundos_entre(*c.error_mas_antiguo, ahora)) + ")";
    if (!c.activo) out += ", sin compañía activa";
  }
  return out + ".";
}

std::string linea(const Estado& e) {
  std::string v = nombre(e.veredicto);
  v[0] = static_cast<char>(v[0] - 'a' + 'A');
  return v + ": " + e.motivo;
}

std::string texto(const Estado& e) {
  std::string out = "Estado de la replicación de " + e.compania + ": " + nombre(e.veredicto) +
                    " (" + e.motivo + ")\n";
  out += "Ahora: " + sello(e.ahora) + "\n";
  out += "Último ciclo terminado: " +
         (e.ultimo_ciclo ? sello(e.ultimo_ciclo->cuando) + " (hace " +
                               edad(segundos_entre(e.ultimo_ciclo->cuando, e.ahora)) + ")"
                         : std::string("ninguno")) +
         "\n";
  const Umbrales u = umbrales(e.frecuencia);
  out += "Frecuencia: " + std::to_string(e.frecuencia) + " min (atrasado pasados " +
         edad(u.atraso) + ", detenido sin ciclo en " + edad(u.detencion) +
         " o con un error de más de 1 d)\n";
  if (e.colas.empty()) out += "Sin eventos pendientes.\n";
  for (const Cola& c : e.colas) out += "  " + cifras({c}, e.ahora) + "\n";
  for (const std::string& s : e.inalcanzables) out += "  " + s + "\n";
  return out;
}

std::string json(const Estado& e) {
  std::string out =
      "{\"compania\": " + comillas(e.compania) +
      ", \"veredicto\": " + comillas(nombre(e.veredicto)) +
      ", \"codigo\": " + std::to_string(static_cast<int>(e.veredicto)) +
      ", \"motivo\": " + comillas(e.motivo) + ", \"ahora\": " + comillas(sello(e.ahora)) +
      ", \"ultimo_ciclo\": " +
      json_instante(e.ultimo_ciclo ? std::optional(e.ultimo_ciclo->cuando) : std::nullopt) +
      ", \"frecuencia_min\": " + std::to_string(e.frecuencia) + ", \"colas\": [";
  for (std::size_t i = 0; i < e.colas.size(); ++i) {
    const Cola& c = e.colas[i];
    auto edad_s = [&](const std::optional<db::Timestamp>& t) {
      return t ? std::to_string(segundos_entre(*t, e.ahora)) : std::string("null");
    };
    out += std::string(i ? ", " : "") + "{\"base\": " + comillas(c.base) +
           ", \"destinatario\": " + comillas(c.destinatario) +
           ", \"activo\": " + (c.activo ? "true" : "false") +
           ", \"pendientes\": " + std::to_string(c.pendientes) +
           ", \"mas_antiguo\": " + json_instante(c.mas_antiguo) +
           ", \"edad_s\": " + edad_s(c.mas_antiguo) +
           ", \"con_error\": " + std::to_string(c.con_error) +
           ", \"error_mas_antiguo\": " + json_instante(c.error_mas_antiguo) +
           ", \"error_edad_s\": " + edad_s(c.error_mas_antiguo) + "}";
  }
  out += "], \"inalcanzables\": [";
  for (std::size_t i = 0; i < e.inalcanzables.size(); ++i)
    out += std::string(i ? ", " : "") + comillas(e.inalcanzables[i]);
  return out + "]}\n";
}

std::string prometheus(const Estado& e) {
  const std::string compania = "company=\"" + etiqueta(e.compania) + "\"";
  auto edad_s = [&](const std::optional<db::Timestamp>& t) {
    return t ? std::max(0LL, segundos_entre(*t, e.ahora)) : 0LL;
  };
  // One family per figure, one sample per queue.
  struct Familia {
    const char* nombre;
    const char* ayuda;
    std::function<long long(const Cola&)> valor;
  };
  const Familia familias[] = {
      {"envioauto_pending_events", "Eventos pendientes de la cola.",
       [](const Cola& c) { return c.pendientes; }},
      {"envioauto_oldest_pending_age_seconds",
       "Edad del evento pendiente más antiguo, desde su registro (0 sin pendientes).",
       [&](const Cola& c) { return edad_s(c.mas_antiguo); }},
      {"envioauto_error_events", "Eventos pendientes que llevan un error.",
       [](const Cola& c) { return c.con_error; }},
      {"envioauto_oldest_error_age_seconds",
       "Edad del evento con error más antiguo, desde su registro (0 sin errores).",
       [&](const Cola& c) { return edad_s(c.error_mas_antiguo); }},
  };
  auto familia = [](const char* nombre, const char* ayuda) {
    return std::string("# HELP ") + nombre + " " + ayuda + "\n# TYPE " + nombre + " gauge\n";
  };
  // The queues with pending events, then a queue of nothing for every partner without
  // one, each direction in its place.
  std::vector<Cola> colas = e.colas;
  auto falta = [&](const std::string& base, const std::string& destinatario) {
    for (const Cola& c : e.colas)
      if (c.base == base && (base != "local" || c.destinatario == destinatario)) return;
    Cola nada;
    nada.base = base;
    nada.destinatario = destinatario;
    colas.push_back(std::move(nada));
  };
  for (const std::string& s : e.socios) falta("local", s);
  for (const std::string& s : e.socios_leidos) falta(s, e.compania);
  std::stable_partition(colas.begin(), colas.end(),
                        [](const Cola& c) { return c.base == "local"; });
  std::string out;
  for (const Familia& f : familias) {
    out += familia(f.nombre, f.ayuda);
    for (const Cola& c : colas) {
      const bool envio = c.base == "local";
      out += std::string(f.nombre) + "{" + compania + ",direction=\"" +
             (envio ? "envio" : "descarga") + "\",partner=\"" +
             etiqueta(envio ? c.destinatario : c.base) + "\",active=\"" +
             (c.activo ? "true" : "false") + "\"} " + std::to_string(f.valor(c)) + "\n";
    }
  }
  out += familia("envioauto_verdict",
                 "Veredicto del estado: 0 sano, 1 atrasado, 2 detenido, 3 desconocido.");
  out +=
      "envioauto_verdict{" + compania + "} " + std::to_string(static_cast<int>(e.veredicto)) + "\n";
  out += familia("envioauto_last_cycle_age_seconds",
                 "Segundos desde que el último ciclo llegó a su fin (sin muestra si no consta "
                 "ninguno).");
  if (e.ultimo_ciclo)
    out += "envioauto_last_cycle_age_seconds{" + compania + "} " +
           std::to_string(edad_s(e.ultimo_ciclo->cuando)) + "\n";
  return out;
}

void anotar_fin_de_ciclo(errors::Bitacora& b, const engine::Opciones& op) noexcept {
  try {
    int frecuencia = 1;
    try {
      frecuencia = std::stoi(op.frecuencia);
    } catch (const std::exception&) {
    }
    b.fin_de_ciclo(op.compania, frecuencia);
  } catch (const std::exception& e) {
    try {
      b.error("", e.what());
    } catch (const std::exception& e2) {
      std::fprintf(stderr, "envioauto: %s\n", e2.what());
    }
  }
}

}  // namespace agente
