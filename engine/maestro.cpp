#include "engine/maestro.h"

namespace engine {
namespace {

void borrar(Contexto& ctx, const Maestro& m) {
  const std::string sql = sentencia(ctx, m.borrar.en(ctx.fase));
  if (m.borrado == Borrado::Sentencia) {
    ctx.destino.execute(sql);
    return;
  }
  db::TargetSet t = buscar_destino(ctx, sql);
  if (t.empty()) return;
  if (m.borrado == Borrado::Todas)
    while (!t.empty()) t.remove(0);
  else
    t.remove(0);
  bool antes = ctx.fallo;
  aplicar(ctx, t);
  ctx.fallo = ctx.fallo || antes;
}

// One source row into the target: inserted when the lookup finds nothing, refreshed
// in the first row found otherwise. True when its apply succeeded.
bool copiar_fila(Contexto& ctx, const Maestro& m, const db::Rows& o, std::size_t i) {
  db::TargetSet t = buscar_destino(ctx, sentencia(ctx, m.busqueda.en(ctx.fase), 0, &o, i));
  const bool nueva = t.empty();
  const std::size_t fila = nueva ? t.append() : 0;
  if (m.campos.empty())
    copiar_columnas(t, fila, o, i, nueva ? 0 : m.desde);
  else
    mapear(ctx, t, fila, o, i, m.campos, nueva);
  t.post(fila);
  return t.apply(ctx.errores) == 0;
}

// Every source row of the key into the one set of the target's rows of that key.
void copiar_conjunto(Contexto& ctx, const Maestro& m, const db::Rows& o) {
  db::TargetSet t = buscar_destino(ctx, sentencia(ctx, m.busqueda.en(ctx.fase)));
  for (std::size_t i = 0; i < o.size(); ++i) {
    const std::size_t fila = t.append();
    if (m.campos.empty())
      copiar_columnas(t, fila, o, i, 0);
    else
      mapear(ctx, t, fila, o, i, m.campos, true);
  }
  t.match_appended();
  const bool antes = ctx.fallo;
  aplicar(ctx, t);
  ctx.fallo = ctx.fallo || antes;
}

}  // namespace

std::size_t protocolo_maestro(Contexto& ctx, const Maestro& m) {
  if (m.preparar && !m.preparar(ctx)) return 0;
  if (m.borrado != Borrado::Ninguno && ctx.evento.oper() == m.borra) {
    borrar(ctx, m);
    return 0;
  }
  db::Rows o = leer_origen(ctx, sentencia(ctx, m.lectura.en(ctx.fase)));
  if (m.filas == Filas::Conjunto) {
    if (!o.empty() || m.vacio_vacia) copiar_conjunto(ctx, m, o);
    return o.size();
  }
  const std::size_t filas =
      m.filas == Filas::PorClave ? o.size() : std::min<std::size_t>(o.size(), 1);
  bool fallo = false;
  for (std::size_t i = 0; i < filas; ++i) fallo = !copiar_fila(ctx, m, o, i) || fallo;
  ctx.fallo = ctx.fallo || fallo;
  return o.size();
}

}  // namespace engine
