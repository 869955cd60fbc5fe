#pragma once
// The texts the agent raises itself (not the server's): one definition each, used by
// the code that raises them and by the tests that expect them.

#include <string>
#include <string_view>

namespace db::textos {

inline std::string fila_no_encontrada() {
  return "El registro no se encontró o fue modificado por otro usuario";
}
inline std::string fila_repetida(std::string_view tabla) {
  return "El registro se encontró más de una vez en la tabla " + std::string(tabla);
}
inline std::string sin_ubicacion(std::string_view tabla) {
  return "No hay columnas con las que ubicar el registro en la tabla " + std::string(tabla);
}
inline std::string sin_transaccion_retenida() {
  return "No hay una transacción retenida abierta en la conexión";
}
inline std::string transaccion_retenida_abierta() {
  return "La conexión ya tiene una transacción retenida abierta";
}
inline std::string sin_tabla() { return "El conjunto de registros no tiene tabla donde escribir"; }
inline std::string campo_requerido(std::string_view campo) {
  return "El campo '" + std::string(campo) + "' debe tener un valor";
}
inline std::string campo_no_encontrado(std::string_view campo) {
  return "No se encontró el campo '" + std::string(campo) + "'";
}
inline std::string en_campo(std::string_view mensaje, std::string_view campo) {
  return std::string(mensaje) + " en el campo '" + std::string(campo) + "'";
}
inline std::string indice_fuera_de_rango(std::size_t i) {
  return "Índice de lista fuera de rango (" + std::to_string(i) + ")";
}
inline std::string no_es_entero(std::string_view texto) {
  return "'" + std::string(texto) + "' no es un valor entero válido";
}
inline std::string no_es_numero(std::string_view texto) {
  return "'" + std::string(texto) + "' no es un número válido";
}
inline std::string no_es_importe(std::string_view texto) {
  return "'" + std::string(texto) + "' no es un importe válido";
}
inline std::string no_es_fecha(std::string_view texto) {
  return "'" + std::string(texto) + "' no es una fecha válida";
}
inline std::string no_es_hora(std::string_view texto) {
  return "'" + std::string(texto) + "' no es una hora válida";
}
inline std::string fuera_de_rango(std::string_view valor = {}) {
  return valor.empty() ? std::string("Valor numérico fuera de rango")
                       : "El valor numérico " + std::string(valor) + " está fuera de rango";
}
inline std::string parametros(unsigned esperados, std::size_t recibidos) {
  return "La sentencia espera " + std::to_string(esperados) + " parámetros y recibió " +
         std::to_string(recibidos);
}
inline std::string tipo_no_soportado(unsigned tipo) {
  return "Tipo de columna no soportado (" + std::to_string(tipo) + ")";
}
// A link the watchdog cut, and the connections refused once the program ends.
inline std::string enlace_mudo(std::string_view base, long segundos) {
  return "La conexión con " + std::string(base) + " no respondió en " + std::to_string(segundos) +
         " s: se cortó";
}
inline std::string enlace_cortado_al_terminar(std::string_view base) {
  return "Se cortó la conexión con " + std::string(base) + " porque el programa termina";
}
inline std::string programa_terminando(std::string_view base) {
  return "No se conecta con " + std::string(base) + ": el programa está terminando";
}
// A database the agent needs before a cycle, lost and found again.
inline std::string sin_conexion(std::string_view base, std::string_view motivo) {
  const bool punto = !motivo.empty() && motivo.back() == '.';
  return "No se pudo conectar con " + std::string(base) + ": " + std::string(motivo) +
         (punto ? " " : ". ") + "Se intenta de nuevo en cada ciclo.";
}
inline std::string conexion_restablecida(std::string_view base) {
  return "Se restableció la conexión con " + std::string(base) + ".";
}
// A value spliced into a statement as a number that is not one.
inline std::string no_es_numero_en(std::string_view que, std::string_view texto, bool nulo) {
  return nulo ? std::string(que) + " no tiene valor (NULL) y debe ser un número entero"
              : std::string(que) + " debe ser un número entero y vale '" + std::string(texto) + "'";
}
inline std::string archivo_no_abre(std::string_view ruta, std::string_view motivo) {
  return "No se pudo abrir el archivo \"" + std::string(ruta) + "\". " + std::string(motivo);
}
inline std::string archivo_no_escribe(std::string_view ruta, std::string_view motivo) {
  return "No se pudo escribir el archivo \"" + std::string(ruta) + "\". " + std::string(motivo);
}

// A shared folder (the system's temporary one) holds the logs' fallback folder; one that
// someone else planted there is not written into.
inline std::string carpeta_enlace(std::string_view ruta) {
  return "La carpeta \"" + std::string(ruta) +
         "\" es un enlace, no una carpeta propia: no se escribe en ella";
}
inline std::string carpeta_ajena(std::string_view ruta) {
  return "La carpeta \"" + std::string(ruta) + "\" pertenece a otro usuario: no se escribe en ella";
}

}  // namespace db::textos
