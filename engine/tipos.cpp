#include "engine/tipos.h"

#include <algorithm>
#include <stdexcept>
#include <string>

namespace engine {
namespace {

std::vector<TipoDocumento> construir() {
  std::vector<TipoDocumento> t = {
      {1, "COMPROBANTE_ENCABEZADO", true, true},
      {11, "ENTRADAS", true, true},
      {12, "SALIDAS", true, true},
      {13, "TRASFERENCIAS", true, true},
      {14, "AJUSTES", true, true},
      {15, "ENSAMBLES", true, true},
      {16, "DESENSAMBLES", true, true},
      {17, "RESERVAS", true, true},
      {18, "ORDENES_INVENTARIO", true, true},
      {21, "FACTURAS_COMPRA", true, true},
      {22, "REMISION_PROVEEDOR", true, true},
      {24, "DEVOLUCIONES_COMPRAS", true, true},
      {31, "FACTURAS", true, true},
      {32, "REMISIONES_VENTA", true, true},
      {33, "DEVOLUCIONES_VENTAS", true, true},
      {34, "PEDIDOS", true, true},
      {35, "COTIZACIONES", true, true},
      {41, "NOTAS_DEBITO_CLIENTES", true, true},
      {42, "NOTAS_CREDITO_CLIENTES", true, true},
      {43, "APLICACION_CLIENTE", true, true},
      {45, "ANTICIPOS_CLIENTE", true, true},
      {51, "NOTAS_DEBITO_PROVEEDOR", true, true},
      {52, "NOTAS_CREDITO_PROVEEDOR", true, true},
      {53, "APLICACION_PROVEDOR", true, true},
      {55, "ANTICIPOS_PROVEEDOR", true, true},
      {61, "RECIBOS_CAJA", true, true},
      {62, "EGRESOS", true, true},
      {63, "CAMBIO_DOCUMENTOS", true, true},
      {64, "CONSIGNA_TARJETAS", true, true},
      {65, "RECIBO_PROVISIONAL", true, true},
      {66, "TRASLADOS_CAJA", true, true},
      {71, "CONSIGNA", true, true},
      {72, "CHEQUES", true, true},
      {73, "RETIROS", true, true},
      {74, "NOTAS_DEBITO", true, true},
      {75, "NOTAS_CREDITO", true, true},
      {76, "TRASLADOS", true, true},
      {77, "DEVOLUCION_CHEQUES", true, true},
      {81, "PUNTOS_REDENCION", true, true},
      {94, "NOMINA_CARTERA", true, true},
      {96, "CONCEPTOS_NOMINA", true, true},
      {100, "CUENTAS", true, true},
      {101, "ARTICULO", true, true},
      {102, "TERCEROS", true, true},
      {103, "CLIENTES", true, true},
      {104, "PROVEEDORES", true, true},
      {105, "COBRADORES", true, true},
      {106, "VENDEDORES", true, true},
      {111, "INTERFAZ_BANCOS", true, true},
      {112, "INTERFAZ_CAJA", true, true},
      {113, "INTERFAZ_CARTERA", true, true},
      {114, "INTERFAZ_COMPRAS", true, true},
      {115, "INTERFAZ_CXPAGAR", true, true},
      {116, "INTERFAZ_INVENTARIO", true, true},
      {117, "INTERFAZ_VENTAS", true, true},
      {120, "PREFIJOS", true, true},
      {124, "UNIDAD_ARTICULO", true, true},
      {125, "BARRAS_ARTICULO", true, true},
      {126, "PRECIOS_ARTICULO", true, true},
      {127, "CONTABIL_ARTICULO", true, true},
      {128, "ARTICULOS_PRODUCTO", true, true},
      {129, "MARCAS", true, true},
      {142, "PREFIJOS", true, true},
      {149, "FABRICANTES", true, true},
      {190, "PARAMETROS_ANO", false, true},
      {192, "NOMINA_HORASEXT", true, true},
      {193, "NOMINA_NOVEDADES", true, true},
      {201, "GRUPO", true, true},
      {202, "SUBGRUPO", true, true},
      {203, "ARTICULOS_SUCURSAL", true, true},
      {229, "DESCUENTOS_PRECIOS", true, true},
      {235, "PUNTOS_CLIENTE", true, true},
      {1001, "FORMATOS", false, true},
      {1125, "PRECIOS_FUTUROS", true, true},
      {1126, "PRECIOS_FUTUROS_ARTICULOS", true, true},
      {2291, "DESCUENTOS_PRECIOS_DET", true, true},
  };
  // Print formats: 1001 and 1010 to 1089 share one upload handler.
  for (int c = 1010; c <= 1089; ++c) t.push_back({c, "FORMATOS", false, true});
  std::sort(t.begin(), t.end(), [](const auto& a, const auto& b) { return a.codigo < b.codigo; });
  return t;
}

}  // namespace

const std::vector<TipoDocumento>& tipos_documento() {
  static const std::vector<TipoDocumento> t = construir();
  return t;
}

const TipoDocumento* buscar_tipo(int codigo) {
  const auto& t = tipos_documento();
  auto it = std::lower_bound(t.begin(), t.end(), codigo,
                             [](const TipoDocumento& x, int c) { return x.codigo < c; });
  return (it != t.end() && it->codigo == codigo) ? &*it : nullptr;
}

void TablaTipos::registrar(int codigo, Fase fase, Manejador m) {
  const TipoDocumento* t = buscar_tipo(codigo);
  if (!t || !(fase == Fase::Descarga ? t->descarga : t->subida))
    throw std::logic_error("type " + std::to_string(codigo) + " is not known to that phase");
  tabla_[{codigo, fase}] = std::move(m);
}

void TablaTipos::registrar(int codigo, Manejador m) {
  const TipoDocumento* t = buscar_tipo(codigo);
  if (!t) throw std::logic_error("type " + std::to_string(codigo) + " is not known");
  if (t->descarga) registrar(codigo, Fase::Descarga, m);
  if (t->subida) registrar(codigo, Fase::Subida, m);
}

void TablaTipos::registrar(int codigo, Fase fase, Copia c) {
  registrar(codigo, fase, std::move(c.copiar));
  if (c.cotejar) cotejos_[{codigo, fase}] = std::move(c.cotejar);
}

void TablaTipos::registrar(int codigo, Copia c) {
  const TipoDocumento* t = buscar_tipo(codigo);
  if (!t) throw std::logic_error("type " + std::to_string(codigo) + " is not known");
  if (t->descarga) registrar(codigo, Fase::Descarga, c);
  if (t->subida) registrar(codigo, Fase::Subida, c);
}

const Cotejador* TablaTipos::cotejador(int codigo, Fase fase) const {
  auto it = cotejos_.find({codigo, fase});
  return it == cotejos_.end() ? nullptr : &it->second;
}

const Manejador* TablaTipos::manejador(int codigo, Fase fase) const {
  auto it = tabla_.find({codigo, fase});
  return it == tabla_.end() ? nullptr : &it->second;
}

}  // namespace engine
