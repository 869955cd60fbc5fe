#include "engine/configuracion.h"

#include "engine/sql.h"

namespace engine {

std::optional<std::string> leer_configuracion(db::Connection& conn, std::string_view modulo,
                                              std::string_view categoria,
                                              std::string_view propiedad) {
  db::Rows r = conn.read(
      "select conf_valor from configuracion where conf_modulo = " + quoted(modulo) +
      " and conf_categoria = " + quoted(categoria) + " and conf_propiedad = " + quoted(propiedad));
  if (r.empty()) return std::nullopt;
  return r.at(0, 0).as_text();
}

std::string valor_configuracion(db::Connection& conn, std::string_view modulo,
                                std::string_view categoria, std::string_view propiedad) {
  return leer_configuracion(conn, modulo, categoria, propiedad).value_or("");
}

std::string configuracion(db::Connection& socio, std::string_view modulo,
                          std::string_view categoria, std::string_view propiedad,
                          const std::function<void(const std::string&)>& avisar) {
  if (std::optional<std::string> v = leer_configuracion(socio, modulo, categoria, propiedad))
    return *v;
  if (avisar) avisar("No se encontró la configuración " + std::string(propiedad));
  return {};
}

namespace {

// The flags of CONFIGURACION the cycle reads, and the value that switches each on.
struct Bandera {
  const char* modulo;
  const char* categoria;
  const char* propiedad;
  const char* valor;
  bool Banderas::*campo;
};
constexpr Bandera kBanderas[] = {
    {"INVENTARIO", "ARTICULOS", "ENVIAR ESTADO DEL ARTICULO EN REPLICA Y ENVIO AUTOMATICO", "SI",
     &Banderas::estado_articulo},
    {"COMPRAS", "FACTURAS", "ENVIAR FACTURA DE COMPRA COMO ENTRADA O COMO FACTURA", "FACTURA",
     &Banderas::compra_como_factura},
    {"FACTURACION", "FACTURAS", "ENVIAR FACTURA DE VENTA COMO ENTRADA O COMO FACTURA", "FACTURA",
     &Banderas::venta_como_factura},
    {"INVENTARIO", "TRASLADOS",
     "REPLICAR TRASLADO COMO ENTRADA EN COMPANIA ASOCIADA A BODEGA DE DESTINO", "SI",
     &Banderas::traslado_como_entrada},
    {"INVENTARIO", "TRASLADOS", "REPLICAR TRASLADO A ULTIMO COSTO", "SI",
     &Banderas::traslado_ultimo_costo},
};

}  // namespace

Banderas leer_banderas(db::Connection& local) {
  Banderas b;
  for (const Bandera& x : kBanderas)
    b.*x.campo =
        sin_blancos(valor_configuracion(local, x.modulo, x.categoria, x.propiedad)) == x.valor;
  return b;
}

Credenciales credenciales_socio(db::Connection& local) {
  return {valor_configuracion(local, "INVENTARIO", "ARTICULOS",
                              "NOMBRE DE USUARIO PARA REPLICACION DE ARTICULOS"),
          valor_configuracion(local, "INVENTARIO", "ARTICULOS",
                              "CLAVE DE USUARIO PARA REPLICACION DE ARTICULOS")};
}

}  // namespace engine
