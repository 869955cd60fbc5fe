#include "shell/linea_comandos.h"

#include <charconv>
#include <fstream>
#include <optional>
#include <string>

#include "engine/vista.h"
#include "plataforma/archivos.h"
#include "plataforma/pagina_codigos.h"
#include "plataforma/proceso.h"
#include "plataforma/rutas.h"

namespace shell {
namespace {

bool solo_digitos(const std::string& s) {
  return !s.empty() && s.find_first_not_of("0123456789") == std::string::npos;
}

// Parameters 7, 8 and 9 go into boxes that take digits only.
struct Numerico {
  int posicion;
  const char* nombre;
};
constexpr Numerico kNumericos[] = {
    {7, "Operaciones a enviar"}, {8, "Frecuencia"}, {9, "Operaciones a traer"}};

// Parameter 3 from the password file or the environment, when it was left empty.
void tomar_clave(LineaComandos& l) {
  std::string& clave = l.parametros[2];
  if (l.clave_archivo.empty()) {
    std::optional<std::string> v = plataforma::variable(kVariableClave);
    if (clave.empty() && v) clave = *v;
    return;
  }
  const std::string& ruta = l.clave_archivo;
  if (!clave.empty()) {
    l.error = "La clave se dio dos veces: en el parámetro 3 y en --clave-archivo.";
    return;
  }
  const std::filesystem::path archivo = plataforma::ruta(ruta);
  if (plataforma::lectores(archivo) == plataforma::Lectores::Otros) {
    l.error = clave_legible_por_otros(ruta);
    return;
  }
  std::ifstream in(archivo, std::ios::binary);
  if (!in || !std::getline(in, clave)) {
    l.error = "No se pudo leer el archivo de la clave " + ruta + ".";
    return;
  }
  if (!clave.empty() && clave.back() == '\r') clave.pop_back();
  clave = plataforma::del_sistema(clave);
}

}  // namespace

std::string clave_legible_por_otros(std::string_view ruta) {
  return "El archivo de la clave " + std::string(ruta) +
         " no debe poder leerlo nadie más que su dueño (" + plataforma::orden_solo_su_dueno(ruta) +
         ").";
}

LineaComandos analizar_linea(const std::vector<std::string>& args) {
  LineaComandos l;
  std::size_t n = 0;
  bool opciones = true;  // until "--": after it every word is a parameter
  bool dias = false;     // the word after "--dias" is its value
  for (const std::string& a : args) {
    if (dias) {
      dias = false;
      int d = 0;
      auto [p, ec] = std::from_chars(a.data(), a.data() + a.size(), d);
      if (ec != std::errc() || p != a.data() + a.size() || d <= 0)
        l.error = "--dias espera un número de días mayor que cero: " + a;
      else
        l.dias = d;
    } else if (opciones && a == "--") {
      opciones = false;
    } else if (!opciones) {
      if (n < l.parametros.size())
        l.parametros[n++] = a;
      else
        l.error = "Sobran parámetros: se esperan a lo sumo nueve.";
    } else if (a == "--once") {
      l.una_vez = true;
    } else if (a == "--help") {
      l.ayuda = true;
    } else if (a == "--estado" || a == "--conciliar") {
      Orden o = a == "--estado" ? Orden::Estado : Orden::Conciliar;
      if (l.orden != Orden::Agente && l.orden != o) l.error = "--estado y --conciliar se excluyen.";
      l.orden = o;
    } else if (a == "--json") {
      l.json = true;
    } else if (a == "--prometheus") {
      l.prometheus = true;
    } else if (a == "--reparar") {
      l.reparar = true;
    } else if (a == "--dias") {
      dias = true;
    } else if (a.rfind("--lock-timeout=", 0) == 0) {
      std::string v = a.substr(15);
      int s = 0;
      auto [p, ec] = std::from_chars(v.data(), v.data() + v.size(), s);
      // A bound beyond an hour is no bound: the watchdog adds a minute to it.
      if (ec != std::errc() || p != v.data() + v.size() || s <= 0 || s > kMaxEsperaBloqueo)
        l.error = "--lock-timeout espera un número de segundos entre 1 y " +
                  std::to_string(kMaxEsperaBloqueo) + ": " + v;
      else
        l.espera_bloqueo = s;
    } else if (a.rfind("--pagina-codigos=", 0) == 0) {
      l.pagina_codigos = a.substr(17);
      if (l.pagina_codigos.empty())
        l.error = "--pagina-codigos espera el nombre de una página de códigos (WINDOWS-1252).";
    } else if (a.rfind("--clave-archivo=", 0) == 0) {
      l.clave_archivo = a.substr(16);
      if (l.clave_archivo.empty()) l.error = "--clave-archivo espera la ruta de un archivo.";
    } else if (a.size() > 2 && a.rfind("--", 0) == 0) {
      l.error = "Opción desconocida: " + a;
    } else if (n < l.parametros.size()) {
      l.parametros[n++] = a;
    } else {
      l.error = "Sobran parámetros: se esperan a lo sumo nueve.";
    }
  }
  if (dias) l.error = "--dias espera un número de días.";
  if (l.error.empty() && l.orden != Orden::Agente &&
      (l.parametro(1).empty() || l.parametro(4).empty()))
    l.error = std::string(l.orden == Orden::Estado ? "--estado" : "--conciliar") +
              " necesita SERVIDOR USUARIO CLAVE COMPANIA.";
  if (l.error.empty() && l.json && l.orden != Orden::Estado) l.error = "--json va con --estado.";
  if (l.error.empty() && l.prometheus && l.orden != Orden::Estado)
    l.error = "--prometheus va con --estado.";
  if (l.error.empty() && l.json && l.prometheus) l.error = "--json y --prometheus se excluyen.";
  if (l.error.empty() && l.reparar && l.orden != Orden::Conciliar)
    l.error = "--reparar va con --conciliar.";
  if (l.error.empty() && l.dias != 7 && l.orden != Orden::Conciliar)
    l.error = "--dias va con --conciliar.";
  for (const Numerico& c : kNumericos) {
    std::string& v = l.parametros[static_cast<std::size_t>(c.posicion - 1)];
    const long long maximo = c.posicion == 8 ? engine::kMaxMinutos : engine::kMaxEventos;
    if (!v.empty() && (!solo_digitos(v) || v.size() > 18 || std::stoll(v) > maximo)) {
      l.avisos.push_back("Parámetro " + std::to_string(c.posicion) + " (" + c.nombre +
                         ") no numérico o fuera de rango: \"" + v +
                         "\"; se conserva el valor por defecto.");
      v.clear();
    }
  }
  if (l.error.empty()) tomar_clave(l);
  return l;
}

std::string uso() {
  return "Uso: envioauto [SERVIDOR USUARIO CLAVE [COMPANIA [ERRORES [SERVIDOR_SOCIOS [ENVIAR "
         "[FRECUENCIA [TRAER]]]]]]] [opciones]\n"
         "       envioauto --estado SERVIDOR USUARIO CLAVE COMPANIA [--json | --prometheus]\n"
         "       envioauto --conciliar SERVIDOR USUARIO CLAVE COMPANIA [--dias N] [--reparar]\n"
         "\n"
         "Sin COMPANIA se abre la ventana para un operador. Con COMPANIA el agente trabaja\n"
         "desatendido: se conecta, replica en seguida y repite cada FRECUENCIA minutos.\n"
         "\n"
         "  1 SERVIDOR         raíz del servidor (\"host:/ruta\" o una ruta local)\n"
         "  2 USUARIO          usuario de la base de datos\n"
         "  3 CLAVE            clave del usuario; vacía ('') se toma de --clave-archivo o,\n"
         "                     si no, de la variable de entorno ENVIOAUTO_CLAVE\n"
         "  4 COMPANIA         código de la compañía local (modo desatendido)\n"
         "  5 ERRORES          \"1\" = no reintentar eventos con error\n"
         "  6 SERVIDOR_SOCIOS  raíz que reemplaza RPCO_SERVIDOR de todas las compañías socias\n"
         "  7 ENVIAR           eventos a enviar por compañía (defecto 500)\n"
         "  8 FRECUENCIA       minutos entre ciclos (defecto 1)\n"
         "  9 TRAER            eventos a traer en la descarga (defecto 500)\n"
         "\n"
         "Opciones:\n"
         "  --once                 desatendido: un solo ciclo; sale con 0 si terminó, 1 si no\n"
         "  --lock-timeout=SEG     espera máxima ante un bloqueo, de 1 a 3600 (defecto 60)\n"
         "  --clave-archivo=RUTA   la clave (parámetro 3) en la primera línea de RUTA, un\n"
         "                         archivo que solo su dueño puede leer (chmod 600)\n"
         "  --pagina-codigos=NOMBRE\n"
         "                         página de códigos del texto de las bases de datos (defecto:\n"
         "                         la clave PaginaCodigos junto a Directorio, si no\n"
         "                         WINDOWS-1252); por ejemplo ISO-8859-15, CP850\n"
         "  --estado               estado de la replicación (solo lee): pendientes y errores por\n"
         "                         compañía, último ciclo terminado; sale con 0 sano,\n"
         "                         1 atrasado, 2 detenido, 3 desconocido (una base inalcanzable)\n"
         "  --json                 con --estado: la salida en JSON\n"
         "  --prometheus           con --estado: las cifras en el formato de texto de Prometheus\n"
         "                         (sale con 0 una vez escritas; el veredicto va en ellas)\n"
         "  --conciliar            compara los documentos de los eventos sellados con su copia\n"
         "                         (solo lee); sale con 0 si nada difiere, 1 si no\n"
         "  --dias N               con --conciliar: eventos sellados en los últimos N días\n"
         "                         (defecto 7)\n"
         "  --reparar              con --conciliar: encola un evento nuevo para cada documento\n"
         "                         que difiere, salvo si ya tiene uno pendiente; el próximo\n"
         "                         ciclo lo copia\n"
         "  --help                 esta ayuda\n"
         "  --                     fin de las opciones: lo que sigue son parámetros (una clave\n"
         "                         que empiece por \"-\", por ejemplo)\n";
}

}  // namespace shell
