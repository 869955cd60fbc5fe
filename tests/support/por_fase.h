#pragma once
// A scenario run once per phase: the source side is where the event lives (company
// 002 going down, 001 going up), the target side the other company.

#include <gtest/gtest.h>

#include <string>

#include "support/escenario.h"

namespace testing_support {

class EscenarioPorFase : public Escenario, public ::testing::WithParamInterface<engine::Fase> {
 protected:
  bool subida() const { return GetParam() == engine::Fase::Subida; }
  db::Connection& origen() { return subida() ? bd1 : bd2; }
  db::Connection& destino() { return subida() ? bd2 : bd1; }
  // Queues `e` on the source side, addressed to the target company.
  std::int64_t anunciar(EventoPrueba e) {
    e.compania = subida() ? "002" : "001";
    return insertar_evento(origen(), e);
  }
  // Queues the event again with letter `oper`, as the suite does when the row changes
  // once more.
  void reabrir(std::int64_t ev, const std::string& oper = "I") {
    origen().execute(
        "UPDATE REPLICA_EVENTOS SET RPEV_FECREP = NULL, RPEV_HORAREP = NULL, "
        "RPEV_OPER = '" +
        oper + "' WHERE RPEV_ID = " + std::to_string(ev));
  }
};

}  // namespace testing_support
