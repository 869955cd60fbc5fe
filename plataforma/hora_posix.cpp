#include "plataforma/hora.h"

namespace plataforma {

std::tm hora_local(std::time_t momento) {
  std::tm t{};
  ::localtime_r(&momento, &t);
  return t;
}

}  // namespace plataforma
