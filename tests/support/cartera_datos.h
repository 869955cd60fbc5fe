#pragma once
// Receivables, cash and bank documents for scenario tests, and the fixture their tests
// share: documents created on the source side of the phase under test, the events that
// announce them, and the target's sequences moved to ranges of their own so a copied
// header shows which procedure gave its id.
//
// A header of table T (column prefix P) holds: P_ID, TIDO_COD, its prefix, its number,
// P_FECHA 2026-12-05, TERC_NIT 900123456 (where the table has it), P_CONC "<T> <id>",
// P_VALOR 1234.56 + id, P_ANULADO "N", P_TRANSMIT "S", P_USUARIO "TESORERO", P_FECHAREG
// 2026-12-05 10:30, the columns a test adds, and every other fixed-point column
// 10 * id + a little.

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "db/connection.h"
#include "db/rows.h"
#include "db/value.h"
#include "support/escenario.h"

namespace testing_support {

// One document kind as the tests address it.
struct TablaDoc {
  int tipo;
  const char* tabla;                 // "RECIBOS_CAJA"
  const char* p;                     // "RECA": P_ID, P_FECHA, ...
  const char* numero;                // "RECA_NUMERO"
  const char* secuencia;             // what its identifier procedure draws from
  const char* prefijo = "PREF_PRE";  // "PRBA_PREF" for bank documents
  bool tercero = true;               // has TERC_NIT
  // Detail tables in copy order.
  std::vector<const char*> detalles = {};
};

// clang-format off
// Receivables and payables.
inline const TablaDoc kNotaDebitoCliente{
    41, "NOTAS_DEBITO_CLIENTES", "NDCL", "NDCL_NUMERO", "SEQ_NOTAS_CLIENTES"};
inline const TablaDoc kNotaCreditoCliente{
    42, "NOTAS_CREDITO_CLIENTES", "NCCL", "NCCL_NUMERO", "SEQ_NOTAS_CLIENTES"};
inline const TablaDoc kAplicacionCliente{
    43, "APLICACION_CLIENTE", "APCL", "APCL_NUMERO", "SEQ_APLICACION_CLIENTE", "PREF_PRE", true,
    {"APLICACION_CLIENTE_DETALLE"}};
inline const TablaDoc kAnticipoCliente{
    45, "ANTICIPOS_CLIENTE", "ANCL", "ANCL_NUMERO", "SEQ_ANTICIPOS_CLIENTE"};
inline const TablaDoc kNotaDebitoProveedor{
    51, "NOTAS_DEBITO_PROVEEDOR", "NDPR", "NDPR_NUMERO", "SEQ_NOTAS_DEBITO_PROVEEDOR"};
inline const TablaDoc kNotaCreditoProveedor{
    52, "NOTAS_CREDITO_PROVEEDOR", "NCPR", "NCPR_NUMERO", "SEQ_NOTAS_CREDITO_PROVEEDOR"};
inline const TablaDoc kAplicacionProveedor{
    53, "APLICACION_PROVEDOR", "APPR", "APPR_NUMERO", "SEQ_APLICACION_PROVEDOR", "PREF_PRE", true,
    {"APLICACION_PROVEEDOR_DETALLE"}};
inline const TablaDoc kAnticipoProveedor{
    55, "ANTICIPOS_PROVEEDOR", "ANPR", "ANPR_NUMERO", "SEQ_ANTICIPOS_PROVEEDOR"};
// Cash.
inline const TablaDoc kReciboCaja{
    61, "RECIBOS_CAJA", "RECA", "RECA_NUMERO", "SEQ_RECIBOS_CAJA", "PREF_PRE", true,
    {"RECIBOS_CAJA_DETALLE", "RECIBOS_CAJA_CRUCEC", "RECIBOS_CAJA_PAGO"}};
inline const TablaDoc kEgreso{
    62, "EGRESOS", "EGRE", "EGRE_NUMERO", "SEQ_EGRESOS", "PREF_PRE", true,
    {"EGRESOS_DETALLE", "EGRESOS_CRUCEC", "EGRESOS_CAJA", "EGRESOS_BANCO", "EGRESOS_CONTABILIDAD"}};
inline const TablaDoc kCambioDocumentos{
    63, "CAMBIO_DOCUMENTOS", "CADO", "CADO_NUMERO", "SEQ_CAMBIO_DOCUMENTOS", "PREF_PRE", true,
    {"CAMBIODOC_ENTRADAS", "CAMBIODOC_SALIDAS"}};
inline const TablaDoc kConsignaTarjetas{
    64, "CONSIGNA_TARJETAS", "COTJ", "COTJ_NUMERO", "SEQ_CONSIGNA_TARJETAS", "PREF_PRE", false,
    {"CONSIGNA_TARJETAS_DET"}};
inline const TablaDoc kReciboProvisional{
    65, "RECIBO_PROVISIONAL", "RCPR", "RCPR_NUMERO", "SEQ_RECIBO_PROVISIONAL", "PREF_PRE", true,
    {"RECIBO_PROVISIONAL_DETALLE", "RECIBO_PROVISIONAL_PAGO"}};
inline const TablaDoc kTrasladoCaja{
    66, "TRASLADOS_CAJA", "TRCJ", "TRCJ_NUMERO", "SEQ_TRASLADOS_CAJA", "PREF_PRE", false,
    {"TRASLADOS_CAJA_DET"}};
// Bank.
inline const TablaDoc kConsignacion{
    71, "CONSIGNA", "CONS", "CONS_NUMERO", "SEQ_CONSIGNA", "PRBA_PREF", true,
    {"CONSIGNA_DETALLE"}};
inline const TablaDoc kCheque{
    72, "CHEQUES", "CHEQ", "CHEQ_NUMERO", "SEQ_CHEQUES", "PRBA_PREF"};
inline const TablaDoc kRetiro{
    73, "RETIROS", "RETI", "RETI_NUMERO", "SEQ_RETIROS", "PRBA_PREF"};
inline const TablaDoc kNotaDebitoBanco{
    74, "NOTAS_DEBITO", "NDBC", "NDBC_NUMERO", "SEQ_NOTAS_DEBITO", "PRBA_PREF"};
inline const TablaDoc kNotaCreditoBanco{
    75, "NOTAS_CREDITO", "NCBC", "NCBC_NUMERO", "SEQ_NOTAS_CREDITO", "PRBA_PREF"};
inline const TablaDoc kTraslado{
    76, "TRASLADOS", "TRAS", "TRAS_NUMERO", "SEQ_TRASLADOS", "PRBA_PREF"};
inline const TablaDoc kDevolucionCheque{
    77, "DEVOLUCION_CHEQUES", "DVCH", "DVCH_NUMDOC", "SEQ_DEVOLUCION_CHEQUES", "PRBA_PREF"};
// clang-format on

using Columnas = std::vector<std::pair<std::string, db::Value>>;

// Inserts a row by column names.
void insertar_fila(db::Connection& c, std::string_view tabla, const Columnas& columnas);
// Inserts a row giving every column in table order.
void insertar_valores(db::Connection& c, std::string_view tabla,
                      const std::vector<db::Value>& valores);
// A detail row whose first columns are `primeras` and the others ordinary values by
// type, depending on the item (column 1) and the position: whole numbers 10 * item +
// position, fixed-point item + position / 100, texts "c<position>", dates 2026-12-05.
void insertar_linea(db::Connection& c, std::string_view tabla, std::vector<db::Value> primeras);
// A header of `t` as described above, plus `extra`.
void insertar_documento(db::Connection& c, const TablaDoc& t, std::int64_t id,
                        std::string_view pref, std::string_view numero, const Columnas& extra = {});
// A bare document of the customer or supplier (notes, advances, purchase invoices and
// returns, and the sales invoices and returns, whose tables are created here when the
// database has none): just its id, prefix and number.
void insertar_aplicable(db::Connection& c, int tipo, std::int64_t id, std::string_view pref,
                        std::string_view numero);

// Every row of a table, ordered by its first two columns.
db::Rows todo(db::Connection& c, std::string_view tabla);
// The rows of a detail table under one header id, ordered by item.
db::Rows lineas_doc(db::Connection& c, std::string_view tabla, std::int64_t id);
// The header found by prefix and number (and account, for bank documents).
db::Rows documento(db::Connection& c, const TablaDoc& t, std::string_view pref,
                   std::string_view numero, std::string_view cuenta = {});

// Two row sets hold the same rows, column by column, from `desde`.
void mismas_filas(const db::Rows& a, const db::Rows& b, std::size_t desde = 0);

// The scenarios of one phase: the source side is where the events live.
class Tesoreria : public Escenario, public ::testing::WithParamInterface<engine::Fase> {
 protected:
  bool subida() const { return GetParam() == engine::Fase::Subida; }
  db::Connection& origen() { return subida() ? bd1 : bd2; }
  db::Connection& destino() { return subida() ? bd2 : bd1; }

  // Moves the target's sequence of `t` to `desde` and returns the id its procedure
  // gives next.
  std::int64_t reiniciar(const TablaDoc& t, int desde);
  // An event for the other company; registered `minuto` minutes after 08:00, so
  // events queue in the order the test gives.
  std::int64_t anunciar(int tipo, std::int64_t iddoc, std::string_view pref,
                        std::string_view numero, std::string_view oper = "I",
                        std::string_view codigo = {});
  // Queues an event again, as the suite does when the document changes once more.
  void reabrir(std::int64_t ev);

  int minuto_ = 0;
};

}  // namespace testing_support
