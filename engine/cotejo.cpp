#include "engine/cotejo.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <iterator>
#include <set>

#include "plataforma/pagina_codigos.h"

namespace engine {
namespace {

constexpr const char* kFilas = "filas";

bool en(const std::vector<std::string_view>& lista, std::string_view nombre) {
  return std::find(lista.begin(), lista.end(), nombre) != lista.end();
}

// The table a "SELECT * FROM T WHERE ..." reads.
std::string tabla_de(std::string_view sql) {
  std::string mayus(sql);
  std::transform(mayus.begin(), mayus.end(), mayus.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  std::size_t p = mayus.find(" FROM ");
  if (p == std::string::npos) return mayus;
  p += 6;
  std::size_t fin = mayus.find_first_of(" (", p);
  return mayus.substr(p, fin == std::string::npos ? std::string::npos : fin - p);
}

const std::string& nombre(const db::Column& c) { return c.field.empty() ? c.name : c.field; }

// The columns a copy by position carries and a comparison can trust: ids and references
// (integer columns) are the target's own or re-linked, computed columns are never
// written, NUMOK is set by the agent, and `propias` are written by a hook.
bool comparada(const db::Column& c, const std::vector<std::string_view>& propias) {
  if (c.is_integer() || c.read_only) return false;
  const std::string& n = nombre(c);
  return n != "NUMOK" && !en(propias, n);
}

// The target columns of a mapping that the last write assigned, with the source value
// in its form: the columns the copy carries.
void mapeadas(const Contexto& ctx, const std::vector<Campo>& campos, bool nuevo, const db::Rows& o,
              std::size_t fila_o, const std::vector<db::Column>& destino,
              const std::vector<std::string_view>& propias, bool enteros,
              std::map<std::string, std::string>& salida) {
  const unsigned este = camino(ctx.fase, nuevo);
  for (const Campo& c : campos) {
    if (c.de != Campo::De::Columna || !(c.en & este)) continue;
    if (!nuevo && c.bandera && !(ctx.banderas.*c.bandera)) continue;
    int i = db::find_column(destino, c.destino);
    if (i < 0 || en(propias, c.destino)) continue;
    const db::Column& col = destino[static_cast<std::size_t>(i)];
    if (!enteros && col.is_integer()) continue;
    salida[std::string(c.destino)] =
        comparable(en_forma(o.at(fila_o, c.valor), c.forma), col.is_fixed());
  }
}

// Header or master row columns by position from `desde`, for both sides.
void por_posicion(const db::Rows& o, std::size_t fo, const db::Rows& d, std::size_t fd,
                  std::size_t desde, const std::vector<std::string_view>& propias, bool enteros,
                  const std::string& prefijo, Huella& ho, Huella& hd) {
  const auto& cols = d.columns();
  for (std::size_t i = desde; i < cols.size() && i < o.columns().size(); ++i) {
    const db::Column& c = cols[i];
    if (c.is_blob() || c.read_only || en(propias, nombre(c))) continue;
    if (!enteros && !comparada(c, propias)) continue;
    ho.columnas[prefijo + nombre(c)] = comparable(o.at(fo, i), c.is_fixed());
    hd.columnas[prefijo + nombre(c)] = comparable(d.at(fd, i), c.is_fixed());
  }
}

// The amount columns of one detail table's lines: (target column, source column).
std::vector<std::pair<std::string, std::size_t>> columnas_importe(const Contexto& ctx,
                                                                  const Detalle& det,
                                                                  const db::Rows& o,
                                                                  const db::Rows& d) {
  std::vector<std::pair<std::string, std::size_t>> out;
  const auto& cols = d.columns();
  if (det.linea.empty()) {
    for (std::size_t i = 1; i < cols.size() && i < o.columns().size(); ++i)
      if (cols[i].is_fixed() && !cols[i].read_only && !en(det.propias, nombre(cols[i])) &&
          std::find(det.posiciones_propias.begin(), det.posiciones_propias.end(), i) ==
              det.posiciones_propias.end())
        out.emplace_back(nombre(cols[i]), i);
    return out;
  }
  const unsigned este = camino(ctx.fase, true);
  for (const Campo& c : det.linea) {
    if (c.de != Campo::De::Columna || !(c.en & este) || en(det.propias, c.destino)) continue;
    int i = db::find_column(cols, c.destino);
    int j = o.index_of(c.valor);
    if (i < 0 || j < 0 || !cols[static_cast<std::size_t>(i)].is_fixed()) continue;
    out.emplace_back(std::string(c.destino), static_cast<std::size_t>(j));
  }
  return out;
}

std::string suma(const db::Rows& r, std::size_t columna) {
  std::int64_t total = 0;
  for (std::size_t i = 0; i < r.size(); ++i) total += r.at(i, columna).as_money().units;
  return db::format_decimal(db::Decimal{total, -4});
}

// One row of a set as the comparison sees it: every column the copy carries.
std::string huella_fila(const db::Rows& r, std::size_t fila, const std::vector<db::Column>& cols);

// The rows of a key on both sides, which no column pairs: how many on each side, and
// each source row the target lacks beside a target row the source lacks.
void conjuntos(const db::Rows& o, const db::Rows& d, Cotejo& c) {
  auto huellas = [&](const db::Rows& r) {
    std::vector<std::string> out;
    for (std::size_t i = 0; i < r.size(); ++i) out.push_back(huella_fila(r, i, d.columns()));
    std::sort(out.begin(), out.end());
    return out;
  };
  std::vector<std::string> ho = huellas(o), hd = huellas(d), solo_o, solo_d;
  std::set_difference(ho.begin(), ho.end(), hd.begin(), hd.end(), std::back_inserter(solo_o));
  std::set_difference(hd.begin(), hd.end(), ho.begin(), ho.end(), std::back_inserter(solo_d));
  c.origen.lineas[kFilas] = o.size();
  c.destino.lineas[kFilas] = d.size();
  for (std::size_t i = 0; i < solo_o.size(); ++i) {
    const std::string k = "fila distinta " + std::to_string(i + 1);
    c.origen.columnas[k] = solo_o[i];
    c.destino.columnas[k] = i < solo_d.size() ? solo_d[i] : "(ninguna)";
  }
}

std::string huella_fila(const db::Rows& r, std::size_t fila, const std::vector<db::Column>& cols) {
  std::string out;
  for (std::size_t i = 0; i < cols.size() && i < r.columns().size(); ++i) {
    if (cols[i].is_blob() || cols[i].read_only) continue;
    out += (out.empty() ? "" : " | ") + comparable(r.at(fila, i), cols[i].is_fixed());
  }
  return out;
}

}  // namespace

std::string comparable(const db::Value& v, bool fijo) {
  using K = db::Value::Kind;
  switch (v.kind()) {
    case K::Null:
      return fijo ? db::format_decimal(db::Decimal{0, -4}) : "(nulo)";
    case K::Integer:
    case K::Fixed:
    case K::Floating:
      return db::format_decimal(v.as_money());
    case K::Text: {
      std::string t = v.as_text();
      t.erase(t.find_last_not_of(' ') + 1);
      return plataforma::desde_suite(t);
    }
    default:
      return plataforma::desde_suite(v.as_text());
  }
}

Cotejo cotejar(Contexto& ctx, const Documento& doc) {
  Cotejo c;
  c.operacion = prueba_operacion(ctx.evento, doc.letras);
  if (doc.letras.find(kOperBorrar) != std::string_view::npos) c.borra = kOperBorrar;
  auto busqueda = [&](bool borrado, const db::Rows* origen) {
    if (doc.buscar) return doc.buscar(ctx);
    return sentencia(ctx,
                     borrado && !doc.busqueda_borrado.empty() ? doc.busqueda_borrado : doc.busqueda,
                     0, origen, 0);
  };
  if (c.operacion == Operacion::Borrar || c.operacion == Operacion::Anular) {
    db::Rows d = ctx.destino.read(busqueda(true, nullptr));
    c.destino.presente = !d.empty();
    if (!d.empty() && !doc.anulado.empty() && d.index_of(doc.anulado) >= 0)
      c.destino.anulado = comparable(d.at(0, doc.anulado)) == "S";
    return c;
  }
  db::Rows o = ctx.origen.read(sentencia(ctx, doc.lectura));
  c.origen.presente = !o.empty();
  if (o.empty()) {
    // The lookup may need the source header; without it only the plain statement runs.
    if (!doc.buscar && doc.busqueda.find("{fila") == std::string_view::npos)
      c.destino.presente = !ctx.destino.read(busqueda(false, nullptr)).empty();
    return c;
  }
  ctx.encabezado = &o;
  // A document the partner's lock date keeps out of a closed period is not copied:
  // there is nothing to compare.
  if (doc.fecha_bloqueo && ctx.fase == Fase::Subida &&
      antes_del_bloqueo(o.at(0, *doc.fecha_bloqueo), ctx.fecha_bloqueo).value_or(false)) {
    c.cotejable = false;
    return c;
  }
  db::Rows d = ctx.destino.read(busqueda(false, &o));
  c.destino.presente = !d.empty();
  if (d.empty()) return c;
  if (doc.encabezado.empty()) {
    por_posicion(o, 0, d, 0, 1, doc.propias, false, "", c.origen, c.destino);
  } else {
    mapeadas(ctx, doc.encabezado, false, o, 0, d.columns(), doc.propias, false, c.origen.columnas);
    for (const auto& [col, valor] : c.origen.columnas) {
      (void)valor;
      const db::Column& dc = d.columns()[d.column(col)];
      c.destino.columnas[col] = comparable(d.at(0, col), dc.is_fixed());
    }
  }
  const std::int64_t id = d.at(0, 0).as_integer();
  for (const Detalle& det : doc.detalles) {
    if (det.si && !det.si(ctx)) continue;
    db::Rows lo = ctx.origen.read(sentencia(ctx, det.origen));
    db::Rows ld = ctx.destino.read(sentencia(ctx, det.destino, id));
    const std::string tabla = tabla_de(det.destino);
    c.origen.lineas[tabla] = lo.size();
    c.destino.lineas[tabla] = ld.size();
    for (const auto& [col, i] : columnas_importe(ctx, det, lo, ld)) {
      c.origen.importes[tabla + "." + col] = suma(lo, i);
      c.destino.importes[tabla + "." + col] = suma(ld, ld.column(col));
    }
  }
  return c;
}

Cotejo cotejar(Contexto& ctx, const Maestro& m) {
  Cotejo c;
  if (m.borrado != Borrado::Ninguno) c.borra = m.borra;
  if (m.preparar && !m.preparar(ctx)) {
    c.cotejable = false;
    return c;
  }
  if (m.borrado != Borrado::Ninguno && ctx.evento.oper() == m.borra) {
    c.operacion = Operacion::Borrar;
    std::string_view sql =
        m.borrado == Borrado::Sentencia ? m.busqueda.en(ctx.fase) : m.borrar.en(ctx.fase);
    // A lookup that names a source row cannot be asked once the row is gone.
    if (sql.find("{fila") != std::string_view::npos) {
      c.cotejable = false;
      return c;
    }
    c.destino.presente = !ctx.destino.read(sentencia(ctx, sql)).empty();
    return c;
  }
  db::Rows o = ctx.origen.read(sentencia(ctx, m.lectura.en(ctx.fase)));
  if (m.filas == Filas::Conjunto) {
    c.origen.presente = !o.empty() || m.vacio_vacia;
    c.destino.presente = true;
    if (c.origen.presente)
      conjuntos(o, ctx.destino.read(sentencia(ctx, m.busqueda.en(ctx.fase))), c);
    return c;
  }
  const bool varias = m.filas == Filas::PorClave;
  const std::size_t filas = varias ? o.size() : std::min<std::size_t>(o.size(), 1);
  c.origen.presente = filas > 0;
  c.destino.presente = true;
  std::size_t halladas = 0;
  for (std::size_t i = 0; i < filas; ++i) {
    db::Rows d = ctx.destino.read(sentencia(ctx, m.busqueda.en(ctx.fase), 0, &o, i));
    if (d.empty()) continue;
    ++halladas;
    const std::string prefijo = varias ? "fila " + std::to_string(i + 1) + ": " : "";
    if (m.campos.empty()) {
      por_posicion(o, i, d, 0, m.desde, {}, true, prefijo, c.origen, c.destino);
      continue;
    }
    std::map<std::string, std::string> desde_origen;
    mapeadas(ctx, m.campos, false, o, i, d.columns(), {}, true, desde_origen);
    for (const auto& [col, valor] : desde_origen) {
      c.origen.columnas[prefijo + col] = valor;
      c.destino.columnas[prefijo + col] =
          comparable(d.at(0, col), d.columns()[d.column(col)].is_fixed());
    }
  }
  if (varias) {
    c.origen.lineas[kFilas] = filas;
    c.destino.lineas[kFilas] = halladas;
  } else {
    c.destino.presente = halladas > 0;
  }
  return c;
}

std::vector<Diferencia> diferencias(const Cotejo& c) {
  std::vector<Diferencia> out;
  if (!c.cotejable) return out;
  const Huella& o = c.origen;
  const Huella& d = c.destino;
  switch (c.operacion) {
    case Operacion::Borrar:
      if (d.presente)
        out.push_back({"sigue en el destino aunque el último evento lo borra", "destino"});
      return out;
    case Operacion::Anular:
      if (!d.presente)
        out.push_back({"falta el documento anulado", "destino"});
      else if (!d.anulado)
        out.push_back({"no está anulado aunque el último evento lo anula", "destino"});
      return out;
    case Operacion::Insertar:
    case Operacion::Copiar:
      break;
  }
  if (!o.presente) {
    if (d.presente)
      out.push_back({"ya no está en el origen; el destino conserva la copia", "origen"});
    return out;
  }
  if (!d.presente) {
    out.push_back({"falta el encabezado", "destino"});
    return out;
  }
  std::set<std::string> tablas;
  for (const auto& [t, n] : o.lineas) tablas.insert(t);
  for (const auto& [t, n] : d.lineas) tablas.insert(t);
  for (const std::string& t : tablas) {
    std::size_t no = o.lineas.count(t) ? o.lineas.at(t) : 0;
    std::size_t nd = d.lineas.count(t) ? d.lineas.at(t) : 0;
    if (no != nd)
      out.push_back({(t == kFilas ? std::string("filas") : "líneas de " + t) + ": origen " +
                         std::to_string(no) + ", destino " + std::to_string(nd),
                     nd < no ? "destino" : "origen"});
  }
  // The sums of one detail table in one line; the header columns one by one.
  std::map<std::string, std::string> sumas;
  for (const auto& [k, v] : o.importes) {
    auto it = d.importes.find(k);
    if (it == d.importes.end() || it->second == v) continue;
    const std::size_t punto = k.find('.');
    std::string& linea = sumas[k.substr(0, punto)];
    linea += (linea.empty() ? "" : "; ") + k.substr(punto + 1) + " origen " + v + ", destino " +
             it->second;
  }
  for (const auto& [tabla, linea] : sumas)
    out.push_back({"suma de las líneas de " + tabla + ": " + linea, ""});
  for (const auto& [k, v] : o.columnas) {
    auto it = d.columnas.find(k);
    if (it == d.columnas.end() || it->second == v) continue;
    out.push_back({k + ": origen \"" + v + "\", destino \"" + it->second + "\"", ""});
  }
  return out;
}

Copia copia(const Documento& doc) {
  return {[&doc](Contexto& ctx) { protocolo_documento(ctx, doc); },
          [&doc](Contexto& ctx) { return cotejar(ctx, doc); }};
}

Copia copia(Eleccion elegir) {
  return {[elegir](Contexto& ctx) { protocolo_documento(ctx, elegir(ctx)); },
          [elegir](Contexto& ctx) { return cotejar(ctx, elegir(ctx)); }};
}

Copia copia(Eleccion nueva, Eleccion otra) {
  auto forma = [nueva, otra](Contexto& ctx) -> const Documento& {
    return forma_en_destino(ctx, nueva(ctx), otra(ctx));
  };
  return {[forma](Contexto& ctx) { protocolo_documento(ctx, forma(ctx)); },
          [forma](Contexto& ctx) { return cotejar(ctx, forma(ctx)); }};
}

Copia copia(const Maestro& m) {
  return {[&m](Contexto& ctx) { protocolo_maestro(ctx, m); },
          [&m](Contexto& ctx) { return cotejar(ctx, m); }};
}

}  // namespace engine
