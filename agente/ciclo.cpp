#include "agente/ciclo.h"

#include <climits>
#include <cstdio>
#include <utility>

#include "agente/estado.h"
#include "db/error.h"
#include "db/textos.h"
#include "engine/cola.h"
#include "engine/configuracion.h"
#include "engine/rutas.h"
#include "engine/sql.h"
#include "plataforma/pagina_codigos.h"

namespace agente {

using engine::Contexto;
using engine::Evento;
using engine::Fase;
using engine::Manejador;
using engine::Opciones;
using engine::quoted;
using plataforma::desde_suite;

namespace {

constexpr const char* kPrimerSocio =
    "select first 1 rpco_servidor, rpco_cod from replica_compania r WHERE rpco_activa = 'S'";
constexpr const char* kSociosDudosos =
    "select rpco_cod, rpco_activa from replica_compania where rpco_activa is null or "
    "rpco_activa not in ('S', 'N')";
constexpr const char* kFechaBloqueo =
    "select CONF_VALOR from CONFIGURACION where CONF_MODULO = 'CONTABILIDAD' and CONF_CATEGORIA = "
    "'GENERAL' and CONF_PROPIEDAD = 'FECHA DE BLOQUEO'";
constexpr const char* kPorDefecto = "80";

// Marks the cycle as running for as long as it lives.
struct EnCurso {
  explicit EnCurso(bool& b) : b_(b) { b_ = true; }
  ~EnCurso() { b_ = false; }
  bool& b_;
};

// A whole number of at most `maximo` written in digits only; anything else (a sign, a
// blank, a value a statement or the timer cannot take) is refused as not a number.
long long acotado(const std::string& texto, long long maximo) {
  long long n = 0;
  bool bien = !texto.empty() && texto.size() <= 18 &&
              texto.find_first_not_of("0123456789") == std::string::npos;
  if (bien) {
    n = std::stoll(texto);
    bien = n <= maximo;
  }
  if (!bien) throw std::invalid_argument(db::textos::no_es_entero(texto));
  return n;
}

// Minutes as whole number of milliseconds.
int intervalo_ms(const std::string& minutos) {
  return static_cast<int>(acotado(minutos, engine::kMaxMinutos) * 60000LL);
}

// The count of events a list takes, checked before it goes into the statement.
std::string cuenta(const std::string& texto) {
  return std::to_string(acotado(texto, engine::kMaxEventos));
}

// Gives the claimed event back when its processing ends without a commit: what it did
// in the held transaction is undone and the transaction ends.
struct Reserva {
  explicit Reserva(db::Connection& c) : c_(c) {}
  ~Reserva() {
    if (!terminada_) c_.release_hold(false);
  }
  // The stamp (or the error text) and the end of the claim commit together; the held
  // transaction goes on for the next event of the list.
  void terminar() {
    c_.commit_hold();
    terminada_ = true;
  }
  db::Connection& c_;
  bool terminada_ = false;
};

// Ends the list's held transaction whichever way the list ends; an event left
// unfinished by an error is undone with it.
struct FinDeLista {
  explicit FinDeLista(db::Connection& c) : c_(c) {}
  ~FinDeLista() { c_.release_hold(false); }
  db::Connection& c_;
};

// The code is in the type table for this phase.
bool conocido(int codigo, Fase fase) {
  const engine::TipoDocumento* t = engine::buscar_tipo(codigo);
  return t && (fase == Fase::Descarga ? t->descarga : t->subida);
}

}  // namespace

Ciclo::Ciclo(db::Connection& local, db::Connection& socio, engine::VistaCiclo& vista,
             const engine::TablaTipos& tipos, errors::Bitacora& bitacora,
             errors::ManejadorErrores& errores, const engine::Reloj& reloj)
    : local_(local),
      socio_(socio),
      vista_(&vista),
      tipos_(tipos),
      bitacora_(bitacora),
      errores_(errores),
      reloj_(reloj) {}

Resultado Ciclo::ejecutar() {
  if (en_curso_) return Resultado::EnCurso;
  EnCurso marca(en_curso_);
  Opciones op = vista_->opciones();
  if (op.compania.empty()) {
    vista_->mensaje(kSinCompania);
    return Resultado::SinCompania;
  }
  interrumpido_ = false;
  inalcanzables_.clear();
  // A link lost in an earlier cycle is opened again at this cycle's first statement.
  if (local_.perdida()) local_.disconnect();
  banderas_.compra_como_factura = false;
  banderas_.venta_como_factura = false;
  fecha_bloqueo_.clear();
  Resultado r = Resultado::Completo;
  auto informar = [&](auto&& manejar) {
    r = Resultado::Error;
    try {
      manejar();
    } catch (const std::exception& e2) {
      // The handler itself failed (the log cannot be written, the event's database
      // is gone): nothing is left to record it in but the standard error stream.
      std::fprintf(stderr, "envioauto: %s\n", e2.what());
    }
  };
  try {
    pasos(op);
  } catch (const db::ClientError& e) {
    informar([&] { errores_.ManejarClientError(e); });
  } catch (const std::exception& e) {
    informar([&] { errores_.ENoManejada(e); });
  }
  errores_.cerrar_lista(Fase::Descarga);
  errores_.cerrar_lista(Fase::Subida);
  local_.end_reads();
  socio_.end_reads();
  if (interrumpido_) return Resultado::Interrumpido;
  try {
    rearmar();
  } catch (const std::exception& e) {
    informar([&] { errores_.ENoManejada(e); });
    vista_->armar_temporizador(60000);
  }
  // What --estado reads: when this company's last cycle reached its end.
  if (r == Resultado::Completo) anotar_fin_de_ciclo(bitacora_, op);
  return r;
}

void Ciclo::pasos(const Opciones& op) {
  ultimo_envio();
  purgar();
  // The flags hold for both phases of this cycle, whatever the partners are.
  leer_banderas();
  if (!descarga(op)) return;
  subida();
}

void Ciclo::ultimo_envio() {
  db::Rows r = local_.read(engine::kUltimoSello);
  ultimo_enviado_ = r.empty() ? std::string() : r.at(0, "RPEV_ID").as_text();
  if (!r.empty() && !r.at(0, "RPEV_FECREP").is_null())
    vista_->ultimo_envio(r.at(0, "RPEV_FECREP").as_text() + " - " +
                         r.at(0, "RPEV_HORAREP").as_text());
  else
    vista_->ultimo_envio("Sin envios hasta ahora.");
}

void Ciclo::purgar() {
  vista_->panel("Borrando información procesada...");
  db::Date limite = engine::dias_antes(reloj_.ahora().date, 7);
  engine::purgar(local_, limite);
}

void Ciclo::leer_banderas() { banderas_ = engine::leer_banderas(local_); }

bool Ciclo::conectar_socio(const std::string& raiz, const std::string& codigo) {
  engine::Credenciales cred = engine::credenciales_socio(local_);
  std::string ruta = engine::ruta_socio(raiz, desde_suite(codigo));
  // A partner whose link was lost and could not be opened again in this cycle waits for
  // the next one: trying again at once would cost another connect timeout.
  if (inalcanzables_.count(ruta)) return false;
  socio_.set_params(
      db::ConnectParams{ruta, cred.usuario, cred.clave, espera_bloqueo_, 15, limite_operacion_});
  return abrir_socio();
}

bool Ciclo::abrir_socio() {
  const std::string& ruta = socio_.params().database;
  try {
    socio_.connect();
  } catch (const std::exception& e) {
    bitacora_.conexion_fallida(ruta, e.what());
    vista_->ultimo_error(bitacora_.ultimo_error("No se pudo conectar con el servidor " + ruta));
  }
  return socio_.connected();
}

void Ciclo::avisar_socios_dudosos() {
  db::Rows r = local_.read(kSociosDudosos);
  for (std::size_t i = 0; i < r.size(); ++i)
    bitacora_.error("", "La compañía socia " +
                            desde_suite(engine::sin_blancos(r.at(i, 0).as_text())) +
                            " tiene RPCO_ACTIVA = '" + desde_suite(r.at(i, 1).as_text()) +
                            "', que no es S ni N: se trata como inactiva.");
}

bool Ciclo::descarga(const Opciones& op) {
  try {
    return descargar(op);
  } catch (const db::Error& e) {
    if (!socio_perdido(e)) throw;
    errores_.cerrar_lista(Fase::Descarga);
    return true;
  }
}

bool Ciclo::descargar(const Opciones& op) {
  vista_->panel("Descargando información del servidor ...");
  avisar_socios_dudosos();
  db::Rows socio = local_.read(kPrimerSocio);
  if (socio.empty()) return true;
  if (engine::sin_blancos(socio.at(0, 0).as_text()).empty()) {
    bitacora_.error("", "La compañía socia " +
                            desde_suite(engine::sin_blancos(socio.at(0, 1).as_text())) +
                            " está activa pero no tiene servidor (RPCO_SERVIDOR vacío): no se "
                            "descarga de ella.");
    return true;
  }
  // A root from the database is the suite's text; the client takes paths in UTF-8.
  std::string raiz =
      op.servidor_socios.empty() ? desde_suite(socio.at(0, 0).as_text()) : op.servidor_socios;
  std::string codigo = engine::sin_blancos(socio.at(0, 1).as_text());
  if (!conectar_socio(raiz, codigo)) return true;

  db::Rows ultimo = socio_.read(engine::kUltimoSello);
  if (!ultimo.empty() && !ultimo.at(0, "RPEV_FECREP").is_null())
    vista_->ultima_descarga(ultimo.at(0, "RPEV_FECREP").as_text() + " - " +
                            ultimo.at(0, "RPEV_HORAREP").as_text());
  else
    vista_->ultima_descarga("Sin descargas hasta ahora.");
  vista_->procesar_mensajes();
  if (parar()) {
    interrumpido_ = true;
    return false;
  }

  // The operator may have changed the options while the window reacted.
  const Opciones ahora = vista_->opciones();
  std::string traer = ahora.traer;
  if (traer.empty()) {
    traer = kPorDefecto;
    vista_->poner_traer(traer);
  }
  const engine::Pendientes pedido{.cuantos = cuenta(traer),
                                  .compania = op.compania,
                                  .sin_reintentar = ahora.sin_reintentar,
                                  .reciente_primero = ahora.reciente_primero};
  const std::string sql = engine::lista_pendientes(pedido, false);
  db::Rows lista = socio_.read(engine::lista_pendientes(pedido, true));
  errores_.abrir_lista(Fase::Descarga);
  vista_->progreso(static_cast<int>(lista.size()));
  vista_->apagar_temporizador();
  vista_->mostrar_evento(true);
  bool seguir = recorrer(Fase::Descarga, lista, sql);
  errores_.cerrar_lista(Fase::Descarga);
  return seguir;
}

bool Ciclo::subida() {
  db::Rows destinatarios = local_.read(engine::kDestinatarios);
  vista_->apagar_temporizador();
  for (std::size_t d = 0; d < destinatarios.size(); ++d) {
    if (parar()) {
      interrumpido_ = true;
      return false;
    }
    bool seguir = true;
    try {
      seguir = enviar_a(engine::sin_blancos(destinatarios.at(d, 0).as_text()));
    } catch (const db::Error& e) {
      if (!socio_perdido(e)) throw;
    }
    vista_->mostrar_evento(false);
    errores_.cerrar_lista(Fase::Subida);
    fecha_bloqueo_.clear();
    if (!seguir) return false;
  }
  return true;
}

bool Ciclo::enviar_a(const std::string& codigo) {
  const Opciones ahora = vista_->opciones();
  vista_->panel("Enviando información al servidor " + desde_suite(codigo));
  db::Rows servidor =
      local_.read("select RPCO_SERVIDOR from REPLICA_COMPANIA where RPCO_COD = " + quoted(codigo) +
                  " AND RPCO_ACTIVA = 'S'");
  if (servidor.empty() || servidor.at(0, 0).as_text().empty()) return true;
  std::string raiz = ahora.servidor_socios.empty() ? desde_suite(servidor.at(0, 0).as_text())
                                                   : ahora.servidor_socios;
  if (!conectar_socio(raiz, codigo)) return true;

  std::string enviar = ahora.enviar;
  if (enviar.empty()) {
    enviar = kPorDefecto;
    vista_->poner_enviar(enviar);
  }
  const engine::Pendientes pedido{.cuantos = cuenta(enviar),
                                  .compania = codigo,
                                  .subida = true,
                                  .sin_reintentar = ahora.sin_reintentar,
                                  .reciente_primero = ahora.reciente_primero};
  const std::string sql = engine::lista_pendientes(pedido, false);
  db::Rows lista = local_.read(engine::lista_pendientes(pedido, true));
  errores_.abrir_lista(Fase::Subida);
  vista_->progreso(static_cast<int>(lista.size()));
  db::Rows bloqueo = socio_.read(kFechaBloqueo);
  fecha_bloqueo_ = bloqueo.empty() ? std::string() : bloqueo.at(0, 0).as_text();
  vista_->mostrar_evento(true);
  if (!recorrer(Fase::Subida, lista, sql)) return false;
  // Both attachments, and the statements they keep prepared, serve the next addressee:
  // a partner on another database is reached by conectar_socio.
  ultimo_envio();
  return true;
}

bool Ciclo::socio_perdido(const db::Error& e) {
  // Only the partner's link: without the company's own database the cycle cannot go on.
  if (!e.is_connection_lost() || !local_.connected()) return false;
  if (!std::exchange(perdida_anotada_, false)) fallido(e, false);
  vista_->ultimo_error(bitacora_.ultimo_error(e.what()));
  socio_.disconnect();
  return true;
}

bool Ciclo::recorrer(Fase fase, const db::Rows& lista, const std::string& sql) {
  db::Connection& origen = fase == Fase::Subida ? local_ : socio_;
  FinDeLista fin(origen);
  const bool seguir = recorrer_eventos(fase, lista, sql);
  // Everything was committed event by event: this only ends the transaction, so that
  // none stays open while the cycle goes on elsewhere or waits for the next one.
  origen.release_hold(true);
  return seguir;
}

bool Ciclo::recorrer_eventos(Fase fase, const db::Rows& lista, const std::string& sql) {
  const bool subiendo = fase == Fase::Subida;
  db::Connection& origen = subiendo ? local_ : socio_;
  db::Connection& destino = subiendo ? socio_ : local_;
  bool reabierto = false;  // the partner's link was lost once and opened again
  for (std::size_t i = 0; i < lista.size(); ++i) {
    Evento e(lista, i);
    errores_.evento_actual(fase, e);
    vista_->evento(e.resumen());
    vista_->procesar_mensajes();
    if (parar()) {
      interrumpido_ = true;
      return false;
    }
    bitacora_.auditoria(e.id_texto(), e.tipo_texto(), e.pref() + e.numero() + e.codigo(), sql);
    vista_->paso();
    const Opciones ahora = vista_->opciones();
    if (subiendo) {
      const std::string prefijo = engine::sin_blancos(ahora.prefijo);
      const std::string pref = engine::sin_blancos(e.pref());
      if (!prefijo.empty() && !pref.empty() && pref != prefijo) continue;
    }
    const Manejador* m = tipos_.manejador(e.tipo(), fase);
    // A code the replication knows but whose handler is not there waits, untouched,
    // for the version of the agent that copies it; unknown codes are stamped.
    if (!m && conocido(e.tipo(), fase)) continue;
    if (!engine::reclamar(origen, e.id(), ahora.sin_reintentar)) continue;
    Reserva reserva(origen);
    Contexto ctx{e, fase, origen, destino, banderas_, fecha_bloqueo_, errores_, reloj_, vista_};
    try {
      if (m) (*m)(ctx);
      if (!ctx.fallo) engine::sellar(origen, e.id_texto(), reloj_.ahora());
    } catch (const db::Error& err) {
      if (!err.is_connection_lost()) {
        fallido(err, true);
        ctx.fallo = true;
      } else {
        // The partner's link was lost or cut in the middle of this event's copy (without
        // the company's own database nothing goes on, and a cut made because the program
        // ends is not the event's failure). Uploading, the event lives in the
        // local queue: the reason is recorded there like any failure, so that the event
        // sorts behind those without an error and never starves them.
        if (!local_.connected() || parar()) throw;
        if (subiendo) {
          fallido(err, true);
          reserva.terminar();
        }
        if (!reabrir_socio(reabierto)) {
          perdida_anotada_ = subiendo;
          throw;  // ends this partner's list
        }
        // Downloading, the claim went with the lost attachment; the reason is recorded
        // through the new one.
        if (!subiendo) fallido(err, true);
        continue;
      }
    } catch (const std::exception& err) {
      fallido(err, true);
      ctx.fallo = true;
    }
    reserva.terminar();
  }
  return true;
}

bool Ciclo::reabrir_socio(bool& reabierto) {
  // The partner may only have been slow once: its link is opened again, once per list,
  // and the list goes on. A partner that cannot be reached waits for the next cycle, and
  // so does everything once the program is ending.
  if (reabierto || parar() || !abrir_socio()) {
    inalcanzables_.insert(socio_.params().database);
    return false;
  }
  reabierto = true;
  return true;
}

bool Ciclo::parar() const { return vista_->cierre_pedido() || db::fin_pedido(); }

void Ciclo::fallido(const std::exception& e, bool en_evento) {
  try {
    errores_.ManejarError(e, en_evento);
  } catch (const std::exception& e2) {
    std::fprintf(stderr, "envioauto: %s\n", e2.what());
  }
}

void Ciclo::rearmar() {
  vista_->mostrar_evento(false);
  vista_->ocultar_panel();
  vista_->armar_temporizador(intervalo_ms(vista_->opciones().frecuencia));
}

}  // namespace agente
