// Third parties and accounting master data: the chart of accounts, third parties
// (TERC_NIT) with their customer and supplier records, collectors, salespeople, and the
// seven accounting interfaces (a header with its account rows). Each is a keyed row
// copy by position from column 0, found again by its own code or id; the interfaces
// keep their ids on both sides.
//
// Accounts and interfaces are never deleted from another company: every letter copies,
// and a copy whose source row is gone changes nothing.
#include <string_view>

#include "engine/cotejo.h"
#include "engine/maestro.h"
#include "engine/protocolo.h"
#include "handlers/registro.h"

namespace handlers {
namespace {

using engine::Borrado;
using engine::Contexto;
using engine::copia;
using engine::Filas;
using engine::Maestro;

// ---- codes 100 to 106 ----------------------------------------------------------------------

// 100: the chart of accounts.
const Maestro kCuenta{
    .borrado = Borrado::Ninguno,
    .lectura = "select * from cuentas where cuen_cod = {codigo}",
    .busqueda = "SELECT * FROM CUENTAS WHERE CUEN_COD = {codigo}",
};

// 102: third parties. Deleting one leaves its customer and supplier records, which
// have events of their own.
const Maestro kTercero{
    .borra = "D",
    .borrado = Borrado::Primera,
    .borrar = "SELECT * FROM TERCEROS WHERE TERC_NIT = {codigo}",
    .lectura = "select * from terceros where terc_nit = {codigo}",
    .busqueda = "SELECT * FROM TERCEROS WHERE TERC_NIT = {codigo}",
};

// 103: the customer record of a third party.
const Maestro kCliente{
    .borra = "D",
    .borrado = Borrado::Primera,
    .borrar = "SELECT * FROM CLIENTES WHERE TERC_NIT = {codigo}",
    .lectura = "select * from clientes where terc_nit = {codigo}",
    .busqueda = "SELECT * FROM CLIENTES WHERE TERC_NIT = {codigo}",
};

// 104: the supplier record of a third party.
const Maestro kProveedor{
    .borra = "D",
    .borrado = Borrado::Primera,
    .borrar = "SELECT * FROM PROVEEDORES WHERE TERC_NIT = {codigo}",
    .lectura = "select * from proveedores where terc_nit = {codigo}",
    .busqueda = "SELECT * FROM PROVEEDORES WHERE TERC_NIT = {codigo}",
};

// 105: collectors. The code is a text key and is quoted in the read and the lookup as
// in the delete.
const Maestro kCobrador{
    .borra = "D",
    .borrado = Borrado::Sentencia,
    .borrar = {"DELETE from cobradores where cobr_cod = {codigo}",
               "DELETE from COBRADORES WHERE COBR_COD = {codigo}"},
    .lectura = "select * from cobradores where cobr_cod = {codigo}",
    .busqueda = "SELECT * FROM COBRADORES WHERE COBR_COD = {codigo}",
};

// 106: salespeople, quoted like the collectors.
const Maestro kVendedor{
    .borra = "D",
    .borrado = Borrado::Sentencia,
    .borrar = {"DELETE from vendedores where vend_cod = {codigo}",
               "DELETE from VENDEDORES WHERE VEND_COD = {codigo}"},
    .lectura = "select * from vendedores where vend_cod = {codigo}",
    .busqueda = "SELECT * FROM VENDEDORES WHERE VEND_COD = {codigo}",
};

// ---- accounting interfaces (111 to 117) ------------------------------------------------------

// A header found by its id (RPEV_IDDOC) and its account rows, each found by the id and
// its item (column 1). Nothing is deleted: account rows the source no longer holds stay.
struct Interfaz {
  Maestro encabezado;
  Maestro cuentas;
};

const Interfaz kInterfazBancos{
    {.lectura = "select * from interfaz_bancos where inba_id = {iddoc}",
     .busqueda = "SELECT * FROM INTERFAZ_BANCOS WHERE INBA_ID = {iddoc}"},
    {.lectura = "select * from interfaz_bancos_ctas where inba_id = {iddoc}",
     .busqueda =
         "SELECT * FROM INTERFAZ_BANCOS_CTAS WHERE INBA_ID = {iddoc} AND INBC_ITEM = {fila#:1}",
     .filas = Filas::PorClave},
};

const Interfaz kInterfazCaja{
    {.lectura = "select * from interfaz_caja where incj_id = {iddoc}",
     .busqueda = "SELECT * FROM INTERFAZ_CAJA WHERE INCJ_ID = {iddoc}"},
    {.lectura = "select * from interfaz_caja_ctas where incj_id = {iddoc}",
     .busqueda =
         "SELECT * FROM INTERFAZ_CAJA_CTAS WHERE INCJ_ID = {iddoc} AND INJC_ITEM = {fila#:1}",
     .filas = Filas::PorClave},
};

const Interfaz kInterfazCartera{
    {.lectura = "select * from interfaz_cartera where inca_id = {iddoc}",
     .busqueda = "SELECT * FROM INTERFAZ_CARTERA WHERE INCA_ID = {iddoc}"},
    {.lectura = "select * from interfaz_cartera_ctas where inca_id = {iddoc}",
     .busqueda =
         "SELECT * FROM INTERFAZ_CARTERA_CTAS WHERE INCA_ID = {iddoc} AND INCD_ITEM = {fila#:1}",
     .filas = Filas::PorClave},
};

const Interfaz kInterfazCompras{
    {.lectura = "select * from interfaz_compras where inco_id = {iddoc}",
     .busqueda = "SELECT * FROM INTERFAZ_COMPRAS WHERE INCO_ID = {iddoc}"},
    {.lectura = "select * from interfaz_compras_ctas where inco_id = {iddoc}",
     .busqueda =
         "SELECT * FROM INTERFAZ_COMPRAS_CTAS WHERE INCO_ID = {iddoc} AND INCC_ITEM = {fila#:1}",
     .filas = Filas::PorClave},
};

const Interfaz kInterfazCxpagar{
    {.lectura = "select * from interfaz_cxpagar where incp_id = {iddoc}",
     .busqueda = "SELECT * FROM INTERFAZ_CXPAGAR WHERE INCP_ID = {iddoc}"},
    {.lectura = "select * from interfaz_cxpagar_ctas where incp_id = {iddoc}",
     .busqueda =
         "SELECT * FROM INTERFAZ_CXPAGAR_CTAS WHERE INCP_ID = {iddoc} AND INPC_ITEM = {fila#:1}",
     .filas = Filas::PorClave},
};

const Interfaz kInterfazInventario{
    {.lectura = "select * from interfaz_inventario where inin_id = {iddoc}",
     .busqueda = "SELECT * FROM INTERFAZ_INVENTARIO WHERE ININ_ID = {iddoc}"},
    {.lectura = "select * from interfaz_inventario_ctas where inin_id = {iddoc}",
     .busqueda =
         "SELECT * FROM INTERFAZ_INVENTARIO_CTAS WHERE ININ_ID = {iddoc} AND INIC_ITEM = {fila#:1}",
     .filas = Filas::PorClave},
};

const Interfaz kInterfazVentas{
    {.lectura = "select * from interfaz_ventas where inve_id = {iddoc}",
     .busqueda = "SELECT * FROM INTERFAZ_VENTAS WHERE INVE_ID = {iddoc}"},
    {.lectura = "select * from interfaz_ventas_ctas where inve_id = {iddoc}",
     .busqueda =
         "SELECT * FROM INTERFAZ_VENTAS_CTAS WHERE INVE_ID = {iddoc} AND INVC_ITEM = {fila#:1}",
     .filas = Filas::PorClave},
};

// The header, then its account rows whatever the header's apply gave. An interface the
// source no longer holds changes nothing. A rejected header keeps the event pending
// even when every account row is accepted, so the next cycle sends the interface again
// instead of stamping an event whose header never arrived.
void copiar_interfaz(Contexto& ctx, const Interfaz& i) {
  if (engine::protocolo_maestro(ctx, i.encabezado) == 0) return;
  engine::protocolo_maestro(ctx, i.cuentas);
}

engine::Manejador copia(const Interfaz& i) {
  return [&i](Contexto& ctx) { copiar_interfaz(ctx, i); };
}

}  // namespace

void registrar_terceros(engine::TablaTipos& t) {
  t.registrar(100, copia(kCuenta));
  t.registrar(102, copia(kTercero));
  t.registrar(103, copia(kCliente));
  t.registrar(104, copia(kProveedor));
  t.registrar(105, copia(kCobrador));
  t.registrar(106, copia(kVendedor));
  t.registrar(111, copia(kInterfazBancos));
  t.registrar(112, copia(kInterfazCaja));
  t.registrar(113, copia(kInterfazCartera));
  t.registrar(114, copia(kInterfazCompras));
  t.registrar(115, copia(kInterfazCxpagar));
  t.registrar(116, copia(kInterfazInventario));
  t.registrar(117, copia(kInterfazVentas));
}

}  // namespace handlers
