#include "engine/protocolo.h"

#include <stdexcept>

#include "db/textos.h"
#include "engine/sql.h"

namespace engine {

std::string sentencia(const Contexto& ctx, std::string_view plantilla, std::int64_t id) {
  const Evento& e = ctx.evento;
  return fill(plantilla, [&](std::string_view nombre) -> std::string {
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

bool aplicar(Contexto& ctx, db::TargetSet& t) {
  ctx.fallo = t.apply(ctx.errores) > 0;
  return !ctx.fallo;
}

void copiar_columnas(db::TargetSet& t, std::size_t fila, const db::Rows& o, std::size_t fila_o,
                     std::size_t desde) {
  for (std::size_t i = desde; i < t.column_count(); ++i) {
    if (i >= o.columns().size()) throw std::out_of_range(db::textos::indice_fuera_de_rango(i));
    const db::Value& v = o.at(fila_o, i);
    if (t.columns()[i].is_fixed()) {
      db::Decimal d = v.as_money();
      t.set(fila, i, db::Value::fixed(d.units, d.scale));
    } else {
      t.set(fila, i, v);
    }
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
                                 const Identificador& ident) {
  std::size_t fila = t.append();
  llenar(t, fila);
  if (std::optional<db::Value> id = traer_identificador(ctx, ident.procedimiento))
    t.set(fila, ident.columna.empty() ? 0 : t.column(ident.columna), *id);
  if (ident.numok) t.set(fila, "NUMOK", db::Value::text("N"));
  t.post(fila);
  if (!aplicar(ctx, t)) return 0;
  ctx.encabezado_escrito = true;
  return t.value(fila, 0).as_integer();
}

std::int64_t reemplazar_encabezado(Contexto& ctx, db::TargetSet& t, const Relleno& llenar,
                                   const std::vector<std::string_view>& borrados) {
  std::int64_t id = t.value(0, 0).as_integer();
  llenar(t, 0);
  t.post(0);
  if (!aplicar(ctx, t)) return id;
  // The old lines go only once the new header is written: a header the target
  // refuses leaves the previous version of the document whole.
  for (std::string_view b : borrados) ctx.destino.execute(sentencia(ctx, b, id));
  ctx.encabezado_escrito = true;
  return id;
}

void copiar_detalle(Contexto& ctx, std::string_view origen, std::string_view destino,
                    std::int64_t id, const RellenoLinea& llenar) {
  db::Rows o = leer_origen(ctx, origen);
  db::TargetSet t = buscar_destino(ctx, destino);
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

void deshacer_encabezado(Contexto& ctx, const std::vector<std::string_view>& sentencias,
                         std::int64_t id) {
  if (!ctx.fallo) return;
  for (std::string_view s : sentencias) ctx.destino.execute(sentencia(ctx, s, id));
}

void copiar_fila_clave(Contexto& ctx, std::string_view lectura, std::string_view busqueda,
                       std::size_t desde) {
  db::Rows o = leer_origen(ctx, lectura);
  if (o.empty()) return;
  db::TargetSet t = buscar_destino(ctx, busqueda);
  bool nueva = t.empty();
  std::size_t fila = nueva ? t.append() : 0;
  copiar_columnas(t, fila, o, 0, nueva ? 0 : desde);
  t.post(fila);
  aplicar(ctx, t);
}

void copiar_filas_clave(Contexto& ctx, std::string_view lectura,
                        const std::function<std::string(const db::Rows&, std::size_t)>& busqueda) {
  db::Rows o = leer_origen(ctx, lectura);
  bool alguno_fallo = false;
  for (std::size_t i = 0; i < o.size(); ++i) {
    db::TargetSet t = buscar_destino(ctx, busqueda(o, i));
    std::size_t fila = t.empty() ? t.append() : 0;
    copiar_columnas(t, fila, o, i, 0);
    t.post(fila);
    alguno_fallo = !aplicar(ctx, t) || alguno_fallo;
  }
  ctx.fallo = alguno_fallo;
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

void mapear(const Contexto& ctx, db::TargetSet& t, std::size_t fila, const db::Rows& o,
            std::size_t fila_o, const std::vector<Campo>& campos) {
  for (const Campo& c : campos) {
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
    if (c.forma == Forma::Texto) v = db::Value::text(v.as_text());
    t.set(fila, c.destino, v);
  }
}

void protocolo_documento(Contexto& ctx, const Documento& doc) {
  auto busqueda = [&](bool borrado) {
    if (doc.buscar) return doc.buscar(ctx);
    return sentencia(
        ctx, borrado && !doc.busqueda_borrado.empty() ? doc.busqueda_borrado : doc.busqueda);
  };
  switch (prueba_operacion(ctx.evento, doc.letras)) {
    case Operacion::Borrar:
      borrar_destino(ctx, busqueda(true));
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
  // The header: a copy by position from `columna` (column 0, the target's own id, is
  // skipped on replace), or the conversion's mapping by name.
  auto encabezado = [&](std::size_t columna, bool nuevo) -> Relleno {
    return [&, columna, nuevo](db::TargetSet& t, std::size_t fila) {
      if (doc.encabezado.empty())
        copiar_columnas(t, fila, origen, 0, columna);
      else
        mapear(ctx, t, fila, origen, 0, doc.encabezado);
      if (!nuevo && doc.numok_al_reemplazar) t.set(fila, "NUMOK", db::Value::text("N"));
      if (doc.ajustar) doc.ajustar(ctx, t, fila, origen, nuevo);
    };
  };
  RellenoLinea linea;
  if (!doc.linea.empty() || doc.ajustar_linea) {
    linea = [&](db::TargetSet& t, std::size_t fila, const db::Rows& o, std::size_t i) {
      if (doc.linea.empty())
        copiar_columnas(t, fila, o, i, 0);
      else
        mapear(ctx, t, fila, o, i, doc.linea);
      if (doc.ajustar_linea) doc.ajustar_linea(ctx, t, fila, origen, o, i);
    };
  }
  std::int64_t id = 0;
  {
    db::TargetSet t = buscar_destino(ctx, busqueda(false));
    if (t.empty())
      id = insertar_encabezado(ctx, t, encabezado(0, true), doc.identificador);
    else
      id = reemplazar_encabezado(ctx, t, encabezado(1, false), doc.borrar_al_reemplazar);
  }
  if (!ctx.encabezado_escrito) return;
  for (const Detalle& d : doc.detalles) {
    if (ctx.fallo) break;
    copiar_detalle(ctx, sentencia(ctx, d.origen), sentencia(ctx, d.destino, id), id, linea);
  }
  // The lines already written under the target id go with the header: left behind
  // they would be lines of no document, counted by whatever sums the detail table.
  deshacer_encabezado(ctx, doc.borrar_al_reemplazar, id);
  deshacer_encabezado(ctx, doc.deshacer, id);
}

}  // namespace engine
