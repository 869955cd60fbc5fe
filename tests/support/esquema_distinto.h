#pragma once
// The suite's schema as another installation may have it: every column the system does
// not name is called otherwise, and where its position is free it sits elsewhere. The
// agent reaches the suite's tables only through the tables, columns and positions the
// system names, so every family copies there as it does on this project's own schema,
// and a statement or mapping that names any other column fails there.
//
// Scenario tests run on it when ENVIO_ESQUEMA=distinto: the installation is built from
// the scripts in that form, and the tests' own connections speak today's names (each
// statement is put into the other schema's names, and a row read comes back with its
// columns under their own names and in their own order), so a test reads the same on
// both schemas.

#include <cstddef>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "schema/esquema.h"

namespace testing_support {

class EsquemaDistinto {
 public:
  // Whether the scenarios run on it (ENVIO_ESQUEMA=distinto).
  static bool activo();
  static const EsquemaDistinto& el();

  // The embedded scripts in the other schema's names and column order.
  const std::vector<schema::Script>& guiones() const { return guiones_; }
  // A statement in today's names put into the other schema's: the columns it names of
  // the tables it names, "SELECT *" of one table as every column in today's order under
  // its own name, and an INSERT without a column list with today's list. Throws
  // std::logic_error when a column it names belongs to two of its tables and only one
  // of them calls it otherwise.
  std::string traducir(std::string_view sql) const;
  // The name a column of `tabla` has there.
  std::string nombre(std::string_view tabla, std::string_view columna) const;

 private:
  struct Tabla {
    std::vector<std::string> columnas;  // in today's order
    std::set<std::string> nombradas;    // the columns the system names
    std::size_t fijas = 0;              // positions 0 to this one keep their column
  };
  EsquemaDistinto();
  bool renombrada(const Tabla& t, const std::string& columna) const;
  std::string crear_tabla(const std::string& sentencia) const;

  std::map<std::string, Tabla> tablas_;
  std::vector<std::string> textos_;
  std::vector<schema::Script> guiones_;
};

}  // namespace testing_support
