#include "support/esquema_distinto.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <sstream>
#include <stdexcept>

#include "plataforma/proceso.h"

namespace testing_support {
namespace {

// The columns the system names, per table: each table's name (with "/N" when the
// system also names positions up to N, which then keep their column; position 0, a
// header's id or a line's header id, always does) and its named columns, "*" for all
// of them. A line that begins with blanks goes on with the table above. The tables
// that record what the suite's procedures were called with belong to the tests, not to
// the suite, and keep their names.
constexpr std::string_view kNombradas = R"(
ACUMULA_PUNTOS_DOCUMENTO *
ACUMULA_PUNTOS_LLAMADAS *
AJUSTES AJUS_ID PREF_PRE AJUS_NUMERO AJUS_CONC AJUS_ANULADO NUMOK
AJUSTES_DETALLE AJUS_ID
ANTICIPOS_CLIENTE/23 ANCL_ID PREF_PRE ANCL_NUMERO ANCL_ANULADO RECA_ID
ANTICIPOS_PROVEEDOR/22 ANPR_ID PREF_PRE ANPR_NUMERO ANPR_ANULADO EGRE_ID
APLICACION_CLIENTE APCL_ID PREF_PRE APCL_NUMERO APCL_ANULADO
APLICACION_CLIENTE_DETALLE/5 APCL_ID
APLICACION_PROVEDOR APPR_ID PREF_PRE APPR_NUMERO APPR_ANULADO
APLICACION_PROVEEDOR_DETALLE/5 APPR_ID
ARTICULO ARTI_COD ARTI_DES GRUP_COD SUBG_COD MARC_COD FABR_COD ARTI_DESVAR ARTI_TIPO
    ARTI_EXIST ARTI_FECHA ARTI_UNIDAD ARTI_PRECIO ARTI_CONSUMO ARTI_IMPBA ARTI_IMPUP
    ARTI_ISVTA ARTI_IMPOTRO ARTI_PESO ARTI_ANCHO ARTI_ALTO ARTI_LARGO ARTI_OBS ARTI_FOTO
    ARTI_PESOAUTO ARTI_DECIMALES ARTI_IMPLABF ARTI_VIDAUTIL ARTI_UNIPVTA ARTI_MAX ARTI_MIN
    ARTI_DIAS ESAR_COD ARTI_USUARIO TAIV_COD ARTI_CLASE ARTI_DIANALIS ARTI_DESCORTA
    ARTI_PRODCANT ARTI_CICLO ARTI_TIENDA ARTI_ENSAMBLE ARTI_VALORBONO ARTI_MERMA
    ARTI_SOBRANTE ARTI_PORCSOBR ARTI_DEC2799 ARTI_TERCERO ARTI_INVIMA ARTI_INVIMAV
    ARTI_INALC ARTI_DTOMAX ARTI_CUM ARTI_POSARANCEL ARTI_REUSOB ARTI_MERMAENT ARTI_MERMAPOR
    ARTI_SOBTOT ARTI_URL ARTI_MINDIAS ARTI_MAXDIAS ARTI_NIVINS ARTI_ENVASE
ARTICULOS_PRODUCTO/1 ARTI_COD ARPR_ITEM
ARTICULOS_SUCURSAL ARTI_COD SUCU_ID
BARRAS_ARTICULO/1 ARTI_COD COBA_COD
CAMBIODOC_ENTRADAS CADO_ID
CAMBIODOC_SALIDAS CADO_ID
CAMBIO_DOCUMENTOS CADO_ID PREF_PRE CADO_NUMERO CADO_ANULADO
CHEQUES CHEQ_ID CUBA_COD PRBA_PREF CHEQ_NUMERO CHEQ_ANULADO
CLIENTES TERC_NIT
COBRADORES COBR_COD
COMPANIA *
COMPROBANTE_DETALLE ENCO_CONSEC
COMPROBANTE_DETALLE_NIIF ENCO_CONSEC
COMPROBANTE_ENCABEZADO/8 ENCO_CONSEC TICO_COD PRCO_PREF ENCO_NUMERO
CONCEPTOS_NOMINA CONC_COD
CONFIGURACION *
CONSIGNA CONS_ID CUBA_COD PRBA_PREF CONS_NUMERO CONS_ANULADO
CONSIGNA_DETALLE CONS_ID
CONSIGNA_TARJETAS COTJ_ID PREF_PRE COTJ_NUMERO COTJ_ANULADO
CONSIGNA_TARJETAS_DET COTJ_ID
CONSOLIDE_FALTANTES *
CONTABIL_ARTICULO ARTI_COD
COTIZACIONES COTI_ID PREF_PRE COTI_NUMERO COTI_ANULADO
COTIZACIONES_DETALLE COTI_ID
CUENTAS CUEN_COD
DESCUENTOS_PRECIOS DCTP_ID
DESCUENTOS_PRECIOS_DET DCTP_ID ARTI_COD
DESENSAMBLES DESE_ID PREF_PRE DESE_NUMERO DESE_ANULADO NUMOK
DESENSAMBLES_DETALLE DESE_ID
DEVOLUCIONES_COMPRAS DVCO_ID TIDO_COD PREF_PRE DVCO_NUMERO DVCO_FECHA BODE_COD TERC_NIT
    DVCO_FACTURA DVCO_FACTID DVCO_IMPTOS DVCO_ANULADO DVCO_TRANSMIT DVCO_USUARIO DVCO_OBS
    NUMOK
DEVOLUCIONES_COMPRAS_DET DVCO_ID DVCD_ITEM BODE_COD ARTI_COD DVCD_CANT DVCD_UNIDAD
    DVCD_FACTOR DVCD_LOTE DVCD_DESC DVCD_PRUNIT DVCD_IVAPORC DVCD_IVAMONTO DVCD_CONSUMO
    DVCD_TOTAL DVCD_CODBAR DVCD_ANULADO DVCD_OBS
DEVOLUCIONES_VENTAS/29 DEVT_ID PREF_PRE DEVT_NUMERO TERC_NIT DEVT_ANULADO DEVT_FACTURA
    DEVT_FACTID
DEVOLUCIONES_VENTAS_DETALLE DEVT_ID
DEVOLUCION_CHEQUES DVCH_ID CUBA_COD PRBA_PREF DVCH_NUMDOC DVCH_ANULADO
EGRESOS EGRE_ID PREF_PRE EGRE_NUMERO EGRE_ANULADO
EGRESOS_BANCO EGRE_ID
EGRESOS_CAJA EGRE_ID
EGRESOS_CONTABILIDAD EGRE_ID
EGRESOS_CRUCEC/4 EGRE_ID EGCC_IDDOC
EGRESOS_DETALLE/5 EGRE_ID
ENSAMBLES ENSA_ID PREF_PRE ENSA_NUMERO ENSA_ANULADO NUMOK
ENSAMBLES_DETALLE ENSA_ID
ENTRADAS ENTR_ID TIDO_COD PREF_PRE ENTR_NUMERO ENTR_FECHA BODE_COD TERC_NIT ENTR_NOMTERC
    ENTR_CONC ENTR_REFER ENTR_TIPOREF ENTR_IDREF ENTR_ORDEN ENTR_ORDENID ENTR_IMPTOS
    ENTR_ANULADO ENTR_TRANSMIT ENTR_USUARIO ENTR_OBS NUMOK
ENTRADAS_DETALLE ENTR_ID ENDE_ITEM BODE_COD ARTI_COD ENDE_CANT ENDE_UNIDAD ENDE_FACTOR
    ENDE_LOTE ENDE_DESC ENDE_COSTO ENDE_DTOPORC ENDE_DTOMONTO ENDE_IVAPORC ENDE_IVAMONTO
    ENDE_CONSUMO ENDE_TOTAL ENDE_CODBAR ENDE_ANULADO ENDE_OBS
FABRICANTES FABR_COD
FACTURAS FACT_ID TIDO_COD PREF_PRE FACT_NUMERO FACT_FECHA BODE_COD TERC_NIT FACT_NOMCLIENTE
    FACT_IVAINC FACT_CONSOLIDA FACT_CUFE FACT_ANULADO FACT_TRANSMIT FACT_USUARIO FACT_OBS
FACTURAS_COMPRA FACO_ID TIDO_COD PREF_PRE FACO_NUMERO FACO_FECHA BODE_COD TERC_NIT FACO_CONC
    FACO_IMPTOS FACO_ANULADO FACO_TRANSMIT FACO_USUARIO FACO_OBS NUMOK
FACTURAS_COMPRAS_DETALLE/18 FACO_ID FCDE_ITEM BODE_COD ARTI_COD FCDE_CANT FCDE_UNIDAD
    FCDE_FACTOR FCDE_LOTE FCDE_DESC FCDE_PRUNIT FCDE_DTOPORC FCDE_DTOMONTO FCDE_IVAPORC
    FCDE_IVAMONTO FCDE_CONSUMO FCDE_TOTAL FCDE_CODBAR FCDE_ANULADO FCDE_OBS
FACTURAS_CONTADO_PAGO FCNT_ID
FACTURAS_DETALLE/18 FACT_ID FADE_ITEM BODE_COD ARTI_COD FADE_CANT FADE_UNIDAD FADE_FACTOR
    FADE_LOTE FADE_DESC FADE_PRUNIT FADE_IVAPORC FADE_IVAMONTO FADE_CONSUMO FADE_TOTAL
    FADE_CODBAR FADE_ANULADO FADE_OBS
FORMATOS TIDO_COD PREF_PRE
FORMATO_DATOS TIDO_COD PREF_PRE
FORMATO_LINEAS TIDO_COD PREF_PRE
GRUPO GRUP_COD
INTERFAZ_BANCOS INBA_ID
INTERFAZ_BANCOS_CTAS/1 INBA_ID INBC_ITEM
INTERFAZ_CAJA INCJ_ID
INTERFAZ_CAJA_CTAS/1 INCJ_ID INJC_ITEM
INTERFAZ_CARTERA INCA_ID
INTERFAZ_CARTERA_CTAS/1 INCA_ID INCD_ITEM
INTERFAZ_COMPRAS INCO_ID
INTERFAZ_COMPRAS_CTAS/1 INCO_ID INCC_ITEM
INTERFAZ_CXPAGAR INCP_ID
INTERFAZ_CXPAGAR_CTAS/1 INCP_ID INPC_ITEM
INTERFAZ_INVENTARIO ININ_ID
INTERFAZ_INVENTARIO_CTAS/1 ININ_ID INIC_ITEM
INTERFAZ_VENTAS INVE_ID
INTERFAZ_VENTAS_CTAS/1 INVE_ID INVC_ITEM
MARCAS MARC_COD
MOVIMIENTO_CLIENTES MVCL_TIPOREF MVCL_IDREF MVCL_PREFREF MVCL_NUMREF
NOMINA_CARTERA NCAR_ID
NOMINA_CARTERA_DETALLE/5 NCAR_ID
NOMINA_HORASEXT NOEX_ID TERC_NIT NOEX_ANO NOEX_PERIODIO
NOMINA_NOVEDADES NONO_ID TERC_NIT TNOV_COD NONO_FECHA
NOMINA_NOVEDADES_DETALLE NONO_ID
NOTAS_CREDITO NCBC_ID CUBA_COD PRBA_PREF NCBC_NUMERO NCBC_ANULADO
NOTAS_CREDITO_CLIENTES NCCL_ID PREF_PRE NCCL_NUMERO NCCL_ANULADO
NOTAS_CREDITO_PROVEEDOR NCPR_ID PREF_PRE NCPR_NUMERO NCPR_ANULADO
NOTAS_DEBITO NDBC_ID CUBA_COD PRBA_PREF NDBC_NUMERO NDBC_ANULADO
NOTAS_DEBITO_CLIENTES NDCL_ID PREF_PRE NDCL_NUMERO NDCL_ANULADO
NOTAS_DEBITO_PROVEEDOR NDPR_ID PREF_PRE NDPR_NUMERO NDPR_ANULADO
ORDENES_INVENTARIO ORIN_ID PREF_PRE ORIN_NUMERO ORIN_ANULADO NUMOK
ORDENINVENTARIO_DETALLE ORIN_ID
PARAMETROS_ANO PAAN_ANO
PEDIDOS PEDI_ID PREF_PRE PEDI_NUMERO PEDI_ANULADO
PEDIDOS_DETALLE PEDI_ID
PRECIOS_ARTICULO LIPR_COD ARTI_COD PRAR_FIJO PRAR_MARGEN PRAR_UTIL PRAR_AUTO PRAR_CONSUMO
    PRAR_COMI PRAR_COMIMONTO PRAR_CANTMIN PRAR_DTO1 PRAR_DTO2 PRAR_COMIC PRAR_REDON
    PRAR_ESCALAS
PRECIOS_FUTUROS PRFU_ID
PRECIOS_FUTUROS_ARTICULOS PRFU_ID ARTI_COD
PREFIJOS TIDO_COD PREF_PRE PREF_ACTUAL PREF_AUTO PREF_IVAINC PREF_PROY PREF_CENTRO
    PREF_ACTIVO PREF_USUARIO TICO_COD SUCU_ID PREF_SUBC PREF_DEC1818 PREF_FLETE
PROVEEDORES TERC_NIT
PUNTOS_CLIENTE PTCL_ID PTCL_TIPODOC PTCL_IDDOC
PUNTOS_REDENCION PTRE_ID PREF_PRE PTRE_NUMERO PTRE_ANULADO
RECIBOS_CAJA RECA_ID PREF_PRE RECA_NUMERO RECA_ANULADO
RECIBOS_CAJA_CRUCEC/5 RECA_ID
RECIBOS_CAJA_DETALLE/5 RECA_ID
RECIBOS_CAJA_PAGO RECA_ID
RECIBO_PROVISIONAL RCPR_ID PREF_PRE RCPR_NUMERO RCPR_ANULADO
RECIBO_PROVISIONAL_DETALLE RCPR_ID
RECIBO_PROVISIONAL_PAGO RCPR_ID
REMISIONES_VENTA REVT_ID PREF_PRE REVT_NUMERO REVT_ANULADO
REMISIONES_VENTA_DETALLE REVT_ID
REMISION_PROVEEDOR REPR_ID TIDO_COD PREF_PRE REPR_NUMERO REPR_FECHA BODE_COD TERC_NIT
    REPR_CONC REPR_IMPTOS REPR_ANULADO REPR_TRANSMIT REPR_USUARIO REPR_OBS NUMOK
REMISION_PROVEEDOR_DET/18 *
REPLICACION_CONFIGURA *
REPLICA_COMPANIA *
REPLICA_EVENTOS *
RESERVAS RESE_ID PREF_PRE RESE_NUMERO RESE_ANULADO NUMOK
RESERVAS_DETALLE RESE_ID
RETIROS RETI_ID CUBA_COD PRBA_PREF RETI_NUMERO RETI_ANULADO
SALIDAS SALI_ID TIDO_COD PREF_PRE SALI_NUMERO SALI_FECHA BODE_COD TERC_NIT SALI_NOMTERC
    SALI_CONC SALI_REFER SALI_TIPOREF SALI_IDREF SALI_RESERVA SALI_RESEID SALI_IMPTOS
    SALI_ANULADO SALI_TRANSMIT SALI_USUARIO SALI_OBS NUMOK
SALIDAS_DETALLE SALI_ID SADE_ITEM BODE_COD ARTI_COD SADE_CANT SADE_UNIDAD SADE_FACTOR
    SADE_LOTE SADE_DESC SADE_COSTO SADE_IVAPORC SADE_IVAMONTO SADE_CONSUMO SADE_TOTAL
    SADE_CODBAR SADE_ANULADO SADE_OBS
SUBGRUPO GRUP_COD SUBG_COD
SUCURSALES *
TERCEROS TERC_NIT
TIPO_DOCUMENTO *
TRASFERENCIAS TRAN_ID PREF_PRE TERC_NIT TRAN_NUMERO TRAN_FECHA TRAN_BODDES TRAN_CONC TRAN_IMPTOS
    TRAN_ANULADO TRAN_TRANSMIT TRAN_USUARIO TRAN_OBS NUMOK
TRASFERENCIAS_DETALLE TRAN_ID TRAS_ITEM ARTI_COD TRAS_CANT TRAS_UNIDAD TRAS_FACTOR TRAS_LOTE
    TRAS_DESC TRAS_COSTO TRAS_IVAPORC TRAS_IVAMONTO TRAS_CONSUMO TRAS_TOTAL TRAS_CODBAR
    TRAS_ANULADO TRAS_OBS
TRASLADOS TRAS_ID CUBA_COD PRBA_PREF TRAS_NUMERO TRAS_ANULADO
TRASLADOS_CAJA TRCJ_ID PREF_PRE TRCJ_NUMERO TRCJ_ANULADO
TRASLADOS_CAJA_DET TRCJ_ID
ULTIMOS_COSTOS *
UNIDAD_ARTICULO/1 ARTI_COD UNAR_UNIDAD
USUARIO USUA_COD USUA_NOMBRE
VENDEDORES VEND_COD
)";

// A column the system does not name is called so there.
std::string otro_nombre(std::string_view columna) { return "OTRO_" + std::string(columna); }

std::string mayusculas(std::string_view s) {
  std::string out(s);
  std::transform(out.begin(), out.end(), out.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return out;
}

bool inicio_palabra(char c) { return std::isalpha(static_cast<unsigned char>(c)) || c == '_'; }
bool de_palabra(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '$';
}

// One piece of a statement: a word, quoted text (or a quoted name), or anything else
// (blanks and comments included), each as written.
struct Pieza {
  enum Tipo { Palabra, Cita, Otra } tipo;
  std::string texto;
};

std::vector<Pieza> piezas(std::string_view s) {
  std::vector<Pieza> out;
  std::size_t i = 0;
  while (i < s.size()) {
    const char c = s[i];
    std::size_t fin = i + 1;
    Pieza::Tipo tipo = Pieza::Otra;
    if (c == '\'' || c == '"') {
      tipo = Pieza::Cita;
      while (fin < s.size() && !(s[fin] == c && (fin + 1 >= s.size() || s[fin + 1] != c)))
        fin += s[fin] == c ? 2 : 1;
      fin = std::min(fin + 1, s.size());
    } else if (s.substr(i, 2) == "--") {
      fin = std::min(s.find('\n', i), s.size());
    } else if (s.substr(i, 2) == "/*") {
      fin = std::min(s.find("*/", i + 2), s.size() - 2) + 2;
    } else if (inicio_palabra(c)) {
      tipo = Pieza::Palabra;
      while (fin < s.size() && de_palabra(s[fin])) ++fin;
    } else if (std::isdigit(static_cast<unsigned char>(c))) {
      while (fin < s.size() && (de_palabra(s[fin]) || s[fin] == '.')) ++fin;
    }
    out.push_back({tipo, std::string(s.substr(i, fin - i))});
    i = fin;
  }
  return out;
}

bool es(const Pieza& p, std::string_view palabra) {
  return p.tipo == Pieza::Palabra && mayusculas(p.texto) == palabra;
}
bool blanco(const Pieza& p) {
  return p.tipo == Pieza::Otra && (std::isspace(static_cast<unsigned char>(p.texto[0])) ||
                                   p.texto.starts_with("--") || p.texto.starts_with("/*"));
}

// The next piece from `i` on that is not blank, or the end.
std::size_t siguiente(const std::vector<Pieza>& p, std::size_t i) {
  while (i < p.size() && blanco(p[i])) ++i;
  return i;
}

}  // namespace

bool EsquemaDistinto::activo() {
  return plataforma::variable("ENVIO_ESQUEMA") == std::optional<std::string>("distinto");
}

const EsquemaDistinto& EsquemaDistinto::el() {
  static const EsquemaDistinto e;
  return e;
}

EsquemaDistinto::EsquemaDistinto() {
  // Today's tables and their columns in order, from the scripts.
  for (const schema::Script& g : schema::scripts())
    for (const std::string& s : schema::split_script(g.text)) {
      std::vector<Pieza> p = piezas(s);
      std::size_t i = siguiente(p, 0), j = siguiente(p, i + 1), k = siguiente(p, j + 1);
      if (k >= p.size() || !es(p[i], "CREATE") || !es(p[j], "TABLE")) continue;
      Tabla& t = tablas_[mayusculas(p[k].texto)];
      int hondo = 0;
      bool inicio = false;
      for (std::size_t n = k + 1; n < p.size(); ++n) {
        if (p[n].texto == "(")
          ++hondo, inicio = hondo == 1;
        else if (p[n].texto == ")")
          --hondo;
        else if (hondo == 1 && p[n].texto == ",")
          inicio = true;
        else if (inicio && p[n].tipo == Pieza::Palabra) {
          inicio = false;
          const std::string w = mayusculas(p[n].texto);
          if (w != "CONSTRAINT" && w != "PRIMARY" && w != "UNIQUE" && w != "FOREIGN" &&
              w != "CHECK")
            t.columnas.push_back(w);
        }
      }
    }
  std::istringstream lista{std::string(kNombradas)};
  std::string linea;
  Tabla* t = nullptr;
  while (std::getline(lista, linea)) {
    if (linea.empty()) continue;
    std::istringstream palabras(linea);
    std::string w;
    if (!std::isspace(static_cast<unsigned char>(linea[0]))) {
      palabras >> w;
      std::size_t barra = w.find('/');
      auto it = tablas_.find(w.substr(0, barra));
      if (it == tablas_.end()) throw std::logic_error("no table " + w + " in the scripts");
      t = &it->second;
      if (barra != std::string::npos) t->fijas = std::stoul(w.substr(barra + 1));
    }
    while (palabras >> w) {
      if (w == "*")
        t->nombradas.insert(t->columnas.begin(), t->columnas.end());
      else if (std::find(t->columnas.begin(), t->columnas.end(), w) == t->columnas.end())
        throw std::logic_error("no column " + w + " in its table");
      else
        t->nombradas.insert(w);
    }
  }
  // The scripts in the other schema: each statement put into its names, and each
  // table's columns in their other order. Statements end with "^", procedures and
  // triggers holding ";" inside.
  for (const schema::Script& g : schema::scripts()) {
    std::string texto = "SET TERM ^ ;\n";
    for (const std::string& s : schema::split_script(g.text))
      texto += traducir(crear_tabla(s)) + "\n^\n";
    textos_.push_back(texto + "SET TERM ; ^\n");
  }
  for (std::size_t i = 0; i < schema::scripts().size(); ++i)
    guiones_.push_back({schema::scripts()[i].name, textos_[i]});
}

bool EsquemaDistinto::renombrada(const Tabla& t, const std::string& columna) const {
  return std::find(t.columnas.begin(), t.columnas.end(), columna) != t.columnas.end() &&
         !t.nombradas.count(columna);
}

std::string EsquemaDistinto::nombre(std::string_view tabla, std::string_view columna) const {
  const std::string c = mayusculas(columna);
  auto it = tablas_.find(mayusculas(tabla));
  return it != tablas_.end() && renombrada(it->second, c) ? otro_nombre(c) : c;
}

// "CREATE TABLE T (...)" with its columns in the other order: the positions the system
// names keep their column, the others are taken in reverse (computed ones last).
std::string EsquemaDistinto::crear_tabla(const std::string& sentencia) const {
  std::vector<Pieza> p = piezas(sentencia);
  std::size_t i = siguiente(p, 0), j = siguiente(p, i + 1), k = siguiente(p, j + 1);
  if (k >= p.size() || !es(p[i], "CREATE") || !es(p[j], "TABLE")) return sentencia;
  const Tabla& t = tablas_.at(mayusculas(p[k].texto));
  std::size_t abre = siguiente(p, k + 1);
  std::vector<std::string> columnas, restricciones;
  std::string actual;
  int hondo = 0;
  std::size_t n = abre + 1;
  for (; n < p.size(); ++n) {
    if (p[n].texto == "(") ++hondo;
    if (p[n].texto == ")" && hondo-- == 0) break;
    if (p[n].texto == "," && hondo == 0) {
      (columnas.size() < t.columnas.size() ? columnas : restricciones).push_back(actual);
      actual.clear();
      continue;
    }
    actual += p[n].texto;
  }
  (columnas.size() < t.columnas.size() ? columnas : restricciones).push_back(actual);
  std::reverse(
      columnas.begin() + static_cast<std::ptrdiff_t>(std::min(t.fijas + 1, columnas.size())),
      columnas.end());
  // A computed column goes last, after every column its expression reads.
  std::stable_partition(columnas.begin(), columnas.end(), [](const std::string& c) {
    return mayusculas(c).find("COMPUTED") == std::string::npos;
  });
  std::string out;
  for (std::size_t m = 0; m <= abre; ++m) out += p[m].texto;
  for (std::size_t m = 0; m < columnas.size() + restricciones.size(); ++m)
    out +=
        (m ? "," : "") + (m < columnas.size() ? columnas[m] : restricciones[m - columnas.size()]);
  for (; n < p.size(); ++n) out += p[n].texto;
  return out;
}

std::string EsquemaDistinto::traducir(std::string_view sql) const {
  std::vector<Pieza> p = piezas(sql);
  std::vector<const Tabla*> nombradas;
  std::string unica;
  for (const Pieza& q : p) {
    if (q.tipo != Pieza::Palabra) continue;
    auto it = tablas_.find(mayusculas(q.texto));
    if (it == tablas_.end()) continue;
    if (std::find(nombradas.begin(), nombradas.end(), &it->second) == nombradas.end())
      nombradas.push_back(&it->second);
    unica = it->first;
  }
  if (nombradas.size() != 1) unica.clear();
  // Whether a word is a column the other schema calls otherwise.
  auto otra = [&](const std::string& palabra) {
    bool alguna = false, todas = true;
    for (const Tabla* t : nombradas) {
      if (std::find(t->columnas.begin(), t->columnas.end(), palabra) == t->columnas.end()) continue;
      const bool r = renombrada(*t, palabra);
      alguna = alguna || r;
      todas = todas && r;
    }
    if (alguna && !todas)
      throw std::logic_error("column " + palabra + " of two tables in: " + std::string(sql));
    return alguna;
  };
  // Every column of the one table in today's order, under today's names.
  auto lista = [&](bool con_alias) {
    std::string out;
    for (const std::string& c : tablas_.at(unica).columnas) {
      const std::string n = nombre(unica, c);
      out += (out.empty() ? "" : ", ") + n + (con_alias && n != c ? " AS " + c : "");
    }
    return out;
  };
  const std::size_t primera = siguiente(p, 0);
  const bool seleccion = primera < p.size() && es(p[primera], "SELECT");
  bool con_join = false;
  for (const Pieza& q : p) con_join = con_join || es(q, "JOIN");
  std::string out;
  int hondo = 0;
  bool en_lista = seleccion;        // in the columns a SELECT returns
  std::size_t desde = primera + 1;  // where the current item of that list began
  for (std::size_t i = 0; i < p.size(); ++i) {
    const Pieza& q = p[i];
    if (q.texto == "(") ++hondo;
    if (q.texto == ")") --hondo;
    if (en_lista && hondo == 0 && (es(q, "FROM") || q.texto == ",")) {
      // An item that is one column called otherwise keeps today's name.
      std::size_t a = siguiente(p, desde), b = a;
      if (a < i && p[a].tipo == Pieza::Palabra) {
        b = siguiente(p, a + 1);
        if (b < i && p[b].texto == ".") a = siguiente(p, b + 1), b = siguiente(p, a + 1);
      }
      if (a < i && b >= i && p[a].tipo == Pieza::Palabra && otra(mayusculas(p[a].texto))) {
        while (!out.empty() && std::isspace(static_cast<unsigned char>(out.back()))) out.pop_back();
        out += " AS " + mayusculas(p[a].texto) + " ";
      }
      en_lista = !es(q, "FROM");
      desde = i + 1;
    }
    if (q.texto == "*" && seleccion && i == siguiente(p, primera + 1) && !unica.empty() &&
        !con_join) {
      out += lista(true);
      continue;
    }
    if (q.tipo == Pieza::Palabra && es(q, "VALUES") && !unica.empty()) {
      std::size_t a = siguiente(p, 0), b = siguiente(p, a + 1), c = siguiente(p, b + 1);
      if (c < i && es(p[a], "INSERT") && es(p[b], "INTO") && siguiente(p, c + 1) == i)
        out += "(" + lista(false) + ") ";
    }
    if (q.tipo == Pieza::Palabra && !tablas_.count(mayusculas(q.texto)) &&
        otra(mayusculas(q.texto)))
      out += otro_nombre(mayusculas(q.texto));
    else
      out += q.texto;
  }
  return out;
}

}  // namespace testing_support
