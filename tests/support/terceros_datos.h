#pragma once
// Third-party and accounting master data for scenario tests: one case per code (see
// articulos_datos.h) and the names of the seven accounting interfaces.

#include <string>
#include <vector>

#include "support/articulos_datos.h"

namespace testing_support {

// Codes 100 to 106 and the interfaces 111 to 117. An interface case names header 11
// with three account rows (items 1 to 3); its neighbour is header 12.
const std::vector<CasoMaestro>& casos_terceros();

// The tables of one accounting interface.
struct InterfazPrueba {
  int tipo;
  std::string encabezado;  // header table
  std::string id;          // header id column, also column 0 of the account rows
  std::string cuentas;     // account table
  std::string item;        // item column of the account rows
};
const std::vector<InterfazPrueba>& interfaces_prueba();
// The case of an interface code.
const CasoMaestro& caso_tercero(int tipo);

}  // namespace testing_support
