#include "support/terceros_datos.h"

#include <stdexcept>

namespace testing_support {

const std::vector<InterfazPrueba>& interfaces_prueba() {
  static const std::vector<InterfazPrueba> todas{
      {111, "INTERFAZ_BANCOS", "INBA_ID", "INTERFAZ_BANCOS_CTAS", "INBC_ITEM"},
      {112, "INTERFAZ_CAJA", "INCJ_ID", "INTERFAZ_CAJA_CTAS", "INJC_ITEM"},
      {113, "INTERFAZ_CARTERA", "INCA_ID", "INTERFAZ_CARTERA_CTAS", "INCD_ITEM"},
      {114, "INTERFAZ_COMPRAS", "INCO_ID", "INTERFAZ_COMPRAS_CTAS", "INCC_ITEM"},
      {115, "INTERFAZ_CXPAGAR", "INCP_ID", "INTERFAZ_CXPAGAR_CTAS", "INPC_ITEM"},
      {116, "INTERFAZ_INVENTARIO", "ININ_ID", "INTERFAZ_INVENTARIO_CTAS", "INIC_ITEM"},
      {117, "INTERFAZ_VENTAS", "INVE_ID", "INTERFAZ_VENTAS_CTAS", "INVC_ITEM"},
  };
  return todas;
}

namespace {

CasoMaestro caso_interfaz(const InterfazPrueba& i) {
  const std::string donde = i.id + " = 11";
  CasoMaestro c{
      .tipo = i.tipo,
      .nombre = i.encabezado,
      .iddoc = 11,
      .tablas = {{i.encabezado, donde}, {i.cuentas, donde}},
      .filas = {"INSERT INTO " + i.encabezado +
                " VALUES (11, '{v}', 'Interfaz {v}', 'CC{v}', '{v}', 'USUARIO{v}')"},
      .vecina = "INSERT INTO " + i.encabezado + " VALUES (12, '1', 'Otra', 'CC', 'S', 'U')"};
  for (const char* n : {"1", "2", "3"})
    c.filas.push_back("INSERT INTO " + i.cuentas + " VALUES (11, " + n + ", 'Concepto " + n +
                      "-{v}', '1105{v}" + n + "', '{v}', {v}." + n + ", '80012{v}')");
  return c;
}

}  // namespace

const std::vector<CasoMaestro>& casos_terceros() {
  static const std::vector<CasoMaestro> casos = [] {
    std::vector<CasoMaestro> c{
        {.tipo = 100,
         .nombre = "Cuenta",
         .codigo = "1105'05",
         .tablas = {{"CUENTAS", "CUEN_COD = '1105''05'"}},
         .filas = {"INSERT INTO CUENTAS VALUES ('1105''05', 'Caja general {v}', {v}, '{v}', '{v}', "
                   "'{v}', '{v}', {v}000.5, {v}.5, '1105{v}', '{v}')"},
         .vecina = "INSERT INTO CUENTAS VALUES ('110510', 'Caja menor', 4, 'D', 'S', 'N', 'N', 0, "
                   "0, '110510', 'S')"},
        {.tipo = 102,
         .nombre = "Tercero",
         .borra = "D",
         .codigo = "800'123",
         .tablas = {{"TERCEROS", "TERC_NIT = '800''123'"}},
         .filas = {"INSERT INTO TERCEROS VALUES ('800''123', '{v}', 'N{v}', 'Tercero {v}', "
                   "'Calle {v}', '60{v}', 't{v}@correo.example', '0500{v}', '{v}', '{v}', '{v}', "
                   "'{v}', '2026-0{v}-01 10:00:00', 'USUARIO{v}')"},
         .vecina = "INSERT INTO TERCEROS (TERC_NIT, TERC_NOMBRE) VALUES ('800999', 'Otro')"},
        {.tipo = 103,
         .nombre = "Cliente",
         .borra = "D",
         .codigo = "800'123",
         .tablas = {{"CLIENTES", "TERC_NIT = '800''123'"}},
         .filas = {"INSERT INTO CLIENTES VALUES ('800''123', {v}00000, {v}0, {v}, 'V{v}', 'C{v}', "
                   "{v}.5, '{v}', '{v}', '2026-0{v}-02')"},
         .vecina = "INSERT INTO CLIENTES (TERC_NIT, CLIE_CUPO) VALUES ('800999', 1)"},
        {.tipo = 104,
         .nombre = "Proveedor",
         .borra = "D",
         .codigo = "800'123",
         .tablas = {{"PROVEEDORES", "TERC_NIT = '800''123'"}},
         .filas = {"INSERT INTO PROVEEDORES VALUES ('800''123', {v}0000, {v}5, 'Contacto {v}', "
                   "{v}.25, '{v}', '{v}')"},
         .vecina = "INSERT INTO PROVEEDORES (TERC_NIT, PROV_CUPO) VALUES ('800999', 1)"},
        {.tipo = 105,
         .nombre = "Cobrador",
         .borra = "D",
         .codigo = "C'01",
         .tablas = {{"COBRADORES", "COBR_COD = 'C''01'"}},
         .filas =
             {"INSERT INTO COBRADORES VALUES ('C''01', 'Cobrador {v}', '70{v}', {v}.5, '{v}')"},
         .vecina = "INSERT INTO COBRADORES VALUES ('C02', 'Otro cobrador', NULL, 1, 'S')"},
        {.tipo = 106,
         .nombre = "Vendedor",
         .borra = "D",
         .codigo = "V'01",
         .tablas = {{"VENDEDORES", "VEND_COD = 'V''01'"}},
         .filas = {"INSERT INTO VENDEDORES VALUES ('V''01', 'Vendedor {v}', '71{v}', {v}.5, "
                   "{v}000000, {v}, '{v}')"},
         .vecina = "INSERT INTO VENDEDORES VALUES ('V02', 'Otro vendedor', NULL, 1, 1, 1, 'S')"},
    };
    for (const InterfazPrueba& i : interfaces_prueba()) c.push_back(caso_interfaz(i));
    return c;
  }();
  return casos;
}

const CasoMaestro& caso_tercero(int tipo) {
  for (const CasoMaestro& c : casos_terceros())
    if (c.tipo == tipo) return c;
  throw std::out_of_range("no case for code " + std::to_string(tipo));
}

}  // namespace testing_support
