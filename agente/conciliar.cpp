#include "agente/conciliar.h"

#include <map>
#include <optional>

#include "db/target_set.h"
#include "engine/cola.h"
#include "engine/configuracion.h"
#include "engine/contexto.h"
#include "engine/evento.h"
#include "engine/rutas.h"
#include "engine/sql.h"
#include "errors/bitacora.h"
#include "plataforma/pagina_codigos.h"

namespace agente {
namespace {

using engine::Fase;

constexpr const char* kSocios =
    "select rpco_cod, rpco_servidor from replica_compania where rpco_activa = 'S'";

// Nothing is applied while reconciling: a failure reaching here is a fault.
struct SinEscritura : db::ApplyErrorSink {
  void apply_failed(const std::exception& e) override { throw std::logic_error(e.what()); }
};

// What names one document (or master row) in the queue.
std::string clave(const engine::Evento& e) {
  auto t = [&](const char* c) { return engine::sin_blancos(e.texto(c)); };
  return t("RPEV_TIPO") + "|" + t("RPEV_PREF") + "|" + t("RPEV_NUMERO") + "|" + t("RPEV_CODIGO") +
         "|" + t("RPEV_IDDOC") + "|" + t("RPEV_DATOS");
}

std::string documento(const engine::Evento& e) {
  std::string d = e.tipo_texto();
  for (const char* c : {"RPEV_PREF", "RPEV_NUMERO", "RPEV_CODIGO", "RPEV_DATOS"}) {
    std::string v = engine::sin_blancos(e.texto(c));
    if (!v.empty()) d += " " + v;
  }
  return plataforma::desde_suite(d);
}

// The event that brings the target to what the source is: the last event's own letter
// when it deletes or annuls and the copy is still there, the deleting letter when the
// source is gone, else a copy (a missing annulled document arrives with the source's
// annul column). Empty when no event of the type can do it.
std::string letra_de_reparacion(const engine::Cotejo& c, const engine::Evento& e) {
  using engine::Operacion;
  const bool anula = c.operacion == Operacion::Anular;
  if (c.operacion == Operacion::Borrar || (anula && c.destino.presente))
    return engine::sin_blancos(e.oper());
  if (!anula && !c.origen.presente) return std::string(c.borra);
  return std::string(engine::kOperInsertar);
}

struct Lado {
  Fase fase;
  db::Connection& origen;
  db::Connection& destino;
  std::string sentido;
  std::string fecha_bloqueo;
};

// Queues the fresh event that repairs the document of `e` in the queue `e` lives in.
Reparacion reparar(const Lado& lado, const engine::Cotejo& c, const engine::Evento& e,
                   const engine::Reloj& reloj) {
  using Estado = Reparacion::Estado;
  Reparacion r{documento(e), lado.sentido, letra_de_reparacion(c, e)};
  if (r.letra.empty()) {
    r.estado = Estado::SinEvento;
    return r;
  }
  try {
    const std::optional<std::int64_t> id =
        engine::reencolar(lado.origen, e, r.letra, reloj.ahora());
    r.estado = id ? Estado::Encolado : Estado::YaPendiente;
    r.evento = id.value_or(0);
  } catch (const std::exception& x) {
    r.estado = Estado::Fallido;
    r.error = errors::una_linea(x.what());
  }
  return r;
}

// The last event of each document of `lista`, in the order of first appearance, when
// at least one of its events was stamped in the period.

void cotejar_lista(const db::Rows& lista, const Lado& lado, const engine::Banderas& banderas,
                   const engine::TablaTipos& tipos, const engine::Reloj& reloj, Conciliacion& out) {
  std::vector<std::string> orden;
  std::map<std::string, std::size_t> ultimo;
  std::map<std::string, bool> sellado;
  for (std::size_t i = 0; i < lista.size(); ++i) {
    engine::Evento e(lista, i);
    const std::string k = clave(e);
    if (!ultimo.count(k)) orden.push_back(k);
    ultimo[k] = i;
    sellado[k] = sellado[k] || !e.valor("RPEV_FECREP").is_null();
  }
  SinEscritura sin_escritura;
  for (const std::string& k : orden) {
    if (!sellado[k]) continue;
    engine::Evento e(lista, ultimo[k]);
    if (e.valor("RPEV_FECREP").is_null()) {
      ++out.pendientes;
      continue;
    }
    const engine::Cotejador* cotejar = tipos.cotejador(e.tipo(), lado.fase);
    if (!cotejar) {
      // A code without handler was stamped without copy: nothing was meant to arrive.
      if (tipos.manejador(e.tipo(), lado.fase)) ++out.sin_cotejo;
      continue;
    }
    engine::Contexto ctx{e,        lado.fase,          lado.origen,   lado.destino,
                         banderas, lado.fecha_bloqueo, sin_escritura, reloj};
    engine::Cotejo c = (*cotejar)(ctx);
    if (!c.cotejable) {
      ++out.sin_cotejo;
      continue;
    }
    ++out.cotejados;
    std::vector<engine::Diferencia> ds = engine::diferencias(c);
    if (ds.empty()) continue;
    for (engine::Diferencia& d : ds)
      out.diferencias.push_back({documento(e), lado.sentido, std::move(d)});
    if (out.reparar) out.reparaciones.push_back(reparar(lado, c, e, reloj));
  }
}

bool conectar(db::Connection& c, const std::string& raiz, const std::string& codigo,
              const engine::Credenciales& cred, int espera, Conciliacion& out) {
  const std::string ruta = engine::ruta_socio(raiz, plataforma::desde_suite(codigo));
  c.set_params(db::ConnectParams{ruta, cred.usuario, cred.clave, espera});
  try {
    c.connect();
    return true;
  } catch (const std::exception& e) {
    out.inalcanzables.push_back("No se pudo conectar con el servidor " + ruta + ": " +
                                errors::una_linea(e.what()));
    return false;
  }
}

}  // namespace

Conciliacion conciliar(db::Connection& local, const AjustesConciliar& a,
                       const engine::TablaTipos& tipos, const engine::Reloj& reloj) {
  Conciliacion out;
  out.compania = a.compania;
  out.dias = a.dias;
  out.reparar = a.reparar;
  const db::Date limite = engine::dias_antes(reloj.ahora().date, a.dias);
  const engine::Banderas banderas = engine::leer_banderas(local);
  const engine::Credenciales cred = engine::credenciales_socio(local);
  db::Rows socios = local.read(kSocios);
  auto raiz = [&](std::size_t i) {
    return a.servidor_socios.empty() ? plataforma::desde_suite(socios.at(i, 1).as_text())
                                     : a.servidor_socios;
  };

  // Coming down from the first active partner, as the download phase does.
  if (!socios.empty() && !raiz(0).empty()) {
    const std::string codigo = engine::sin_blancos(socios.at(0, 0).as_text());
    db::Connection socio("Conciliar-" + codigo);
    if (conectar(socio, raiz(0), codigo, cred, a.espera_bloqueo, out)) {
      db::Rows lista = socio.read(engine::eventos_del_periodo(a.compania, false, limite));
      cotejar_lista(
          lista,
          {Fase::Descarga, socio, local, "descarga de " + plataforma::desde_suite(codigo), ""},
          banderas, tipos, reloj, out);
    }
  }

  // Going up to every active addressee.
  for (std::size_t i = 0; i < socios.size(); ++i) {
    const std::string codigo = engine::sin_blancos(socios.at(i, 0).as_text());
    if (raiz(i).empty()) continue;
    db::Rows lista = local.read(engine::eventos_del_periodo(codigo, true, limite));
    if (lista.empty()) continue;
    db::Connection socio("Conciliar-" + codigo);
    if (!conectar(socio, raiz(i), codigo, cred, a.espera_bloqueo, out)) continue;
    const std::string bloqueo =
        engine::valor_configuracion(socio, "CONTABILIDAD", "GENERAL", "FECHA DE BLOQUEO");
    cotejar_lista(
        lista, {Fase::Subida, local, socio, "envío a " + plataforma::desde_suite(codigo), bloqueo},
        banderas, tipos, reloj, out);
  }
  return out;
}

std::string texto(const Conciliacion& c) {
  std::string out;
  for (const Discrepancia& d : c.diferencias)
    out += d.documento + " (" + d.sentido + "): " + d.diferencia.que +
           (d.diferencia.lado.empty() ? "" : " [" + d.diferencia.lado + "]") + "\n";
  for (const std::string& s : c.inalcanzables) out += s + "\n";
  int cuantos[4] = {};
  for (const Reparacion& r : c.reparaciones) {
    ++cuantos[static_cast<int>(r.estado)];
    out += r.documento + " (" + r.sentido + "): ";
    switch (r.estado) {
      case Reparacion::Estado::Encolado:
        out += "encolado el evento " + std::to_string(r.evento) + " (" + r.letra + ")\n";
        break;
      case Reparacion::Estado::YaPendiente:
        out += "ya tiene un evento pendiente: no se encola otro\n";
        break;
      case Reparacion::Estado::SinEvento:
        out += "ningún evento de su tipo quita la copia del destino: no se repara\n";
        break;
      case Reparacion::Estado::Fallido:
        out += "no se pudo encolar el evento: " + r.error + "\n";
        break;
    }
  }
  out += "Conciliación de " + plataforma::desde_suite(c.compania) +
         ", eventos sellados en los últimos " + std::to_string(c.dias) +
         " días: " + std::to_string(c.cotejados) + " documentos cotejados, " +
         std::to_string(c.diferencias.size()) + " diferencias, " + std::to_string(c.pendientes) +
         " con un evento aún pendiente, " + std::to_string(c.sin_cotejo) + " sin regla de cotejo" +
         (c.inalcanzables.empty()
              ? ""
              : ", " + std::to_string(c.inalcanzables.size()) + " bases no leídas") +
         ".\n";
  if (c.reparar)
    out += "Reparación: " + std::to_string(cuantos[0]) + " eventos encolados, " +
           std::to_string(cuantos[1]) + " documentos ya tenían uno pendiente, " +
           std::to_string(cuantos[2]) + " sin evento que los repare, " +
           std::to_string(cuantos[3]) + " no se pudieron encolar.\n";
  return out;
}

}  // namespace agente
