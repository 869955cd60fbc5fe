#include "engine/reloj.h"

#include <chrono>
#include <ctime>

#include "plataforma/hora.h"

namespace engine {

db::Timestamp RelojSistema::ahora() const {
  const std::tm local = plataforma::hora_local(std::time(nullptr));
  return db::Timestamp{db::Date{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday},
                       db::Time{local.tm_hour, local.tm_min, local.tm_sec, 0}};
}

db::Date dias_antes(db::Date d, int days) {
  using namespace std::chrono;
  sys_days day = sys_days(year_month_day(year(d.year), month(static_cast<unsigned>(d.month)),
                                         std::chrono::day(static_cast<unsigned>(d.day)))) -
                 std::chrono::days(days);
  year_month_day ymd(day);
  return db::Date{static_cast<int>(ymd.year()),
                  static_cast<int>(static_cast<unsigned>(ymd.month())),
                  static_cast<int>(static_cast<unsigned>(ymd.day()))};
}

}  // namespace engine
