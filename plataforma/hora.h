#pragma once
// The local (wall-clock) time of a moment, safe to ask from several threads at once.

#include <ctime>

namespace plataforma {

std::tm hora_local(std::time_t momento);

}  // namespace plataforma
