#pragma once
// The clock the engine asks for "now": the workstation's local time, or a fixed one
// in tests (stamps, the seven-day purge, log lines).

#include "db/value.h"

namespace engine {

class Reloj {
 public:
  virtual ~Reloj() = default;
  virtual db::Timestamp ahora() const = 0;
};

class RelojSistema : public Reloj {
 public:
  db::Timestamp ahora() const override;
};

class RelojFijo : public Reloj {
 public:
  explicit RelojFijo(db::Timestamp t) : t_(t) {}
  db::Timestamp ahora() const override { return t_; }
  void poner(db::Timestamp t) { t_ = t; }

 private:
  db::Timestamp t_;
};

// The date `days` days before (negative: after) `d`.
db::Date dias_antes(db::Date d, int days);

}  // namespace engine
