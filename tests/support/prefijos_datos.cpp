#include "support/prefijos_datos.h"

#include "db/value.h"

namespace testing_support {
namespace {

using db::Value;

Value txt(std::string_view s) { return Value::text(std::string(s)); }

}  // namespace

void insertar_prefijo(db::Connection& c, int tido, std::string_view pref, int actual) {
  const std::string n = std::to_string(actual);
  c.execute(
      "INSERT INTO PREFIJOS (TIDO_COD, PREF_PRE, PREF_NOMBRE, PREF_ACTUAL, PREF_INICIAL, "
      "PREF_FINAL, PREF_AUTO, PREF_IVAINC, PREF_PROY, PREF_CENTRO, PREF_ACTIVO, PREF_USUARIO, "
      "TICO_COD, SUCU_ID, PREF_SUBC, PREF_DEC1818, PREF_FLETE, PREF_RESOLUCION, PREF_FECRESOL) "
      "VALUES (?, ?, ?, ?, ?, ?, 'S', 'N', ?, ?, 'S', ?, ?, ?, ?, 'N', 'S', ?, ?)",
      {Value::integer(tido), txt(pref), txt("Prefijo " + n), Value::integer(actual),
       Value::integer(actual / 2), Value::integer(actual * 10), txt("PRY" + n), txt("CC" + n),
       txt("USU" + n), txt("T" + n.substr(0, 3)), Value::integer(actual % 7 + 1), txt("SC" + n),
       txt("RES-" + n), Value::date({2026, 1, 1 + actual % 28})});
}

void insertar_formato(db::Connection& c, int tido, std::string_view pref, int ancho,
                      const std::vector<std::string>& campos, int lineas) {
  c.execute(
      "INSERT INTO FORMATOS (TIDO_COD, PREF_PRE, FORM_NOMBRE, FORM_PAPEL, FORM_ANCHO, FORM_ALTO, "
      "FORM_LINEAS, FORM_COPIAS, FORM_IMPRESORA, FORM_ACTIVO, FORM_USUARIO) VALUES (?, ?, ?, "
      "'CARTA', ?, 27.94, 40, 2, 'LPT1', 'S', 'DISENO')",
      {Value::integer(tido), txt(pref), txt("Formato " + std::to_string(ancho)),
       Value::fixed(ancho * 100 + 50, -2)});
  for (std::size_t i = 0; i < campos.size(); ++i) {
    const int n = static_cast<int>(i) + 1;
    c.execute(
        "INSERT INTO FORMATO_DATOS (TIDO_COD, PREF_PRE, FODA_CAMPO, FODA_FILA, FODA_COLUMNA, "
        "FODA_ANCHO, FODA_FUENTE, FODA_TAMANO, FODA_NEGRITA, FODA_ALINEA, FODA_IMPRIME) VALUES "
        "(?, ?, ?, ?, ?, ?, 'Courier', 10.5, 'N', 'I', 'S')",
        {Value::integer(tido), txt(pref), txt(campos[i]), Value::integer(n),
         Value::integer(ancho + n), Value::integer(10 * n)});
  }
  for (int i = 1; i <= lineas; ++i)
    c.execute(
        "INSERT INTO FORMATO_LINEAS (TIDO_COD, PREF_PRE, FOLI_ITEM, FOLI_CAMPO, FOLI_TITULO, "
        "FOLI_COLUMNA, FOLI_ANCHO, FOLI_DECIMALES, FOLI_ALINEA) VALUES (?, ?, ?, ?, ?, ?, ?, 2, "
        "'D')",
        {Value::integer(tido), txt(pref), Value::integer(i), txt("CAMPO" + std::to_string(i)),
         txt("Titulo " + std::to_string(ancho) + "-" + std::to_string(i)), Value::integer(12 * i),
         Value::integer(ancho + i)});
}

void insertar_parametros_ano(db::Connection& c, std::string_view ano, int salario) {
  c.execute(
      "INSERT INTO PARAMETROS_ANO (PAAN_ANO, PAAN_SALMIN, PAAN_AUXTRANS, PAAN_UVT, PAAN_TOPERET, "
      "PAAN_PORCIVA, PAAN_CERRADO, PAAN_USUARIO) VALUES (?, ?, 200000, 49799, 1344573, 19, 'N', "
      "'NOMINA')",
      {txt(ano), Value::integer(salario)});
}

}  // namespace testing_support
