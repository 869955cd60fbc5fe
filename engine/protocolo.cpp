#include "engine/protocolo.h"

#include <cctype>
#include <stdexcept>
#include <utility>

#include "db/textos.h"
#include "engine/sql.h"
#include "plataforma/pagina_codigos.h"

namespace engine {

namespace {

// The source row's column after "fila:" or "fila#:": its position when it is a number,
// its name otherwise.
std::size_t columna_de(const db::Rows& fila, std::string_view nombre, std::string_view prefijo) {
  std::string_view columna = nombre.substr(prefijo.size());
  if (columna.empty()) throw std::logic_error("statement slot without a column");
  if (columna.find_first_not_of("0123456789") != std::string_view::npos)
    return fila.column(columna);
  std::size_t n = 0;
  for (char c : columna) n = n * 10 + static_cast<std::size_t>(c - '0');
  return n;
}

}  // namespace

std::string sentencia(const Contexto& ctx, std::string_view plantilla, std::int64_t id,
                      const db::Rows* fila, std::size_t i) {
  const Evento& e = ctx.evento;
  return fill(plantilla, [&](std::string_view nombre) -> std::string {
    if (nombre.starts_with("clave:") || nombre.starts_with("clave#:")) {
      bool comillas = nombre[5] == ':';
      const std::string_view clave = nombre.substr(comillas ? 6 : 7);
      auto it = ctx.claves.find(clave);
      if (it == ctx.claves.end())
        throw std::logic_error("key part not computed: {" + std::string(nombre) + "}");
      return comillas ? quoted(it->second)
                      : entero("La clave " + std::string(clave), db::Value::text(it->second));
    }
    if (nombre.starts_with("fila:") || nombre.starts_with("fila#:")) {
      if (!fila)
        throw std::logic_error("statement slot needs a source row: " + std::string(nombre));
      bool comillas = nombre[4] == ':';
      const std::size_t n = columna_de(*fila, nombre, comillas ? "fila:" : "fila#:");
      const db::Value& v = fila->at(i, n);
      return comillas ? quoted(v.as_text()) : entero("El campo " + fila->columns().at(n).name, v);
    }
    if (nombre == "iddoc") return e.iddoc_sql();
    if (nombre == "id") return std::to_string(id);
    if (nombre == "pref") return quoted(e.pref());
    if (nombre == "numero") return quoted(e.numero());
    if (nombre == "prefdest") return quoted(e.prefdest());
    if (nombre == "codigo") return quoted(e.codigo());
    if (nombre == "datos") return quoted(e.datos());
    if (nombre == "pref_numero") return quoted(e.pref() + e.numero());
    throw std::logic_error("unknown statement slot {" + std::string(nombre) + "}");
  });
}

std::vector<std::string> sentencias(Contexto& ctx, const std::vector<Sentencia>& lista,
                                    std::int64_t id) {
  std::vector<std::string> out;
  for (const Sentencia& s : lista)
    if (!s.si || s.si(ctx)) out.push_back(sentencia(ctx, s.sql, id));
  return out;
}

Operacion prueba_operacion(const Evento& e, std::string_view letras) {
  std::string oper = e.oper();
  auto probada = [&](std::string_view letra) {
    return oper == letra && letras.find(letra) != std::string_view::npos;
  };
  if (probada(kOperBorrar)) return Operacion::Borrar;
  if (probada(kOperAnular)) return Operacion::Anular;
  if (probada(kOperInsertar)) return Operacion::Insertar;
  return Operacion::Copiar;
}

db::Rows leer_origen(Contexto& ctx, std::string_view sql) { return ctx.origen.read(sql); }

db::TargetSet buscar_destino(Contexto& ctx, std::string_view sql) { return ctx.destino.open(sql); }

bool aplicar(Contexto& ctx, db::TargetSet& t, const std::vector<std::string>& antes) {
  ctx.fallo = t.apply(ctx.errores, antes) > 0;
  return !ctx.fallo;
}

db::Value en_forma(const db::Value& v, Forma f) {
  switch (f) {
    case Forma::Valor:
      return v;
    case Forma::Texto:
      return db::Value::text(v.as_text());
    case Forma::Dinero: {
      db::Decimal d = v.as_money();
      return db::Value::fixed(d.units, d.scale);
    }
  }
  return v;
}

void copiar_columnas(db::TargetSet& t, std::size_t fila, const db::Rows& o, std::size_t fila_o,
                     std::size_t desde, bool dinero) {
  for (std::size_t i = desde; i < t.column_count(); ++i) {
    if (i >= o.columns().size()) throw std::out_of_range(db::textos::indice_fuera_de_rango(i));
    const db::Value& v = o.at(fila_o, i);
    t.set(fila, i, en_forma(v, dinero && t.columns()[i].is_fixed() ? Forma::Dinero : Forma::Valor));
  }
}

std::optional<db::Value> traer_identificador(Contexto& ctx, std::string_view procedimiento) {
  db::Rows r = ctx.destino.query("select * from " + std::string(procedimiento));
  if (r.empty() || r.columns().empty()) return std::nullopt;
  return r.at(0, 0);
}

void borrar_destino(Contexto& ctx, std::string_view busqueda) {
  db::TargetSet t = buscar_destino(ctx, busqueda);
  if (t.empty()) return;
  t.remove(0);
  aplicar(ctx, t);
}

void anular_destino(Contexto& ctx, std::string_view busqueda, std::string_view columna) {
  db::TargetSet t = buscar_destino(ctx, busqueda);
  if (t.empty()) return;
  t.set(0, columna, db::Value::text("S"));
  t.post(0);
  aplicar(ctx, t);
}

std::int64_t insertar_encabezado(Contexto& ctx, db::TargetSet& t, const Relleno& llenar,
                                 const Identificador& ident,
                                 const std::vector<std::string>& antes) {
  std::size_t fila = t.append();
  llenar(t, fila);
  if (!ident.procedimiento.empty())
    if (std::optional<db::Value> id = traer_identificador(ctx, ident.procedimiento))
      t.set(fila, ident.columna.empty() ? 0 : t.column(ident.columna), *id);
  if (ident.numok) t.set(fila, "NUMOK", db::Value::text("N"));
  t.post(fila);
  if (!aplicar(ctx, t, antes)) return 0;
  ctx.encabezado_escrito = true;
  return t.value(fila, 0).as_integer();
}

std::int64_t reemplazar_encabezado(Contexto& ctx, db::TargetSet& t, const Relleno& llenar,
                                   const std::vector<Sentencia>& borrados) {
  std::int64_t id = t.value(0, 0).as_integer();
  llenar(t, 0);
  t.post(0);
  ctx.fallo = t.apply(ctx.errores, sentencias(ctx, borrados, id)) > 0;
  if (ctx.fallo) return id;
  ctx.encabezado_escrito = true;
  return id;
}

void copiar_detalle(Contexto& ctx, std::string_view origen, std::string_view destino,
                    std::int64_t id, const RellenoLinea& llenar) {
  db::Rows o = leer_origen(ctx, origen);
  // Lines are only appended: rows the target already has under this id are never
  // touched here, so the set needs the target's columns alone, not a read of them.
  db::TargetSet t = ctx.destino.open_empty(destino);
  for (std::size_t i = 0; i < o.size() && !ctx.fallo; ++i) {
    std::size_t fila = t.append();
    if (llenar)
      llenar(t, fila, o, i);
    else
      copiar_columnas(t, fila, o, i, 0);
    t.set(fila, 0, db::Value::integer(id));
    t.post(fila);
    aplicar(ctx, t);
  }
}

void deshacer_encabezado(Contexto& ctx, const std::vector<Sentencia>& lista, std::int64_t id) {
  if (!ctx.fallo) return;
  for (const std::string& s : sentencias(ctx, lista, id)) ctx.destino.write(s);
}

std::string texto_evento(const Contexto& ctx, std::string_view plantilla) {
  const Evento& e = ctx.evento;
  return fill(plantilla, [&](std::string_view nombre) -> std::string {
    if (nombre == "iddoc") return e.texto("RPEV_IDDOC");
    if (nombre == "pref") return e.pref();
    if (nombre == "numero") return e.numero();
    if (nombre == "prefdest") return e.prefdest();
    if (nombre == "codigo") return e.codigo();
    throw std::logic_error("unknown event slot {" + std::string(nombre) + "}");
  });
}

unsigned camino(Fase fase, bool nuevo) {
  if (fase == Fase::Descarga) return nuevo ? kInsertaDescarga : kActualizaDescarga;
  return nuevo ? kInsertaSubida : kActualizaSubida;
}

void mapear(const Contexto& ctx, db::TargetSet& t, std::size_t fila, const db::Rows& o,
            std::size_t fila_o, const std::vector<Campo>& campos, bool nuevo) {
  const unsigned este = camino(ctx.fase, nuevo);
  for (const Campo& c : campos) {
    if (!(c.en & este)) continue;
    if (!nuevo && c.bandera && !(ctx.banderas.*c.bandera)) continue;
    db::Value v;
    switch (c.de) {
      case Campo::De::Columna:
        v = o.at(fila_o, c.valor);
        break;
      case Campo::De::Texto:
        v = db::Value::text(std::string(c.valor));
        break;
      case Campo::De::Numero:
        v = db::Value::integer(db::Value::text(std::string(c.valor)).as_integer());
        break;
      case Campo::De::Evento:
        v = c.valor == "{iddoc}" ? ctx.evento.valor("RPEV_IDDOC")
                                 : db::Value::text(texto_evento(ctx, c.valor));
        break;
    }
    t.set(fila, c.destino, en_forma(v, c.forma));
  }
}

namespace {

// The fill of one detail table's lines: its mapping or the copy by position, then its
// line hook.
RellenoLinea relleno_linea(Contexto& ctx, const Detalle& d) {
  if (d.linea.empty() && !d.ajustar) return {};
  return [&ctx, &d](db::TargetSet& t, std::size_t fila, const db::Rows& o, std::size_t i) {
    if (d.linea.empty())
      copiar_columnas(t, fila, o, i, 0);
    else
      mapear(ctx, t, fila, o, i, d.linea);
    if (d.ajustar) d.ajustar(ctx, t, fila, o, i);
  };
}

}  // namespace

namespace {

std::string busqueda_de(const Contexto& ctx, const Documento& doc, bool borrado,
                        const db::Rows* origen = nullptr) {
  if (doc.buscar) return doc.buscar(ctx);
  return sentencia(ctx,
                   borrado && !doc.busqueda_borrado.empty() ? doc.busqueda_borrado : doc.busqueda,
                   0, origen);
}

// The target lookup of `doc` for the event (the one of "D" and "A" when the event is one).
std::string busqueda_destino(const Contexto& ctx, const Documento& doc) {
  const Operacion op = prueba_operacion(ctx.evento, doc.letras);
  return busqueda_de(ctx, doc, op == Operacion::Borrar || op == Operacion::Anular);
}

}  // namespace

std::optional<db::Date> leer_fecha(std::string_view texto) {
  auto blanco = [](char ch) { return std::isspace(static_cast<unsigned char>(ch)) != 0; };
  while (!texto.empty() && blanco(texto.front())) texto.remove_prefix(1);
  std::size_t fin = 0;
  while (fin < texto.size() && !blanco(texto[fin]) && texto[fin] != 'T') ++fin;
  std::string_view fecha = texto.substr(0, fin);
  std::string_view partes[3];
  char separador = 0;
  std::size_t n = 0, desde = 0;
  for (std::size_t i = 0; i <= fecha.size(); ++i) {
    if (i < fecha.size() && std::isdigit(static_cast<unsigned char>(fecha[i]))) continue;
    if (i < fecha.size()) {
      char ch = fecha[i];
      if ((ch != '-' && ch != '/' && ch != '.') || (separador && ch != separador)) return {};
      separador = ch;
    }
    if (n == 3 || i == desde) return {};
    partes[n++] = fecha.substr(desde, i - desde);
    desde = i + 1;
  }
  if (n != 3) return {};
  auto numero = [](std::string_view d) {
    int v = 0;
    for (char ch : d) v = v * 10 + (ch - '0');
    return v;
  };
  std::string_view a = partes[0], m = partes[1], d = partes[2];
  if (a.size() != 4) std::swap(a, d);
  if (a.size() != 4 || m.size() > 2 || d.size() > 2) return {};
  db::Date f{numero(a), numero(m), numero(d)};
  static constexpr int kDias[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool bisiesto = (f.year % 4 == 0 && f.year % 100 != 0) || f.year % 400 == 0;
  if (f.month < 1 || f.month > 12 || f.day < 1) return {};
  if (f.day > kDias[f.month - 1] || (f.month == 2 && f.day == 29 && !bisiesto)) return {};
  return f;
}

std::optional<db::Date> fecha_de(const db::Value& v) {
  switch (v.kind()) {
    case db::Value::Kind::Date:
      return v.date_value();
    case db::Value::Kind::Timestamp:
      return v.timestamp_value().date;
    case db::Value::Kind::Text:
      return leer_fecha(v.bytes());
    default:
      return std::nullopt;
  }
}

std::optional<bool> antes_del_bloqueo(const db::Value& fecha, std::string_view bloqueo) {
  std::optional<db::Date> limite = leer_fecha(bloqueo);
  std::optional<db::Date> dia = fecha_de(fecha);
  if (!limite || !dia) return std::nullopt;
  return *dia < *limite;
}

namespace {

// Going up, a document dated before the partner's lock date stays out of the partner's
// closed period: it is not copied and the event is stamped. The two are compared as
// dates, so a lock date written day first ("30/11/2026") orders as the day it names.
// When either cannot be read as a date the document is held back: neither copied into
// what may be a closed period nor stamped as done; the event stays pending with the
// reason until the setting is corrected. An empty lock date keeps nothing out.
// Returns whether the copy goes on.
bool fuera_del_bloqueo(Contexto& ctx, const db::Value& fecha) {
  if (ctx.fase != Fase::Subida) return true;
  const std::string& bloqueo = ctx.fecha_bloqueo;
  if (bloqueo.find_first_not_of(" \t\r\n") == std::string::npos) return true;
  std::optional<bool> antes = antes_del_bloqueo(fecha, bloqueo);
  if (!antes) {
    ctx.errores.apply_failed(std::runtime_error(textos::fecha_no_comparable(
        plataforma::desde_suite(fecha.as_text()), plataforma::desde_suite(bloqueo))));
    ctx.fallo = true;
    return false;
  }
  return !*antes;
}

// The statements of `lista` for every copy of `t` (its id in column 0), with the source
// header for the {fila:N} slots. A statement that names no id (a header's delete by
// its natural key) finds nothing the second time.
std::vector<std::string> para_cada_copia(Contexto& ctx, const std::vector<Sentencia>& lista,
                                         const db::TargetSet& t, const db::Rows* origen) {
  std::vector<std::string> out;
  for (std::size_t i = 0; i < t.size(); ++i)
    for (const Sentencia& s : lista)
      if (!s.si || s.si(ctx))
        out.push_back(sentencia(ctx, s.sql, t.value(i, 0).as_integer(), origen));
  return out;
}

}  // namespace

const Documento& forma_en_destino(Contexto& ctx, const Documento& nueva, const Documento& otra) {
  if (&nueva == &otra) return nueva;
  auto presente = [&ctx](const Documento& d) {
    return !ctx.destino.read(busqueda_destino(ctx, d)).empty();
  };
  // The other kind is asked first: a new document costs one lookup more, not two.
  if (!presente(otra) || presente(nueva)) return nueva;
  return otra;
}

void protocolo_documento(Contexto& ctx, const Documento& doc) {
  auto busqueda = [&](bool borrado, const db::Rows* origen = nullptr) {
    return busqueda_de(ctx, doc, borrado, origen);
  };
  switch (prueba_operacion(ctx.evento, doc.letras)) {
    case Operacion::Borrar:
      if (doc.borrar.empty()) {
        borrar_destino(ctx, busqueda(true));
      } else {
        // Every copy and what hangs from it, in one transaction: a row locked by someone
        // else leaves the document whole and the event pending.
        db::TargetSet t = buscar_destino(ctx, busqueda(true));
        if (!t.empty()) aplicar(ctx, t, para_cada_copia(ctx, doc.borrar, t, nullptr));
      }
      return;
    case Operacion::Anular:
      anular_destino(ctx, busqueda(true), doc.anulado);
      return;
    case Operacion::Insertar:
    case Operacion::Copiar:
      break;
  }
  db::Rows origen = leer_origen(ctx, sentencia(ctx, doc.lectura));
  if (origen.empty()) return;
  ctx.encabezado = &origen;
  if (doc.fecha_bloqueo && !fuera_del_bloqueo(ctx, origen.at(0, *doc.fecha_bloqueo))) return;
  // The header: a copy by position from `columna` (column 0, the target's own id, is
  // skipped on replace), or the conversion's mapping by name.
  auto encabezado = [&](std::size_t columna, bool nuevo) -> Relleno {
    return [&, columna, nuevo](db::TargetSet& t, std::size_t fila) {
      if (doc.encabezado.empty())
        copiar_columnas(t, fila, origen, 0, columna, doc.encabezado_dinero);
      else
        mapear(ctx, t, fila, origen, 0, doc.encabezado, nuevo);
      if (!nuevo && doc.numok_al_reemplazar) t.set(fila, "NUMOK", db::Value::text("N"));
      if (doc.ajustar) doc.ajustar(ctx, t, fila, origen, nuevo);
    };
  };
  {
    db::TargetSet t = buscar_destino(ctx, busqueda(false, &origen));
    if (t.empty() || !doc.quitar.empty())
      ctx.id_destino = insertar_encabezado(ctx, t, encabezado(0, true), doc.identificador,
                                           para_cada_copia(ctx, doc.quitar, t, &origen));
    else
      ctx.id_destino =
          reemplazar_encabezado(ctx, t, encabezado(1, false), doc.borrar_al_reemplazar);
    if (doc.tras_encabezado) doc.tras_encabezado(ctx, t);
  }
  if (!ctx.encabezado_escrito) return;
  const std::int64_t id = ctx.id_destino;
  // The lines already written under the target id go with the header: left behind
  // they would be lines of no document, counted by whatever sums the detail table.
  auto deshacer = [&] {
    deshacer_encabezado(ctx, doc.anular_al_deshacer, id);
    deshacer_encabezado(ctx, doc.borrar_al_reemplazar, id);
    deshacer_encabezado(ctx, doc.deshacer, id);
  };
  try {
    for (const Detalle& d : doc.detalles) {
      if (ctx.fallo) break;
      if (d.si && !d.si(ctx)) continue;
      copiar_detalle(ctx, sentencia(ctx, d.origen), sentencia(ctx, d.destino, id), id,
                     relleno_linea(ctx, d));
    }
    if (doc.tras_detalle && !ctx.fallo) doc.tras_detalle(ctx);
  } catch (...) {
    // A statement the server rejected between the lines (a lookup, a delete): the
    // header does not stay over part of its lines; the event stays pending.
    // Each undo step is tried even when an earlier one fails (a missing detail table
    // fails the delete of its lines); the event records the first error.
    ctx.fallo = true;
    for (const std::vector<Sentencia>* l :
         {&doc.anular_al_deshacer, &doc.borrar_al_reemplazar, &doc.deshacer}) {
      try {
        deshacer_encabezado(ctx, *l, id);
      } catch (const std::exception&) {
      }
    }
    throw;
  }
  deshacer();
  if (!ctx.fallo && doc.al_exito) doc.al_exito(ctx);
}

}  // namespace engine
