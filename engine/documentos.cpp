#include "engine/documentos.h"

#include <algorithm>
#include <array>
#include <string>

#include "engine/sql.h"

namespace engine {
namespace {

// Every code of 10 to 75 with a statement; the others (26, 30, 36 to 39, 44, 46 to 49,
// 57 to 60, 68 to 70, 72, 73) have none.
constexpr ConsultaDocumento kConsultas[] = {
    {10, "select caco_id from cambio_costo where pref_pre = ", " and caco_numero = "},
    {11, "select entr_id from entradas where pref_pre = ", " and entr_numero = "},
    {12, "select sali_id from salidas where pref_pre = ", " and sali_numero = "},
    {13, "select tran_id from trasferencias where pref_pre = ", " and tran_numero = "},
    {14, "select ajus_id from ajustes where pref_pre = ", " and ajus_numero = "},
    {15, "select ensa_id from ensambles where pref_pre = ", " and ensa_numero = "},
    {16, "select dese_id from desensambles where pref_pre = ", " and dese_numero = "},
    {17, "select rese_id from reservas where pref_pre = ", " and rese_numero = "},
    {18, "select orin_id from ordenes_inventario where pref_pre = ", " and orin_numero = "},
    {19, "select pror_id from produccion_orden where pref_pre = ", " and pror_numero = "},
    {20, "select prde_id from produccion_entrada_enc where prde_pref = ", " and prde_numero = "},
    {21, "select faco_id from facturas_compra where pref_pre = ", " and faco_numero = "},
    {22, "select repr_id from remision_proveedor where pref_pre = ", " and repr_numero = "},
    {23, "select ordc_id from ordenes_compra where pref_pre = ", " and ordc_numero = "},
    {24, "select dvco_id from devoluciones_compras where pref_pre = ", " and dvco_numero = "},
    {25, "select copr_id from cotizacion_proveedor where pref_pre = ", " and copr_numero = "},
    {27, "select plpr_id from plan_produccion where plpr_pref = ", " and plpr_numero = "},
    {28, "select prsa_id from produccion_salida_enc where prsa_pref = ", " and prsa_numero = "},
    {29, "select prdd_id from produccion_devolucion where prdd_pref = ", " and prdd_numero = "},
    {31, "select fact_id from facturas where pref_pre = ", " and fact_numero = "},
    {32, "select revt_id from remisiones_venta where pref_pre = ", " and revt_numero = "},
    {33, "select devt_id from devoluciones_ventas where pref_pre = ", " and devt_numero = "},
    {34, "select pedi_id from pedidos where pref_pre = ", " and pedi_numero = "},
    {35, "select coti_id from cotizaciones where pref_pre = ", " and coti_numero = "},
    {40, "select pend_id from pendiente_ventas where pref_pre = ", " and pend_numero = "},
    {41, "select ndcl_id from notas_debito_clientes where pref_pre = ", " and ndcl_numero = "},
    {42, "select nccl_id from notas_credito_clientes where pref_pre = ", " and nccl_numero = "},
    {43, "select apcl_id from aplicacion_cliente where pref_pre = ", " and apcl_numero = "},
    {45, "select ancl_id from anticipos_cliente where pref_pre = ", " and ancl_numero = "},
    {50, "select facp_id from factura_profv where pref_pre = ", " and facp_numero = "},
    {51, "select ndpr_id from notas_debito_proveedor where pref_pre = ", " and ndpr_numero = "},
    {52, "select ncpr_id from notas_credito_proveedor where pref_pre = ", " and ncpr_numero = "},
    {53, "select appr_id from aplicacion_provedor where pref_pre = ", " and appr_numero = "},
    {54, "select papr_id from pagos_proveedor where pref_pre = ", " and papr_numero = "},
    {55, "select anpr_id from anticipos_proveedor where pref_pre = ", " and anpr_numero = "},
    {56, "select orse_id from orden_servicio where pref_pre = ", " and orse_numero = "},
    {61, "select reca_id from RECIBOS_CAJA where pref_pre = ", " and reca_numero = "},
    {62, "select egre_id from egresos where pref_pre = ", " and egre_numero = "},
    {63, "select cado_id from cambio_documentos where pref_pre = ", " and cado_numero = "},
    {64, "select cotj_id from consigna_tarjetas where pref_pre = ", " and cotj_numero = "},
    {65, "select rcpr_id from recibo_provisional where pref_pre = ", " and rcpr_numero = "},
    {66, "select trcj_id from traslados_caja where pref_pre = ", " and trcj_numero = "},
    {67, "select arqc_id from arqueo_caja where pref_pre = ", " and arqc_numero = "},
    {71, "select cons_id from consigna where prba_pref = ", " and cons_numero = "},
    {74, "select ndbc_id from notas_debito where prba_pref = ", " and ndbc_numero = "},
    {75, "select ncbc_id from notas_credito where prba_pref = ", " and ncbc_numero = "},
};

constexpr std::array<int, 5> kClientes = {31, 33, 41, 42, 45};
constexpr std::array<int, 5> kProveedores = {21, 24, 51, 52, 55};

bool en(const std::array<int, 5>& codigos, int codigo) {
  return std::find(codigos.begin(), codigos.end(), codigo) != codigos.end();
}

}  // namespace

const ConsultaDocumento* consulta_documento(int codigo, Subconjunto s) {
  if (s == Subconjunto::Clientes && !en(kClientes, codigo)) return nullptr;
  if (s == Subconjunto::Proveedores && !en(kProveedores, codigo)) return nullptr;
  for (const ConsultaDocumento& c : kConsultas)
    if (c.codigo == codigo) return &c;
  return nullptr;
}

std::optional<db::Value> buscar_id_documento(db::Connection& c, int codigo, std::string_view pref,
                                             std::string_view numero, Subconjunto s) {
  const ConsultaDocumento* q = consulta_documento(codigo, s);
  if (!q) return std::nullopt;
  db::Rows r = c.read(std::string(q->antes_prefijo) + quoted(pref) + std::string(q->antes_numero) +
                      quoted(numero));
  if (r.empty() || r.columns().empty() || r.at(0, 0).is_null()) return std::nullopt;
  return r.at(0, 0);
}

}  // namespace engine
