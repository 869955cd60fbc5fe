// Bank documents: deposits (71), cheques (72), withdrawals (73), bank debit notes (74),
// bank credit notes (75), transfers (76) and returned cheques (77), the same in both
// phases, without NUMOK. A bank document is found by its account (RPEV_CODIGO), its
// bank prefix (PRBA_PREF) and its number; the account code is quoted like every other
// text, so a code holding a quote is matched as it is written. Only deposits have
// lines.
#include "engine/cotejo.h"
#include "engine/protocolo.h"
#include "handlers/registro.h"

namespace handlers {
namespace {

using engine::Contexto;
using engine::Documento;

// Type 71, bank deposits. The replace deletes the old lines in the same transaction as
// the header update; an undone deposit loses its lines, then its header.
const Documento kConsignacion{
    .letras = "DA",
    .lectura = "select * from consigna where cons_id = {iddoc}",
    .busqueda =
        "SELECT * FROM CONSIGNA WHERE CUBA_COD = {codigo} AND PRBA_PREF = {pref} AND "
        "CONS_NUMERO = {numero}",
    .anulado = "CONS_ANULADO",
    .identificador = {.procedimiento = "cambie_id_consigna"},
    .borrar_al_reemplazar = {"delete from consigna_detalle where cons_id = {id}"},
    .detalles = {{"select * from consigna_detalle where cons_id = {iddoc}",
                  "SELECT * FROM CONSIGNA_DETALLE WHERE CONS_ID = {id}"}},
    .deshacer = {"DELETE FROM CONSIGNA WHERE CONS_ID = {id}"},
};

// Type 72, cheques.
const Documento kCheque{
    .letras = "DA",
    .lectura = "select * from cheques where cheq_id = {iddoc}",
    .busqueda =
        "SELECT * FROM CHEQUES WHERE CUBA_COD = {codigo} AND PRBA_PREF = {pref} AND "
        "CHEQ_NUMERO = {numero}",
    .anulado = "CHEQ_ANULADO",
    .identificador = {.procedimiento = "cambie_id_cheque"},
};

// Type 73, withdrawals.
const Documento kRetiro{
    .letras = "DA",
    .lectura = "select * from retiros where reti_id = {iddoc}",
    .busqueda =
        "SELECT * FROM RETIROS WHERE CUBA_COD = {codigo} AND PRBA_PREF = {pref} AND "
        "RETI_NUMERO = {numero}",
    .anulado = "RETI_ANULADO",
    .identificador = {.procedimiento = "cambie_id_retiro"},
};

// Type 74, bank debit notes.
const Documento kNotaDebitoBanco{
    .letras = "DA",
    .lectura = "select * from NOTAS_DEBITO where ndbc_id = {iddoc}",
    .busqueda =
        "SELECT * FROM NOTAS_DEBITO WHERE CUBA_COD = {codigo} AND PRBA_PREF = {pref} AND "
        "NDBC_NUMERO = {numero}",
    .anulado = "NDBC_ANULADO",
    .identificador = {.procedimiento = "cambie_id_nota_db_banco"},
};

// Type 75, bank credit notes.
const Documento kNotaCreditoBanco{
    .letras = "DA",
    .lectura = "select * from notas_credito where ncbc_id = {iddoc}",
    .busqueda =
        "SELECT * FROM NOTAS_CREDITO WHERE CUBA_COD = {codigo} AND PRBA_PREF = {pref} AND "
        "NCBC_NUMERO = {numero}",
    .anulado = "NCBC_ANULADO",
    .identificador = {.procedimiento = "cambie_id_nota_cr_banco"},
};

// Type 76, transfers between accounts.
const Documento kTraslado{
    .letras = "DA",
    .lectura = "select * from traslados where tras_id = {iddoc}",
    .busqueda =
        "SELECT * FROM TRASLADOS WHERE CUBA_COD = {codigo} AND PRBA_PREF = {pref} AND "
        "TRAS_NUMERO = {numero}",
    .anulado = "TRAS_ANULADO",
    .identificador = {.procedimiento = "cambie_id_traslado"},
};

// Type 77, returned cheques, numbered in DVCH_NUMDOC.
const Documento kDevolucionCheque{
    .letras = "DA",
    .lectura = "select * from devolucion_cheques where dvch_id = {iddoc}",
    .busqueda =
        "SELECT * FROM DEVOLUCION_CHEQUES WHERE CUBA_COD = {codigo} AND PRBA_PREF = {pref} AND "
        "DVCH_NUMDOC = {numero}",
    .anulado = "DVCH_ANULADO",
    .identificador = {.procedimiento = "cambie_id_dev_cheques"},
};

struct Tipo {
  int codigo;
  const Documento& documento;
};
const Tipo kTipos[] = {
    {71, kConsignacion},     {72, kCheque},   {73, kRetiro},           {74, kNotaDebitoBanco},
    {75, kNotaCreditoBanco}, {76, kTraslado}, {77, kDevolucionCheque},
};

}  // namespace

void registrar_bancos(engine::TablaTipos& t) {
  for (const Tipo& tipo : kTipos) {
    const Documento& d = tipo.documento;
    t.registrar(tipo.codigo, engine::copia(d));
  }
}

}  // namespace handlers
