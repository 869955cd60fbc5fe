#pragma once
// One row of REPLICA_EVENTOS, the queue the suite's triggers fill: one row per
// document change that must reach another company.

#include <cstdint>
#include <string>
#include <string_view>

#include "db/rows.h"

namespace engine {

enum class EstadoEvento { Pendiente, PendienteConError, Replicado };

// Operation letters the handlers compare RPEV_OPER with.
inline constexpr std::string_view kOperBorrar = "D";
inline constexpr std::string_view kOperAnular = "A";
inline constexpr std::string_view kOperInsertar = "I";

// A view of one event of a fetched event list; valid while the list lives.
class Evento {
 public:
  Evento(const db::Rows& lista, std::size_t fila) : lista_(&lista), fila_(fila) {}

  const db::Value& valor(std::string_view columna) const { return lista_->at(fila_, columna); }
  std::string texto(std::string_view columna) const { return valor(columna).as_text(); }

  std::int64_t id() const { return valor("RPEV_ID").as_integer(); }
  std::string id_texto() const { return texto("RPEV_ID"); }
  std::string compania() const { return texto("RPEV_COMPANIA"); }
  int tipo() const { return static_cast<int>(valor("RPEV_TIPO").as_integer()); }
  std::string tipo_texto() const { return texto("RPEV_TIPO"); }
  // RPEV_IDDOC as it goes into SQL: its decimal text, or NULL when the suite left it empty.
  std::string iddoc_sql() const;
  std::string pref() const { return texto("RPEV_PREF"); }
  std::string numero() const { return texto("RPEV_NUMERO"); }
  std::string codigo() const { return texto("RPEV_CODIGO"); }
  std::string oper() const { return texto("RPEV_OPER"); }
  std::string prefdest() const { return texto("RPEV_PREFDEST"); }
  std::string datos() const { return texto("RPEV_DATOS"); }
  EstadoEvento estado() const;

  // The text shown while the event is processed: tipo,oper,pref+numero,codigo (UTF-8).
  std::string resumen() const;

 private:
  const db::Rows* lista_;
  std::size_t fila_;
};

}  // namespace engine
