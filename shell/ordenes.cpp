#include "shell/ordenes.h"

#include <cstdio>

#include "agente/conciliar.h"
#include "agente/estado.h"
#include "engine/reloj.h"
#include "engine/rutas.h"
#include "errors/bitacora.h"
#include "handlers/registro.h"
#include "plataforma/pagina_codigos.h"
#include "shell/acceso.h"
#include "shell/instalacion.h"

namespace shell {

Salida orden(const LineaComandos& linea, const std::string& directorio) {
  engine::RelojSistema reloj;
  errors::Bitacora bitacora([directorio] { return directorio; }, reloj);
  // The company names a folder (as typed) and rows (in the suite's code page).
  const std::string compania = plataforma::hacia_suite(linea.parametro(4));
  db::Connection local("DbCia");
  local.set_params(db::ConnectParams{engine::ruta_compania(linea.parametro(1), linea.parametro(4)),
                                     linea.parametro(2), clave_para_servidor(linea.parametro(3)),
                                     linea.espera_bloqueo});
  Salida s;
  if (linea.orden == Orden::Estado) {
    agente::Medicion m;
    m.compania = compania;
    m.espera_bloqueo = linea.espera_bloqueo;
    m.ultimo_ciclo = bitacora.ultimo_ciclo(compania);
    agente::Estado e = agente::medir(local, m, reloj);
    // For a scraper the verdict is one of the figures: the exit status says they were
    // written, so that a job renames the file only when it is whole.
    if (linea.prometheus) {
      s.texto = agente::prometheus(e);
      return s;
    }
    s.codigo = static_cast<int>(e.veredicto);
    s.texto = linea.json ? agente::json(e) : agente::texto(e);
    return s;
  }
  agente::AjustesConciliar a;
  a.compania = compania;
  a.dias = linea.dias;
  a.espera_bloqueo = linea.espera_bloqueo;
  a.reparar = linea.reparar;
  try {
    agente::Conciliacion c = agente::conciliar(local, a, handlers::tabla_completa(), reloj);
    s.codigo = c.limpia() ? 0 : 1;
    s.texto = agente::texto(c);
  } catch (const std::exception& e) {
    s.codigo = 1;
    s.texto = std::string("No se pudo conciliar: ") + errors::una_linea(e.what()) + "\n";
  }
  return s;
}

int ejecutar_orden(const LineaComandos& linea) {
  std::string directorio = diraplicacion([](const std::string& m) {
    std::fprintf(stderr, "envioauto: %s\n", plataforma::para_consola(m).c_str());
  });
  Salida s = orden(linea, directorio);
  // JSON and the exposition format are for machines: UTF-8 always. The rest is for a
  // person at a console.
  const bool maquina = linea.json || linea.prometheus;
  std::fputs((maquina ? s.texto : plataforma::para_consola(s.texto)).c_str(), stdout);
  // A file cut short (a full disk) must not pass for the figures.
  if (linea.prometheus && (std::fflush(stdout) != 0 || std::ferror(stdout))) return 1;
  return s.codigo;
}

}  // namespace shell
