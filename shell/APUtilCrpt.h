#pragma once
// Reversible byte-wise scrambling that keeps the operator's password out of plain
// sight in memory. Output has the length of the input.

#include <string>
#include <string_view>

namespace shell {

std::string encriptar_clave(std::string_view clave);
std::string desencriptar_clave(std::string_view clave);

}  // namespace shell
