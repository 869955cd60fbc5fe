#include "support/nomina_datos.h"

#include "db/value.h"

namespace testing_support {
namespace {

using db::Value;

Value txt(std::string_view s) { return Value::text(std::string(s)); }

}  // namespace

void insertar_redencion(db::Connection& c, std::int64_t id, std::string_view pref,
                        std::string_view numero, int puntos) {
  c.execute(
      "INSERT INTO PUNTOS_REDENCION (PTRE_ID, TIDO_COD, PREF_PRE, PTRE_NUMERO, PTRE_FECHA, "
      "TERC_NIT, PTRE_PUNTOS, PTRE_VALOR, PTRE_CONC, PTRE_ANULADO, PTRE_USUARIO, PTRE_FECHAREG) "
      "VALUES (?, 81, ?, ?, '2026-12-05', '71222333', ?, ?, ?, 'N', 'CAJERO', "
      "'2026-12-05 17:40:00')",
      {Value::integer(id), txt(pref), txt(numero), Value::integer(puntos),
       Value::fixed(puntos * 1000 + 25, -2), txt("Redencion " + std::to_string(puntos))});
}

void insertar_cartera_nomina(db::Connection& c, std::int64_t id, const std::vector<Abono>& abonos) {
  c.execute(
      "INSERT INTO NOMINA_CARTERA (NCAR_ID, TERC_NIT, NCAR_ANO, NCAR_PERIODO, NCAR_FECHA, "
      "NCAR_TOTAL, NCAR_USUARIO) VALUES (?, '1020304', 2026, 23, '2026-12-05', ?, 'NOMINA')",
      {Value::integer(id), Value::integer(1000 * static_cast<std::int64_t>(abonos.size()))});
  for (std::size_t i = 0; i < abonos.size(); ++i) {
    const Abono& a = abonos[i];
    const std::int64_t item = static_cast<std::int64_t>(i) + 1;
    c.execute(
        "INSERT INTO NOMINA_CARTERA_DETALLE (NCAR_ID, NCDE_ITEM, NCDE_TIPODOC, NCDE_IDDOC, "
        "NCDE_PREF, NCDE_NUMERO, NCDE_CUOTA, NCDE_VALOR, NCDE_OBS) VALUES (?, ?, ?, ?, ?, ?, 1, "
        "?, ?)",
        {Value::integer(id), Value::integer(item), Value::integer(a.tipo), Value::integer(a.iddoc),
         txt(a.pref), txt(a.numero), Value::integer(1000 * item),
         txt("Abono " + std::to_string(item))});
  }
}

void insertar_concepto_nomina(db::Connection& c, int codigo, std::string_view nombre) {
  c.execute(
      "INSERT INTO CONCEPTOS_NOMINA (CONC_COD, CONC_NOMBRE, CONC_TIPO, CONC_PORC, CONC_CUENTA, "
      "CONC_PRESTACIONAL, CONC_ACTIVO) VALUES (?, ?, 'D', 4, '237005', 'S', 'S')",
      {Value::integer(codigo), txt(nombre)});
}

void insertar_horas_extra(db::Connection& c, std::int64_t id, std::string_view nit, int ano,
                          int periodo, int horas) {
  c.execute(
      "INSERT INTO NOMINA_HORASEXT (NOEX_ID, TERC_NIT, NOEX_ANO, NOEX_PERIODIO, NOEX_DIURNAS, "
      "NOEX_NOCTURNAS, NOEX_FESTIVAS, NOEX_VALOR, NOEX_USUARIO) VALUES (?, ?, ?, ?, ?, 2, 0, ?, "
      "'NOMINA')",
      {Value::integer(id), txt(nit), Value::integer(ano), Value::integer(periodo),
       Value::integer(horas), Value::integer(horas * 8500)});
}

void insertar_novedad(db::Connection& c, std::int64_t id, std::string_view nit,
                      std::string_view tnov, std::string_view fecha, int lineas, int valor) {
  c.execute(
      "INSERT INTO NOMINA_NOVEDADES (NONO_ID, TERC_NIT, TNOV_COD, NONO_FECHA, NONO_DIAS, "
      "NONO_VALOR, NONO_OBS, NONO_USUARIO) VALUES (?, ?, ?, ?, ?, ?, ?, 'NOMINA')",
      {Value::integer(id), txt(nit), txt(tnov), txt(fecha), Value::integer(lineas),
       Value::integer(valor * lineas), txt("Novedad " + std::to_string(valor))});
  for (int i = 1; i <= lineas; ++i)
    c.execute(
        "INSERT INTO NOMINA_NOVEDADES_DETALLE (NONO_ID, NNDE_ITEM, NNDE_FECHA, NNDE_CONC, "
        "NNDE_HORAS, NNDE_VALOR) VALUES (?, ?, ?, 10, 8, ?)",
        {Value::integer(id), Value::integer(i), txt(fecha), Value::integer(valor * i)});
}

void insertar_movimiento_cliente(db::Connection& c, std::int64_t id, int tipo, std::int64_t idref,
                                 std::string_view pref, std::string_view numero) {
  c.execute(
      "INSERT INTO MOVIMIENTO_CLIENTES (MVCL_ID, TERC_NIT, MVCL_FECHA, MVCL_TIPOREF, MVCL_IDREF, "
      "MVCL_PREFREF, MVCL_NUMREF, MVCL_DEBITO, MVCL_CREDITO) VALUES (?, '71222333', "
      "'2026-12-05', ?, ?, ?, ?, 119000, 0)",
      {Value::integer(id), Value::integer(tipo), Value::integer(idref), txt(pref), txt(numero)});
}

void insertar_puntos_cliente(db::Connection& c, std::int64_t id, int tipo, std::int64_t iddoc,
                             int puntos) {
  c.execute(
      "INSERT INTO PUNTOS_CLIENTE (PTCL_ID, TERC_NIT, PTCL_TIPODOC, PTCL_IDDOC, PTCL_FECHA, "
      "PTCL_BASE, PTCL_PUNTOS, PTCL_VENCE) VALUES (?, '71222333', ?, ?, '2026-12-05', ?, ?, "
      "'2027-12-05')",
      {Value::integer(id), Value::integer(tipo), Value::integer(iddoc),
       Value::integer(puntos * 1000), Value::integer(puntos)});
}

}  // namespace testing_support
