#include "engine/protocolo.h"

#include <stdexcept>

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

db::Rows leer_origen(Contexto& ctx, std::string_view sql) { return ctx.origen.query(sql); }

db::TargetSet buscar_destino(Contexto& ctx, std::string_view sql) { return ctx.destino.open(sql); }

bool aplicar(Contexto& ctx, db::TargetSet& t) {
  ctx.fallo = t.apply(ctx.errores) > 0;
  return !ctx.fallo;
}

void copiar_columnas(db::TargetSet& t, std::size_t fila, const db::Rows& o, std::size_t fila_o,
                     std::size_t desde) {
  for (std::size_t i = desde; i < t.column_count(); ++i) {
    if (i >= o.columns().size())
      throw std::out_of_range("List index out of bounds (" + std::to_string(i) + ")");
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

void protocolo_documento(Contexto& ctx, const Documento& doc) {
  switch (prueba_operacion(ctx.evento, doc.letras)) {
    case Operacion::Borrar:
      borrar_destino(ctx, sentencia(ctx, doc.busqueda));
      return;
    case Operacion::Anular:
      anular_destino(ctx, sentencia(ctx, doc.busqueda), doc.anulado);
      return;
    case Operacion::Insertar:
    case Operacion::Copiar:
      break;
  }
  db::Rows origen = leer_origen(ctx, sentencia(ctx, doc.lectura));
  if (origen.empty()) return;
  auto desde = [&](std::size_t columna) -> Relleno {
    return [&, columna](db::TargetSet& t, std::size_t fila) {
      copiar_columnas(t, fila, origen, 0, columna);
      if (doc.ajustar) doc.ajustar(ctx, t, fila);
    };
  };
  std::int64_t id = 0;
  {
    db::TargetSet t = buscar_destino(ctx, sentencia(ctx, doc.busqueda));
    if (t.empty())
      id = insertar_encabezado(ctx, t, desde(0), doc.identificador);
    else
      id = reemplazar_encabezado(ctx, t, desde(1), doc.borrar_al_reemplazar);
  }
  if (!ctx.encabezado_escrito) return;
  for (const Detalle& d : doc.detalles) {
    if (ctx.fallo) break;
    copiar_detalle(ctx, sentencia(ctx, d.origen), sentencia(ctx, d.destino, id), id);
  }
  deshacer_encabezado(ctx, doc.deshacer, id);
}

}  // namespace engine
